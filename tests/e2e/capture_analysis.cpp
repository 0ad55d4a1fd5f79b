// The analysis of captured sound: sounds separated by silence, frequency by
// interpolated zero crossings, and runs of equal samples.
#include "tests/e2e/capture_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "audio/format_file.h"

namespace e2e {

namespace {

constexpr int SILENT_LEVEL = 128;
// How far one period may stray from the median period and still be measured:
// truncating resampling moves a crossing by up to a sample (1 % of a 441 Hz
// period at the highest step), a drop-out by far more.
constexpr double PERIOD_TOLERANCE = 0.1;

// A value held this long is the device playing nothing new (FindGaps).
constexpr double DROP_OUT_MS = 2.0;

bool IsSilent(uint8_t sample, int tolerance) { return std::abs(int(sample) - SILENT_LEVEL) <= tolerance; }

size_t MsToSamples(double ms, double rate)
{
    return std::max<size_t>(1, static_cast<size_t>(std::lround(ms * rate / 1000.0)));
}

// Which samples of [from, to) lie in a run of at least minRun equal samples.
// A stream that runs dry holds one value: the silent level, or, as the
// captures here show for 10 to 20 ms after a stream drains, 0, the bottom of
// the 8-bit range. Such a run is the device playing nothing, at any level.
std::vector<bool> HeldSamples(const Samples& s, size_t from, size_t to, size_t minRun)
{
    std::vector<bool> held(to - from, false);
    for (const Gap& g : FindGaps(s, from, to, minRun))
        std::fill(held.begin() + static_cast<std::ptrdiff_t>(g.start - from),
                  held.begin() + static_cast<std::ptrdiff_t>(g.start - from + g.length), true);
    return held;
}

// The mean of the samples of [from, to) that are not held, and their largest
// distance from it: a held stretch at the bottom of the range would pull the
// level down and widen the hysteresis past the tone's own swing.
double Mean(const Samples& s, size_t from, const std::vector<bool>& held)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < held.size(); ++i)
        if (!held[i]) sum += s[from + i], ++n;
    return n > 0 ? sum / static_cast<double>(n) : SILENT_LEVEL;
}

double LargestDeviation(const Samples& s, size_t from, const std::vector<bool>& held, double level)
{
    double largest = 0;
    for (size_t i = 0; i < held.size(); ++i)
        if (!held[i]) largest = std::max(largest, std::fabs(s[from + i] - level));
    return largest;
}

// The times of the upward crossings of the stretch's mean level, each placed
// between its two samples by linear interpolation. A crossing counts only
// after the signal has been a quarter of its amplitude below the level, so
// quantisation steps near the level do not count twice.
std::vector<double> UpwardCrossings(const Samples& s, size_t from, size_t to, double rate)
{
    std::vector<double> times;
    if (to <= from + 2) return times;
    const std::vector<bool> held = HeldSamples(s, from, to, MsToSamples(DROP_OUT_MS, rate));
    const double level = Mean(s, from, held);
    const double hysteresis = std::max(1.0, LargestDeviation(s, from, held, level) / 4.0);
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
    const size_t minSilence = MsToSamples(rule.minSilenceMs, rate);
    const std::vector<bool> held = rule.dropOutsSilent ? HeldSamples(s, 0, s.size(), MsToSamples(DROP_OUT_MS, rate))
                                                       : std::vector<bool>(s.size(), false);
    std::vector<Sound> sounds;
    bool sounding = false;
    size_t quietRun = minSilence;  // the capture starts as if after silence
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsSilent(s[i], rule.tolerance) || held[i]) {
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
    const std::vector<double> crossings = UpwardCrossings(s, from, std::min(to, s.size()), rate);
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

namespace {

// A file's bytes as the RIFF chunk search reads them.
class SamplesSource final : public ByteSource {
public:
    explicit SamplesSource(const Samples& bytes) : bytes_(bytes) {}
    uint32_t ReadAt(uint32_t offset, void* to, uint32_t count) override
    {
        if (offset >= bytes_.size()) return 0;
        const size_t n = std::min<size_t>(count, bytes_.size() - offset);
        std::memcpy(to, bytes_.data() + offset, n);
        return static_cast<uint32_t>(n);
    }

private:
    const Samples& bytes_;
};

uint32_t Le(const Samples& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

// The data of a mono PCM WAV file as 8-bit unsigned samples; false when the
// bytes are not such a file. 16-bit samples keep their upper byte, as the
// sound server makes 8-bit samples of 16-bit ones.
bool FromWav(const Samples& file, Samples& out)
{
    SamplesSource source(file);
    RiffChunk riff, fmt, data;
    riff.type = WAVE_TYPE;
    uint32_t inside = 0, next = 0;
    if (SearchChunk(source, 0, nullptr, RIFF_ID, riff, &inside) != RiffFind::Found ||
        SearchChunk(source, inside, &riff, FMT_ID, fmt, &next) != RiffFind::Found || fmt.size < 16 ||
        fmt.dataOffset + 16 > file.size() ||
        SearchChunk(source, inside, &riff, DATA_ID, data, &next) != RiffFind::Found)
        return false;
    if (Le(file, fmt.dataOffset, 2) != 1 || Le(file, fmt.dataOffset + 2, 2) != 1) return false;  // mono PCM
    const uint32_t bits = Le(file, fmt.dataOffset + 14, 2);
    const size_t body = data.dataOffset, end = std::min<size_t>(file.size(), size_t(body) + data.size);
    if (body > end || (bits != 8 && bits != 16)) return false;
    out.clear();
    if (bits == 8) {
        out.assign(file.begin() + static_cast<long>(body), file.begin() + static_cast<long>(end));
        return true;
    }
    for (size_t i = body; i + 1 < end; i += 2)
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(file[i + 1]) + 128));
    return true;
}

}  // namespace

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
    Samples pcm;
    if (ok && FromWav(out, pcm)) out.swap(pcm);
    return ok;
}

}  // namespace e2e
