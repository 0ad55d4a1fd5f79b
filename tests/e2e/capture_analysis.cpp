// The analysis of captured sound: sounds separated by silence, frequency by
// interpolated zero crossings, and runs of equal samples.
#include "tests/e2e/capture_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace e2e {

namespace {

constexpr int SILENT_LEVEL = 128;

bool IsSilent(uint8_t sample, int tolerance) { return std::abs(int(sample) - SILENT_LEVEL) <= tolerance; }

double Mean(const Samples& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += s[i];
    return sum / static_cast<double>(to - from);
}

double LargestDeviation(const Samples& s, size_t from, size_t to, double level)
{
    double largest = 0;
    for (size_t i = from; i < to; ++i) largest = std::max(largest, std::fabs(s[i] - level));
    return largest;
}

}  // namespace

std::vector<Sound> FindSounds(const Samples& s, double rate, const SilenceRule& rule)
{
    const size_t minSilence = std::max<size_t>(1, static_cast<size_t>(std::lround(rule.minSilenceMs * rate / 1000.0)));
    std::vector<Sound> sounds;
    bool sounding = false;
    size_t quietRun = minSilence;  // the capture starts as if after silence
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsSilent(s[i], rule.tolerance)) {
            if (++quietRun == minSilence && sounding) {
                sounds.back().end = i + 1 - minSilence;
                sounding = false;
            }
            continue;
        }
        if (!sounding && quietRun >= minSilence) {
            sounds.push_back({i, s.size()});
            sounding = true;
        }
        quietRun = 0;
    }
    if (sounding) sounds.back().end = s.size() - std::min(quietRun, s.size());
    return sounds;
}

double DominantFrequency(const Samples& s, size_t from, size_t to, double rate)
{
    to = std::min(to, s.size());
    if (to <= from + 2) return 0.0;
    const double level = Mean(s, from, to);
    const double hysteresis = std::max(1.0, LargestDeviation(s, from, to, level) / 4.0);
    bool armed = false;
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        const double a = s[i - 1], b = s[i];
        if (b < level - hysteresis) armed = true;
        if (armed && a < level && b >= level) {
            const double t = static_cast<double>(i - 1) + (level - a) / (b - a);
            if (first < 0) first = t;
            last = t;
            ++crossings;
            armed = false;
        }
    }
    if (crossings < 3) return 0.0;
    return (crossings - 1) * rate / (last - first);
}

std::vector<Gap> FindGaps(const Samples& s, size_t from, size_t to, size_t minRun)
{
    to = std::min(to, s.size());
    std::vector<Gap> gaps;
    size_t runStart = from;
    for (size_t i = from + 1; i <= to; ++i) {
        if (i < to && s[i] == s[runStart]) continue;
        if (i - runStart >= minRun) gaps.push_back({runStart, i - runStart});
        runStart = i;
    }
    return gaps;
}

bool ReadCapture(const std::string& path, Samples& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    out.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

}  // namespace e2e
