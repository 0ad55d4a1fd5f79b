// The format file's chunk walk: damaged sizes and unusable format chunks are
// refused before the RIFF reader sees them; everything else is left to it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/format_file.h"

namespace {

void Put32(std::vector<unsigned char>& f, uint32_t v)
{
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void Put16(std::vector<unsigned char>& f, uint16_t v)
{
    f.push_back(static_cast<unsigned char>(v));
    f.push_back(static_cast<unsigned char>(v >> 8));
}

void Chunk(std::vector<unsigned char>& f, const char* id, const std::vector<unsigned char>& body,
           uint32_t declared)
{
    // Byte by byte: GCC 12 misreads vector::insert of small ranges here.
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<unsigned char>(id[i]));
    Put32(f, declared);
    for (unsigned char b : body) f.push_back(b);
    if (body.size() & 1) f.push_back(0);
}

std::vector<unsigned char> PcmFormat(uint16_t tag = 1, uint16_t channels = 1, uint32_t rate = 44100,
                                     uint16_t bits = 8)
{
    std::vector<unsigned char> fmt;
    const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    Put16(fmt, tag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * align);
    Put16(fmt, align);
    Put16(fmt, bits);
    return fmt;
}

// A RIFF/WAVE file of the given chunks; riffSize 0 means the true size.
std::vector<unsigned char> Riff(const std::vector<unsigned char>& chunks, uint32_t riffSize = 0)
{
    std::vector<unsigned char> f = {'R', 'I', 'F', 'F'};
    Put32(f, riffSize ? riffSize : static_cast<uint32_t>(4 + chunks.size()));
    for (char c : {'W', 'A', 'V', 'E'}) f.push_back(static_cast<unsigned char>(c));
    for (unsigned char b : chunks) f.push_back(b);
    return f;
}

FormatFileFault Check(const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    FormatFileFault fault = CheckFormatFile(f);
    std::fclose(f);
    return fault;
}

std::vector<unsigned char> Chunks(std::initializer_list<std::vector<unsigned char>> parts)
{
    std::vector<unsigned char> all;
    for (const auto& p : parts)
        for (unsigned char b : p) all.push_back(b);
    return all;
}

std::vector<unsigned char> ChunkBytes(const char* id, const std::vector<unsigned char>& body,
                                      int64_t declared = -1)
{
    std::vector<unsigned char> c;
    Chunk(c, id, body, declared < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(declared));
    return c;
}

TEST(FormatFile, WellFormedFilesPass)
{
    const std::vector<unsigned char> data(1024, 128);
    EXPECT_EQ(Check(Riff(Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("data", data)}))),
              FormatFileFault::None);
    // An 18-byte format, an odd-sized chunk with its pad byte, and a chunk
    // after the data.
    std::vector<unsigned char> fmt18 = PcmFormat(1, 2, 22050, 16);
    fmt18.push_back(0);
    fmt18.push_back(0);
    EXPECT_EQ(Check(Riff(Chunks({ChunkBytes("fmt ", fmt18), ChunkBytes("LIST", {1, 2, 3}),
                                 ChunkBytes("data", data), ChunkBytes("cue ", {9})}))),
              FormatFileFault::None);
}

TEST(FormatFile, FilesTheRiffReaderReportsItselfAreLeftToIt)
{
    const std::vector<unsigned char> data(16, 128);
    struct Case { std::vector<unsigned char> file; const char* what; };
    std::vector<unsigned char> notWave = Riff(Chunks({ChunkBytes("fmt ", PcmFormat())}));
    std::memcpy(&notWave[8], "AVI ", 4);
    const Case cases[] = {
        {{}, "empty file"},
        {{'R', 'I', 'F'}, "three bytes"},
        {notWave, "RIFF but not WAVE"},
        {Riff(ChunkBytes("data", data)), "no format chunk"},
        {Riff(ChunkBytes("fmt ", PcmFormat())), "no data chunk"},
        {Riff(Chunks({ChunkBytes("fmt ", PcmFormat(2)), ChunkBytes("data", data)})), "not PCM"},
    };
    for (const Case& c : cases) EXPECT_EQ(Check(c.file), FormatFileFault::None) << c.what;
}

TEST(FormatFile, ChunkSizesThatRunPastTheFileAreCorrupt)
{
    const std::vector<unsigned char> data(64, 128);
    const auto good = Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("data", data)});
    struct Case { std::vector<unsigned char> file; const char* what; };
    const Case cases[] = {
        {Riff(good, 2), "RIFF size smaller than its form type"},
        {Riff(good, 4 + 24 + 8 + 32), "data past the RIFF size inside the file"},
        {Riff(Chunks({ChunkBytes("LIST", {}, 0xFFFFFFFFu), ChunkBytes("fmt ", PcmFormat())})), "huge chunk"},
        {Riff(Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("LIST", {1, 2}, 40000)})),
         "a chunk the reader steps over, past the end"},
        {Riff(Chunks({ChunkBytes("LIST", {1, 2}, 40000), ChunkBytes("fmt ", PcmFormat())}), 0xFFFFFFF0u),
         "the same in a file whose RIFF size runs past the end"},
    };
    for (const Case& c : cases) EXPECT_EQ(Check(c.file), FormatFileFault::Corrupt) << c.what;
}

TEST(FormatFile, AFileCutShortInsideItsFormatOrDataIsLeftToTheReader)
{
    // The reader's read of the last chunk comes up short and it shows its own
    // text: "Cannot Read Format Chunk" or "Cannot Read Wave subchunk".
    const std::vector<unsigned char> data(64, 128);
    const auto good = Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("data", data)});
    auto cut = [](std::vector<unsigned char> file, size_t size) {
        file.resize(size);
        return file;
    };
    struct Case { std::vector<unsigned char> file; const char* what; };
    const Case cases[] = {
        {Riff(good, 0xFFFFFFF0u), "RIFF size past the end, chunks whole"},
        {Riff(Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("data", data, 65)})), "data one byte short"},
        {Riff(Chunks({ChunkBytes("fmt ", PcmFormat()), ChunkBytes("data", data, 0xFFFFFFFFu)})),
         "data declaring 4 GiB"},
        {cut(Riff(good), 12 + 8 + 16 + 8 + 10), "file cut inside the data"},
        {cut(Riff(good), 12 + 8 + 10), "file cut inside the format"},
        {cut(Riff(good), 12 + 8 + 16 + 4), "file cut inside the data chunk's header"},
    };
    for (const Case& c : cases) EXPECT_EQ(Check(c.file), FormatFileFault::None) << c.what;
    // What the walk checks of a format chunk's size still holds when it is cut.
    std::vector<unsigned char> hugeFmt = PcmFormat();
    hugeFmt.resize(100);
    EXPECT_EQ(Check(cut(Riff(ChunkBytes("fmt ", hugeFmt, 70000)), 12 + 8 + 100)), FormatFileFault::FormatTooLarge);
}

TEST(FormatFile, FormatChunksThatCannotHoldAFormatAreRefused)
{
    const auto data = ChunkBytes("data", std::vector<unsigned char>(64, 128));
    std::vector<unsigned char> shortFmt = PcmFormat();
    shortFmt.resize(14);
    EXPECT_EQ(Check(Riff(Chunks({ChunkBytes("fmt ", shortFmt), data}))), FormatFileFault::FormatTooSmall);
    std::vector<unsigned char> hugeFmt = PcmFormat();
    hugeFmt.resize(FORMAT_CHUNK_LIMIT);
    EXPECT_EQ(Check(Riff(Chunks({ChunkBytes("fmt ", hugeFmt), data}))), FormatFileFault::FormatTooLarge);
    hugeFmt.resize(FORMAT_CHUNK_LIMIT - 1);
    EXPECT_EQ(Check(Riff(Chunks({ChunkBytes("fmt ", hugeFmt), data}))), FormatFileFault::None);
}

TEST(FormatFile, PcmFormatsWithContradictoryFieldsAreRefused)
{
    const auto data = ChunkBytes("data", std::vector<unsigned char>(64, 128));
    auto withField = [&](size_t offset, uint32_t value, int width) {
        std::vector<unsigned char> fmt = PcmFormat();
        for (int i = 0; i < width; ++i) fmt[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        return Check(Riff(Chunks({ChunkBytes("fmt ", fmt), data})));
    };
    EXPECT_EQ(withField(2, 0, 2), FormatFileFault::FormatInvalid) << "no channels";
    EXPECT_EQ(withField(4, 0, 4), FormatFileFault::FormatInvalid) << "rate 0";
    EXPECT_EQ(withField(8, 12345, 4), FormatFileFault::FormatInvalid) << "bytes per second";
    EXPECT_EQ(withField(12, 0, 2), FormatFileFault::FormatInvalid) << "block align 0";
    EXPECT_EQ(withField(14, 7, 2), FormatFileFault::FormatInvalid) << "7 bits";
    EXPECT_STREQ(FormatFileFaultText(FormatFileFault::FormatInvalid), "Cannot Play Format");
    EXPECT_STREQ(FormatFileFaultText(FormatFileFault::Corrupt), "Corrupt Wave File");
    EXPECT_EQ(FormatFileFaultText(FormatFileFault::None), nullptr);
}

}  // namespace
