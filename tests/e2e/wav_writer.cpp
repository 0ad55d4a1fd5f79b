// Builds the end-to-end tests' WAV files in memory: the canonical header with
// any field spoiled on request, pure tones, and the table of named kinds.
#include "tests/e2e/wav_writer.h"

#include <cmath>
#include <cstdio>

namespace e2e {

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr uint32_t FORMAT_CHUNK_BYTES = 16;
constexpr uint32_t HEADER_BYTES_AFTER_SIZE_FIELD = 36;  // "WAVE", fmt chunk, data header

void Put4(std::vector<uint8_t>& out, const std::string& fourcc)
{
    for (size_t i = 0; i < 4; ++i) out.push_back(i < fourcc.size() ? static_cast<uint8_t>(fourcc[i]) : ' ');
}

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutFormatChunk(std::vector<uint8_t>& out, const WavLayout& layout)
{
    const uint16_t blockAlign = static_cast<uint16_t>(layout.channels * layout.bitsPerSample / 8);
    Put4(out, "fmt ");
    Put32(out, FORMAT_CHUNK_BYTES);
    Put16(out, layout.formatTag);
    Put16(out, layout.channels);
    Put32(out, layout.rate);
    Put32(out, layout.rate * blockAlign);
    Put16(out, blockAlign);
    Put16(out, layout.bitsPerSample);
}

WavLayout Bank(std::vector<uint8_t> data)
{
    WavLayout layout;
    layout.data = std::move(data);
    return layout;
}

std::vector<uint8_t> Silence(size_t bytes) { return std::vector<uint8_t>(bytes, 128); }

// One named kind: what it is for, and how it is made from the options.
struct Kind {
    const char* name;
    const char* meaning;
    WavLayout (*make)(const WavOptions&);
};

const Kind KINDS[] = {
    {"tone", "sample bank: a pure tone (--hz, --ms, --amp)",
     [](const WavOptions& o) { return Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate)); }},
    {"silence", "sample bank: --bytes samples of the silent level",
     [](const WavOptions& o) { return Bank(Silence(o.bytes)); }},
    {"format", "format file: 8-bit mono PCM at --rate with --bytes data bytes",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.rate = o.rate;
         return s;
     }},
    {"riff-lowercase", "sample bank whose header begins \"riff\"",
     [](const WavOptions& o) {
         WavLayout s = Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate));
         s.riffMagic = "riff";
         return s;
     }},
    {"not-wave", "sample bank with \"WAVX\" where \"WAVE\" belongs",
     [](const WavOptions& o) {
         WavLayout s = Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate));
         s.waveMagic = "WAVX";
         return s;
     }},
    {"short-header", "a RIFF/WAVE file of 20 bytes, shorter than the 44-byte header",
     [](const WavOptions& o) {
         WavLayout s = Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate));
         s.truncateTo = 20;
         return s;
     }},
    {"riff-size-1000", "sample bank whose RIFF size is 1000 (a voice needs more)",
     [](const WavOptions&) {
         WavLayout s = Bank(Silence(964));
         s.riffSize = 1000;
         return s;
     }},
    {"riff-size-over-8mib", "sample bank whose RIFF size is 8 MiB + 1",
     [](const WavOptions& o) {
         WavLayout s = Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate));
         s.riffSize = 8u * 1024 * 1024 + 1;
         return s;
     }},
    {"stereo16", "sample bank of 16-bit stereo PCM (loaded as raw bytes all the same)",
     [](const WavOptions& o) {
         WavLayout s = Bank(PureTone(o.hz, o.ms, o.amplitude, o.rate));
         s.channels = 2;
         s.bitsPerSample = 16;
         return s;
     }},
    {"not-riff", "format file that is not a RIFF file at all",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.riffMagic = "TEXT";
         s.waveMagic = "FILE";
         return s;
     }},
    {"no-fmt", "format file without a \"fmt \" chunk",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.withFormatChunk = false;
         return s;
     }},
    {"format-tag2", "format file whose format tag is 2, not PCM",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.formatTag = 2;
         return s;
     }},
    {"no-data", "format file without a \"data\" chunk",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.withDataChunk = false;
         return s;
     }},
    {"data-empty", "format file whose data chunk holds 0 bytes",
     [](const WavOptions&) { return Bank({}); }},
    {"format-cut", "format file cut short 10 bytes into its format chunk",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.truncateTo = 12 + 8 + 10;
         return s;
     }},
    {"data-cut", "format file cut short halfway through its data",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.truncateTo = 44 + o.bytes / 2;
         return s;
     }},
    {"data-short", "format file whose data chunk declares twice the bytes it holds",
     [](const WavOptions& o) {
         WavLayout s = Bank(Silence(o.bytes));
         s.dataSize = 2 * o.bytes;
         return s;
     }},
};

}  // namespace

std::vector<uint8_t> BuildWav(const WavLayout& layout)
{
    std::vector<uint8_t> body;
    Put4(body, layout.waveMagic);
    if (layout.withFormatChunk) PutFormatChunk(body, layout);
    if (layout.withDataChunk) {
        Put4(body, "data");
        Put32(body, layout.dataSize.value_or(static_cast<uint32_t>(layout.data.size())));
        body.insert(body.end(), layout.data.begin(), layout.data.end());
    }
    std::vector<uint8_t> file;
    Put4(file, layout.riffMagic);
    const uint32_t natural = static_cast<uint32_t>(body.size());
    Put32(file, layout.riffSize.value_or(natural));
    file.insert(file.end(), body.begin(), body.end());
    if (layout.truncateTo && *layout.truncateTo < file.size()) file.resize(*layout.truncateTo);
    return file;
}

std::vector<uint8_t> PureTone(double hz, double ms, int amplitude, double rate)
{
    const size_t n = static_cast<size_t>(std::lround(ms * rate / 1000.0));
    std::vector<uint8_t> samples(n);
    for (size_t i = 0; i < n; ++i) {
        const double v = 128.0 + amplitude * std::sin(2.0 * PI * hz * static_cast<double>(i) / rate);
        samples[i] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
    }
    return samples;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

std::optional<std::vector<uint8_t>> NamedWav(const std::string& kind, const WavOptions& options)
{
    for (const Kind& k : KINDS)
        if (kind == k.name) return BuildWav(k.make(options));
    return std::nullopt;
}

const std::vector<std::string>& NamedWavKinds()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        for (const Kind& k : KINDS) out.push_back(std::string(k.name) + "\t" + k.meaning);
        return out;
    }();
    return lines;
}

}  // namespace e2e
