// Reads what the program played, as captured from the sound server (raw
// 8-bit unsigned mono at 44100 Hz), and writes the test files the end-to-end
// tests give the program.
//   capture_analyze onsets CAPTURE        one line per sound: onset ms, frequency Hz
//   capture_analyze gaps CAPTURE          drop-outs inside a sustained sound
//   capture_analyze wav KIND FILE         write a test WAV (tone, long-tone, riff, tag2, empty, tiny, corrupt)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double RATE = 44100.0;
// Deviation from the silent level 128 that counts as sound, and the silence
// that must come before an onset (shorter pauses belong to the same sound).
constexpr int SOUND_LEVEL = 8;
constexpr size_t SILENCE_BEFORE_ONSET = 441 * 3;  // 30 ms
constexpr size_t MEASURE_SKIP = 441;              // 10 ms past the onset
constexpr size_t MEASURE_LENGTH = 441 * 8;        // 80 ms measured

std::vector<uint8_t> ReadAll(const char* path)
{
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

bool Loud(uint8_t s) { return std::abs(int(s) - 128) > SOUND_LEVEL; }

// Frequency from the times of upward crossings of the silent level, each
// placed between its two samples by linear interpolation.
double Frequency(const std::vector<uint8_t>& c, size_t from, size_t to)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < to && i < c.size(); ++i) {
        double a = c[i - 1] - 128.0, b = c[i] - 128.0;
        if (a < 0 && b >= 0) {
            double t = (i - 1) + (-a) / (b - a);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * RATE / (last - first) : 0.0;
}

int Onsets(const std::vector<uint8_t>& c)
{
    size_t quiet = SILENCE_BEFORE_ONSET;
    for (size_t i = 0; i < c.size(); ++i) {
        if (!Loud(c[i])) {
            ++quiet;
            continue;
        }
        if (quiet >= SILENCE_BEFORE_ONSET)
            std::printf("%.1f %.2f\n", i * 1000.0 / RATE, Frequency(c, i + MEASURE_SKIP, i + MEASURE_SKIP + MEASURE_LENGTH));
        quiet = 0;
    }
    return 0;
}

// A drop-out shows as the stream holding one value (the device played
// nothing new) for at least 2 ms in the middle of a sounding stretch.
int Gaps(const std::vector<uint8_t>& c)
{
    size_t gaps = 0, run = 1, sounding = 0;
    for (size_t i = 1; i < c.size(); ++i) {
        run = c[i] == c[i - 1] ? run + 1 : 1;
        if (Loud(c[i])) ++sounding;
        if (run == 88 && sounding > 0 && i + 1000 < c.size()) ++gaps;
    }
    std::printf("%zu gaps in %.1f s, %.1f s sounding\n", gaps, c.size() / RATE, sounding / RATE);
    return 0;
}

void Put32(std::vector<uint8_t>& f, uint32_t v)
{
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& f, uint16_t v)
{
    f.push_back(static_cast<uint8_t>(v));
    f.push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> Wave(const std::vector<uint8_t>& data, uint16_t tag, const char* riff = "RIFF")
{
    std::vector<uint8_t> f(riff, riff + 4);
    Put32(f, static_cast<uint32_t>(36 + data.size()));
    for (const char* t : {"WAVE", "fmt "}) f.insert(f.end(), t, t + 4);
    Put32(f, 16);
    Put16(f, tag);
    Put16(f, 1);
    Put32(f, 44100);
    Put32(f, 44100);
    Put16(f, 1);
    Put16(f, 8);
    f.insert(f.end(), {'d', 'a', 't', 'a'});
    Put32(f, static_cast<uint32_t>(data.size()));
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

int WriteWav(const std::string& kind, const char* path)
{
    std::vector<uint8_t> f;
    if (kind == "tone" || kind == "long-tone") {
        // 441 Hz, 100 samples a period, starting from silence: 0.4 s, so that
        // keys a second apart are heard apart, or 30 s for a sustained sound.
        std::vector<uint8_t> d(kind == "tone" ? 17640 : 1323000);
        for (size_t i = 0; i < d.size(); ++i)
            d[i] = static_cast<uint8_t>(std::lround(128 + 110 * std::sin(2 * M_PI * 441.0 * i / RATE)));
        f = Wave(d, 1);
    } else if (kind == "riff") {
        f = Wave(std::vector<uint8_t>(5000, 128), 1, "riff");
    } else if (kind == "tag2") {
        f = Wave(std::vector<uint8_t>(1024, 128), 2);
    } else if (kind == "empty") {
        f = Wave({}, 1);
    } else if (kind == "tiny") {
        f = Wave(std::vector<uint8_t>(100, 128), 1);  // RIFF size 136: too few samples
    } else if (kind == "corrupt") {
        f = Wave(std::vector<uint8_t>(1024, 128), 1);
        f[40] = 0xFF;  // the data chunk claims more than the file holds
        f[41] = 0xFF;
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return 1;
    std::fwrite(f.data(), 1, f.size(), out);
    return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "onsets") == 0) return Onsets(ReadAll(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "gaps") == 0) return Gaps(ReadAll(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "wav") == 0) return WriteWav(argv[2], argv[3]);
    std::fprintf(stderr, "usage: capture_analyze onsets|gaps CAPTURE | wav KIND FILE\n");
    return 2;
}
