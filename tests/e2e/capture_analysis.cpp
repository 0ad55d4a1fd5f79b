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
// How far one period may stray from the median period and still be measured:
// truncating resampling moves a crossing by up to a sample (1 % of a 441 Hz
// period at the highest step), a drop-out by far more.
constexpr double PERIOD_TOLERANCE = 0.1;

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

// The times of the upward crossings of the stretch's mean level, each placed
// between its two samples by linear interpolation. A crossing counts only
// after the signal has been a quarter of its amplitude below the level, so
// quantisation steps near the level do not count twice.
std::vector<double> UpwardCrossings(const Samples& s, size_t from, size_t to)
{
    std::vector<double> times;
    if (to <= from + 2) return times;
    const double level = Mean(s, from, to);
    const double hysteresis = std::max(1.0, LargestDeviation(s, from, to, level) / 4.0);
    bool armed = false;
    for (size_t i = from + 1; i < to; ++i) {
        const double a = s[i - 1], b = s[i];
        if (b < level - hysteresis) armed = true;
        if (armed && a < level && b >= level) {
            times.push_back(static_cast<double>(i - 1) + (level - a) / (b - a));
            armed = false;
        }
    }
    return times;
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
    const std::vector<double> crossings = UpwardCrossings(s, from, std::min(to, s.size()));
    if (crossings.size() < 3) return 0.0;
    std::vector<double> periods;
    for (size_t i = 1; i < crossings.size(); ++i) periods.push_back(crossings[i] - crossings[i - 1]);
    std::vector<double> sorted = periods;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    // A drop-out stretches the period it falls in; such periods are left out,
    // and the rest, each measured between interpolated crossings, averaged.
    double kept = 0, total = 0;
    for (double p : periods) {
        if (std::fabs(p - median) > PERIOD_TOLERANCE * median) continue;
        kept += 1;
        total += p;
    }
    return kept > 0 ? kept * rate / total : 0.0;
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
