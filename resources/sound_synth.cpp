// The two sample banks, made by additive synthesis and by a plucked-string
// model, and written as 8-bit unsigned PCM with 128 as silence.
#include "resources/sound_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace assets {
namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double C4_HZ = 261.6256;

// A small deterministic noise source, so every build makes identical files.
class Noise {
public:
    double Next()  // uniform in [-1, 1)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t state_ = 0x5EED1234u;
};

// A two-pole Butterworth low-pass, run twice (fourth order), then the result
// scaled to a peak of 1. Keeping the banks below a few kilohertz matters
// because the mixer resamples by truncation: content above 22050 / step Hz
// folds back as noise when a bank is played faster.
void LowPassAndNormalise(std::vector<double>& signal, double cutoffHz)
{
    const double k = std::tan(PI * cutoffHz / OUTPUT_RATE);
    const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    const double a0 = k * k * norm, a1 = 2.0 * a0, a2 = a0;
    const double b1 = 2.0 * (k * k - 1.0) * norm, b2 = (1.0 - std::sqrt(2.0) * k + k * k) * norm;
    for (int pass = 0; pass < 2; ++pass) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : signal) {
            const double y = a0 * v + a1 * x1 + a2 * x2 - b1 * y1 - b2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
    double peak = 0.0;
    for (double v : signal) peak = std::max(peak, std::fabs(v));
    if (peak > 0.0)
        for (double& v : signal) v /= peak;
}

// Quantises a signal in [-1, 1] to 8 bits. Triangular dither, scaled by the
// signal's own envelope, hides the 8-bit steps while the sound rings and lets
// the tail settle on exactly 128.
std::vector<uint8_t> ToUnsigned8(const std::vector<double>& signal, const std::vector<double>& envelope)
{
    Noise noise;
    std::vector<uint8_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        double dither = (noise.Next() + noise.Next()) * 0.5 * std::min(1.0, envelope[i] * 16.0);
        double v = std::round(128.0 + 118.0 * signal[i] + dither);
        out[i] = static_cast<uint8_t>(std::clamp(v, 1.0, 255.0));
    }
    out.front() = 128;
    return out;
}

// Raised-cosine ramps: a short attack so the onset does not click, and a
// release that reaches silence well before the last thousand bytes, which
// the mixer never plays.
double Ramp(size_t i, size_t attack, size_t releaseStart, size_t releaseEnd)
{
    double g = 1.0;
    if (i < attack) g *= 0.5 - 0.5 * std::cos(PI * static_cast<double>(i) / static_cast<double>(attack));
    if (i >= releaseEnd) return 0.0;
    if (i >= releaseStart)
        g *= 0.5 + 0.5 * std::cos(PI * static_cast<double>(i - releaseStart) /
                                  static_cast<double>(releaseEnd - releaseStart));
    return g;
}

}  // namespace

std::vector<uint8_t> StruckBar()
{
    const size_t n = OUTPUT_RATE * 9 / 10;  // 0.9 s
    const size_t attack = OUTPUT_RATE / 1000;  // 1 ms
    const size_t releaseEnd = n - 1500;
    const size_t releaseStart = releaseEnd - OUTPUT_RATE / 10;
    // Partials of a tuned bar: the fundamental, the bar's tuned fourth harmonic
    // and its tenth, each dying away faster than the one below.
    struct Partial { double ratio, level, decaySeconds; };
    const Partial partials[] = {{1.0, 0.80, 0.28}, {4.0, 0.28, 0.07}, {9.9, 0.10, 0.02},
                                {2.0, 0.06, 0.12}};
    std::vector<double> signal(n), envelope(n);
    Noise noise;
    double clickLow = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / OUTPUT_RATE;
        double s = 0.0, env = 0.0;
        for (const Partial& p : partials) {
            double a = p.level * std::exp(-t / p.decaySeconds);
            s += a * std::sin(2.0 * PI * C4_HZ * p.ratio * t);
            env += a;
        }
        // The mallet's contact: 4 ms of softened noise.
        clickLow += 0.35 * (noise.Next() - clickLow);
        double click = 0.18 * clickLow * std::exp(-t / 0.0012);
        const double g = Ramp(i, attack, releaseStart, releaseEnd);
        signal[i] = (s + click) * g;
        envelope[i] = env * g;
    }
    LowPassAndNormalise(signal, 6000.0);
    return ToUnsigned8(signal, envelope);
}

std::vector<uint8_t> PluckedString()
{
    // A plucked-string model: a delay line one period long, excited with
    // filtered noise and fed back through a gentle low-pass and a loss factor.
    const size_t n = OUTPUT_RATE * 13 / 10;  // 1.3 s
    const size_t attack = OUTPUT_RATE / 2000;
    const size_t releaseEnd = n - 1500;
    const size_t releaseStart = releaseEnd - OUTPUT_RATE / 5;
    const double period = OUTPUT_RATE / C4_HZ;
    const size_t len = static_cast<size_t>(period);
    const double frac = period - static_cast<double>(len);  // tuned by an allpass
    const double allpass = (1.0 - frac) / (1.0 + frac);

    std::vector<double> line(len);
    Noise noise;
    double low = 0.0;
    for (double& v : line) {
        low += 0.22 * (noise.Next() - low);  // a soft pluck: little above 4 kHz
        v = low;
    }
    double mean = 0.0;
    for (double v : line) mean += v;
    mean /= static_cast<double>(len);
    double peak = 0.0;
    for (double& v : line) peak = std::max(peak, std::fabs(v -= mean));
    for (double& v : line) v /= peak;

    std::vector<double> signal(n), envelope(n);
    size_t pos = 0;
    double apState = 0.0, apIn = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const size_t next = (pos + 1) % len;
        double filtered = 0.996 * 0.5 * (line[pos] + line[next]);
        double tuned = allpass * filtered + apIn - allpass * apState;
        apIn = filtered;
        apState = tuned;
        const double out = line[pos];
        line[pos] = tuned;
        pos = next;
        const double g = Ramp(i, attack, releaseStart, releaseEnd);
        signal[i] = out * g;
        envelope[i] = std::exp(-static_cast<double>(i) / (0.45 * OUTPUT_RATE)) * g;
    }
    LowPassAndNormalise(signal, 3500.0);
    return ToUnsigned8(signal, envelope);
}

std::vector<uint8_t> WaveFile(const std::vector<uint8_t>& samples, uint32_t rate)
{
    auto put32 = [](std::vector<uint8_t>& f, uint32_t v) {
        for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [](std::vector<uint8_t>& f, uint16_t v) {
        f.push_back(static_cast<uint8_t>(v));
        f.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [](std::vector<uint8_t>& f, const char* t) { f.insert(f.end(), t, t + 4); };
    const uint32_t size = static_cast<uint32_t>(samples.size());
    std::vector<uint8_t> f;
    tag(f, "RIFF");
    put32(f, 36 + size);
    tag(f, "WAVE");
    tag(f, "fmt ");
    put32(f, 16);
    put16(f, 1);     // PCM
    put16(f, 1);     // mono
    put32(f, rate);
    put32(f, rate);  // bytes per second
    put16(f, 1);     // bytes per frame
    put16(f, 8);     // bits per sample
    tag(f, "data");
    put32(f, size);
    f.insert(f.end(), samples.begin(), samples.end());
    return f;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace assets
