// The table of WAV shapes. Every file holds a 441 Hz tone (or its bytes), so
// whichever role it plays, a key that starts the program's voices is heard.
#include "tests/e2e/wav_shapes.h"

#include <cmath>
#include <optional>

#include "tests/e2e/wav_writer.h"

namespace e2e {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t MIB = 1024 * 1024;
constexpr uint32_t BANK_CAP = 8 * MIB;
constexpr uint32_t TONE_BYTES = 4410;  // 100 ms at 44100 Hz, 8-bit mono
const std::string TOO_FEW = "WAVE FILE NAME HOLDS TOO FEW SAMPLES (RIFF SIZE MUST EXCEED 1000)";
const std::string NOT_WAVE = "ERROR OPENING WAVE FILE";

void Put16(Bytes& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutId(Bytes& out, const char* id)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes Chunk(const char* id, const Bytes& body, std::optional<uint32_t> declared = std::nullopt, bool pad = true)
{
    return WavChunk(id, body, declared, pad);
}

Bytes Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& extra = {})
{
    return FormatBody(tag, channels, rate, bits, extra);
}

Bytes Pcm(uint16_t channels, uint32_t rate, uint16_t bits) { return Chunk("fmt ", Format(1, channels, rate, bits)); }

Bytes Tone8(uint32_t bytes) { return PureTone(441.0, bytes * 1000.0 / 44100.0, 100, 44100.0); }

// `frames` frames of a 441 Hz tone at 44100 Hz as signed little-endian
// samples of `bits` bits, the same in every channel.
Bytes ToneWide(uint32_t frames, uint16_t channels, uint16_t bits)
{
    Bytes out;
    const double full = std::ldexp(1.0, bits - 1) - 1.0;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = 0.4 * full * std::sin(2.0 * 3.14159265358979323846 * 441.0 * i / 44100.0);
        const int64_t s = std::llround(v);
        for (uint16_t c = 0; c < channels; ++c)
            for (int b = 0; b < bits / 8; ++b) out.push_back(static_cast<uint8_t>(uint64_t(s) >> (8 * b)));
    }
    return out;
}

Bytes Info()
{
    Bytes list;
    PutId(list, "INFO");
    Append(list, Chunk("ISFT", {'s', 'o', 'u', 'n', 'd', ' ', 'e', 'd', 'i', 't', 'o', 'r', 0}));
    Append(list, Chunk("INAM", {'t', 'o', 'n', 'e', 0}));
    return list;
}

Bytes Fact(uint32_t frames)
{
    Bytes f;
    Put32(f, frames);
    return f;
}

uint32_t RiffSizeOf(const Bytes& file) { return file.size() >= 8 ? uint32_t(file[4]) | uint32_t(file[5]) << 8 | uint32_t(file[6]) << 16 | uint32_t(file[7]) << 24 : 0; }

WavShape Shape(std::string name, std::string meaning, Bytes bytes, std::string asFormat, std::string asBank)
{
    WavShape s{std::move(name), std::move(meaning), std::move(bytes), std::move(asFormat), std::move(asBank), 0};
    if (s.asBank == LOADS) {
        const uint32_t riff = RiffSizeOf(s.bytes);
        s.bankLength = riff > BANK_CAP ? BANK_CAP : riff;
    }
    return s;
}

std::vector<WavShape> MakeShapes()
{
    std::vector<WavShape> all;
    const Bytes tone = Chunk("data", Tone8(TONE_BYTES));
    const Bytes pcm8 = Pcm(1, 44100, 8);

    all.push_back(Shape("pcm8-mono-44100", "the canonical 44-byte header", RiffWave({pcm8, tone}), STARTS, LOADS));
    for (uint32_t rate : {8000u, 11000u, 11025u, 16000u, 22050u, 22255u})
        all.push_back(Shape("pcm8-mono-" + std::to_string(rate), "8-bit mono at " + std::to_string(rate) + " Hz",
                            RiffWave({Pcm(1, rate, 8), tone}), STARTS, LOADS));
    all.push_back(Shape("pcm8-stereo-22050", "8-bit stereo", RiffWave({Pcm(2, 22050, 8), tone}), STARTS, LOADS));
    all.push_back(Shape("pcm16-mono-44100", "16-bit mono",
                        RiffWave({Pcm(1, 44100, 16), Chunk("data", ToneWide(2205, 1, 16))}), STARTS, LOADS));
    all.push_back(Shape("pcm16-stereo-44100", "16-bit stereo",
                        RiffWave({Pcm(2, 44100, 16), Chunk("data", ToneWide(1102, 2, 16))}), STARTS, LOADS));
    all.push_back(Shape("pcm24-mono-44100", "24-bit mono: the device is asked",
                        RiffWave({Pcm(1, 44100, 24), Chunk("data", ToneWide(1470, 1, 24))}), STARTS, LOADS));
    // Wine's wave mapper says yes to 32-bit PCM when asked, then will not open
    // a device for it.
    all.push_back(Shape("pcm32-stereo-48000", "32-bit stereo: the device is asked",
                        RiffWave({Pcm(2, 48000, 32), Chunk("data", ToneWide(552, 2, 32))}),
                        "Failed To Open Wave Device", LOADS));

    // Extra chunks where sound programs put them.
    all.push_back(Shape("list-before-data", "a LIST INFO chunk between format and data",
                        RiffWave({pcm8, Chunk("LIST", Info()), tone}), STARTS, LOADS));
    all.push_back(Shape("list-after-data", "a LIST INFO chunk after the data",
                        RiffWave({pcm8, tone, Chunk("LIST", Info())}), STARTS, LOADS));
    all.push_back(Shape("fact-fmt18", "an 18-byte format chunk (cbSize 0) and a fact chunk",
                        RiffWave({Chunk("fmt ", Format(1, 1, 44100, 8, {0, 0})), Chunk("fact", Fact(TONE_BYTES)), tone}),
                        STARTS, LOADS));
    all.push_back(Shape("junk-before-fmt", "a JUNK chunk kept free for a later header, before the format",
                        RiffWave({Chunk("JUNK", Bytes(28, 0)), pcm8, tone}), STARTS, LOADS));
    {
        Bytes file = RiffWave({pcm8, tone, Chunk("LIST", Info(), 4096)});
        file.resize(44 + TONE_BYTES + 8 + 10);  // the LIST chunk cut short by a tool
        const uint32_t riff = 4 + 24 + 8 + TONE_BYTES + 8 + 4096;
        for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
        all.push_back(Shape("list-cut-after-data", "a LIST chunk after the data, cut short: the reader never visits it",
                            file, STARTS, LOADS));
    }

    // Odd sizes, and size fields a tool did not bring up to date.
    all.push_back(Shape("odd-data-padded", "4411 data bytes and their pad byte",
                        RiffWave({pcm8, Chunk("data", Tone8(TONE_BYTES + 1))}), STARTS, LOADS));
    all.push_back(Shape("odd-data-unpadded", "4411 data bytes, no pad byte, the file ends there",
                        RiffWave({pcm8, Chunk("data", Tone8(TONE_BYTES + 1), std::nullopt, false)}), STARTS, LOADS));
    all.push_back(Shape("riff-size-one-short", "the RIFF size one byte short",
                        RiffWave({pcm8, tone}, 4 + 24 + 8 + TONE_BYTES - 1), STARTS, LOADS));
    all.push_back(Shape("riff-size-one-long", "the RIFF size one byte long",
                        RiffWave({pcm8, tone}, 4 + 24 + 8 + TONE_BYTES + 1), STARTS, LOADS));
    all.push_back(Shape("riff-size-inside-data", "the RIFF size ends inside the data chunk (a stale header)",
                        RiffWave({pcm8, tone}, 4 + 24 + 8 + 100), STARTS, TOO_FEW));
    all.push_back(Shape("riff-size-inside-fmt", "the RIFF size ends inside the format chunk",
                        RiffWave({pcm8, tone}, 4 + 8 + 10), "No data sub Chunk", TOO_FEW));
    all.push_back(Shape("streamed-7ffff000", "a header written to a pipe: RIFF and data sizes 0x7FFFF000",
                        RiffWave({pcm8, Chunk("data", Tone8(TONE_BYTES), 0x7FFFF000u)}, 0x7FFFF000u),
                        "No MEM DT|Cannot Read Wave subchunk", LOADS));
    all.push_back(Shape("streamed-ffffffff", "a header written to a pipe: RIFF and data sizes 0xFFFFFFFF",
                        RiffWave({pcm8, Chunk("data", Tone8(TONE_BYTES), 0xFFFFFFFFu)}, 0xFFFFFFFFu),
                        "Corrupt Wave File", LOADS));
    all.push_back(Shape("data-size-ffffffff", "a true RIFF size, the data size 0xFFFFFFFF",
                        RiffWave({pcm8, Chunk("data", Tone8(TONE_BYTES), 0xFFFFFFFFu)}), "Cannot Read Wave subchunk",
                        LOADS));

    // Format chunks that are not a plain PCM format.
    {
        Bytes ext = {22, 0};   // cbSize
        Put16(ext, 16);        // valid bits
        Put32(ext, 3);         // front left and right
        Put32(ext, 1);         // the PCM sub-format's GUID
        for (uint8_t b : {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) ext.push_back(b);
        all.push_back(Shape("extensible-pcm16-stereo", "WAVE_FORMAT_EXTENSIBLE holding 16-bit stereo PCM",
                            RiffWave({Chunk("fmt ", Format(0xFFFE, 2, 44100, 16, ext)), Chunk("data", ToneWide(1102, 2, 16))}),
                            "NOT a pcm file", LOADS));
    }
    {
        Bytes fmt = Format(0x11, 1, 22050, 4, {2, 0, 0xF9, 0x01});  // IMA ADPCM, 505 samples a block
        fmt[12] = 0;  // block align 256
        fmt[13] = 1;
        all.push_back(Shape("ima-adpcm", "IMA ADPCM with its fact chunk",
                            RiffWave({Chunk("fmt ", fmt), Chunk("fact", Fact(8080)), Chunk("data", Tone8(TONE_BYTES))}),
                            "NOT a pcm file", LOADS));
    }
    all.push_back(Shape("fmt-2-bytes-tag2", "a 2-byte format chunk holding only the tag 2",
                        RiffWave({Chunk("fmt ", {2, 0}), tone}), "NOT a pcm file", LOADS));
    {
        Bytes fmt = Format(1, 1, 44100, 8);
        fmt.resize(14);  // no bits per sample
        all.push_back(Shape("fmt-14-bytes-pcm", "a 14-byte PCM format chunk: no bits per sample",
                            RiffWave({Chunk("fmt ", fmt), tone}), "Cannot Play Format", LOADS));
    }
    {
        Bytes fmt = Format(1, 1, 44100, 8);
        fmt.resize(65535);
        all.push_back(Shape("fmt-65535", "the largest format chunk the format memory holds",
                            RiffWave({Chunk("fmt ", fmt), tone}), STARTS, LOADS));
    }
    {
        Bytes fmt = Format(1, 1, 44100, 8);
        fmt.resize(65552);
        all.push_back(Shape("fmt-65552-riff-size-8", "RIFF size 8, then a 65552-byte PCM format chunk",
                            RiffWave({Chunk("fmt ", fmt), tone}, 8), "Format Chunk Too Large", TOO_FEW));
        Bytes file = Chunk("JUNK", Bytes(20, 0));
        Append(file, RiffWave({Chunk("fmt ", fmt), tone}));
        all.push_back(Shape("fmt-65552-after-junk", "a JUNK chunk, then RIFF WAVE with a 65552-byte format chunk",
                            file, "Format Chunk Too Large", NOT_WAVE));
    }
    all.push_back(Shape("size-wraps", "a chunk before the format whose size wraps the reader's position",
                        RiffWave({Chunk("LIST", Info(), 0xFFFFFFF0u), pcm8, tone}), "Corrupt Wave File", LOADS));

    all.push_back(Shape("long-recording", "9 MiB of 8-bit mono: a bank plays its first 8 MiB",
                        RiffWave({pcm8, Chunk("data", Tone8(9 * MIB))}), UNUSED, LOADS));
    return all;
}

}  // namespace

Bytes WavChunk(const char* id, const Bytes& body, std::optional<uint32_t> declared, bool pad)
{
    Bytes c;
    PutId(c, id);
    Put32(c, declared.value_or(static_cast<uint32_t>(body.size())));
    Append(c, body);
    if (pad && (body.size() & 1)) c.push_back(0);
    return c;
}

Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& extra)
{
    Bytes f;
    const uint32_t align = channels * ((bits + 7) / 8);
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * align);
    Put16(f, align);
    Put16(f, bits);
    Append(f, extra);
    return f;
}

Bytes RiffWave(const std::vector<Bytes>& chunks, std::optional<uint32_t> riffSize)
{
    Bytes body;
    PutId(body, "WAVE");
    for (const Bytes& c : chunks) Append(body, c);
    Bytes file;
    PutId(file, "RIFF");
    Put32(file, riffSize.value_or(static_cast<uint32_t>(body.size())));
    Append(file, body);
    return file;
}

const std::vector<WavShape>& WavShapes()
{
    static const std::vector<WavShape> shapes = MakeShapes();
    return shapes;
}

std::string BankText(const std::string& text, const std::string& fileName)
{
    const size_t at = text.find("NAME");
    return at == std::string::npos ? text : text.substr(0, at) + fileName + text.substr(at + 4);
}

}  // namespace e2e
