// The format file's reading rules, through a model of the RIFF reader, and
// the sample banks' rules, on WAV files shaped as sound programs write them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/format_file.h"
#include "audio/sample_bank.h"
#include "tests/e2e/wav_shapes.h"
#include "tests/riff_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    const char* text = nullptr;
    uint32_t dataSize = 0;
    uint16_t memoryBytes = 0;
};

Outcome ReadAsFormat(const Bytes& file)
{
    ModelFormatReader reader(file.data(), file.size());
    Outcome o;
    const void* format = nullptr;
    o.text = ReadFormatFile(reader, &format, &o.dataSize);
    o.memoryBytes = reader.memoryBytes;
    return o;
}

std::vector<std::string> Split(const std::string& texts)
{
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t bar; (bar = texts.find('|', from)) != std::string::npos; from = bar + 1)
        out.push_back(texts.substr(from, bar - from));
    out.push_back(texts.substr(from));
    return out;
}

// Texts of the steps after the data chunk is entered (opening the device, the
// blocks' memory, the read into block 1), which the program's edge makes and
// the core never shows.
bool LaterStepText(const std::string& text)
{
    return text == "Failed To Open Wave Device" || text == "No MEM DT" || text == "Cannot Read Wave subchunk";
}

Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Id(const char* id) { return Bytes(id, id + 4); }

Bytes PcmFormat(uint16_t channels = 1, uint32_t rate = 44100, uint16_t bits = 8)
{
    return e2e::FormatBody(1, channels, rate, bits);
}

Bytes Chunk(const char* id, const Bytes& body, uint32_t declared) { return e2e::WavChunk(id, body, declared); }

Bytes Chunk(const char* id, const Bytes& body) { return e2e::WavChunk(id, body); }

Bytes Riff(const Bytes& chunks) { return e2e::RiffWave({chunks}); }

const Bytes DATA = Chunk("data", Bytes(64, 128));

TEST(FormatFile, EveryShapeAsTheFormatFileFollowsTheReadersSteps)
{
    for (const e2e::WavShape& shape : e2e::WavShapes()) {
        if (shape.asFormat == e2e::UNUSED) continue;
        const Outcome o = ReadAsFormat(shape.bytes);
        const std::string got = o.text ? o.text : "";
        if (shape.asFormat == e2e::STARTS) {
            EXPECT_EQ(got, "") << shape.name;
            continue;
        }
        bool expected = false;
        bool onlyLaterSteps = true;
        for (const std::string& text : Split(shape.asFormat)) {
            expected = expected || text == got;
            onlyLaterSteps = onlyLaterSteps && LaterStepText(text);
        }
        EXPECT_TRUE(expected || (o.text == nullptr && onlyLaterSteps))
            << shape.name << ": got '" << got << "', expected " << shape.asFormat;
    }
}

TEST(FormatFile, TheFormatMemoryAlwaysHoldsTheChunkRead)
{
    // Read into memory of exactly the size asked for: AddressSanitizer sees any
    // read past it. The count is bounded where it is taken, whatever the RIFF
    // size or the chunks before say.
    Bytes fmt = PcmFormat();
    fmt.resize(65552);
    const Bytes big = Chunk("fmt ", fmt);
    struct Case { Bytes file; const char* what; };
    const Case cases[] = {
        {Concat({Id("RIFF"), Le32(8), Id("WAVE"), big, DATA}), "RIFF size 8"},
        {Concat({Id("RIFF"), Le32(5), Id("WAVE"), big, DATA}), "RIFF size 5"},
        {Concat({Chunk("JUNK", Bytes(6, 0)), Riff(Concat({big, DATA}))}), "a chunk before the RIFF chunk"},
        {Riff(Concat({Chunk("fmt ", PcmFormat(), 65536), DATA})), "a 65536-byte chunk cut short"},
    };
    for (const Case& c : cases) {
        const Outcome o = ReadAsFormat(c.file);
        EXPECT_STREQ(o.text, "Format Chunk Too Large") << c.what;
        EXPECT_EQ(o.memoryBytes, 0) << c.what << ": nothing allocated";
    }
    fmt.resize(65535);
    const Outcome largest = ReadAsFormat(Riff(Concat({Chunk("fmt ", fmt), DATA})));
    EXPECT_EQ(largest.text, nullptr);
    EXPECT_EQ(largest.memoryBytes, 65535);
    // Short chunks get a whole zero-filled format to read.
    const Outcome tagOnly = ReadAsFormat(Riff(Concat({Chunk("fmt ", {2, 0}), DATA})));
    EXPECT_STREQ(tagOnly.text, "NOT a pcm file");
    EXPECT_EQ(tagOnly.memoryBytes, FORMAT_MEMORY_MIN);
    EXPECT_STREQ(ReadAsFormat(Riff(Concat({Chunk("fmt ", {}), DATA}))).text, "NOT a pcm file");
}

TEST(FormatFile, TheStepsGiveTheirOwnTexts)
{
    const Bytes fmt = Chunk("fmt ", PcmFormat());
    Bytes notWave = Riff(Concat({fmt, DATA}));
    std::memcpy(&notWave[8], "AVI ", 4);
    Bytes cutInFormat = Riff(Concat({fmt, DATA}));
    cutInFormat.resize(12 + 8 + 10);
    struct Case { Bytes file; const char* text; };
    const Case cases[] = {
        {{}, "Not A Wave File"},
        {notWave, "Not A Wave File"},
        {Riff(DATA), "Corrupt Wave File"},
        {cutInFormat, "Cannot Read Format Chunk"},
        {Riff(Concat({Chunk("fmt ", Concat({Bytes{2, 0}, PcmFormat()})), DATA})), "NOT a pcm file"},
        {Riff(fmt), "No data sub Chunk"},
        {Riff(Concat({fmt, Chunk("data", {})})), "Data Size Zero"},
        {Riff(Concat({fmt, Chunk("data", Bytes(8, 128), 0x80000000u)})), "Cannot Read Wave subchunk"},
        // A RIFF size below its form type: the search for "fmt " starts outside it.
        {Concat({Id("RIFF"), Le32(2), Id("WAVE"), fmt, DATA}), "Corrupt Wave File"},
    };
    for (const Case& c : cases) EXPECT_STREQ(ReadAsFormat(c.file).text, c.text) << c.text;

    const Outcome good = ReadAsFormat(Riff(Concat({fmt, Chunk("LIST", {1, 2, 3}), Chunk("data", Bytes(777, 128))})));
    EXPECT_EQ(good.text, nullptr);
    EXPECT_EQ(good.dataSize, 777u);
}

TEST(FormatFile, PcmFormatsAreAskedOfTheDeviceOnlyWhenTheirFieldsAgree)
{
    auto withField = [](size_t offset, uint32_t value, int width, uint16_t bits = 8) {
        Bytes fmt = PcmFormat(1, 44100, bits);
        for (int i = 0; i < width; ++i) fmt[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        return ReadAsFormat(Riff(Concat({Chunk("fmt ", fmt), DATA}))).text;
    };
    EXPECT_STREQ(withField(2, 0, 2), "Cannot Play Format") << "no channels";
    EXPECT_STREQ(withField(4, 0, 4), "Cannot Play Format") << "rate 0";
    EXPECT_STREQ(withField(4, 5000000, 4), "Cannot Play Format") << "a rate no card offers";
    EXPECT_STREQ(withField(8, 12345, 4), "Cannot Play Format") << "bytes per second";
    EXPECT_STREQ(withField(12, 0, 2), "Cannot Play Format") << "block align 0";
    EXPECT_STREQ(withField(14, 7, 2), "Cannot Play Format") << "7 bits";
    // Wider samples go to the device, which says whether it plays them.
    EXPECT_EQ(withField(0, 1, 2, 24), nullptr) << "24 bits";
    EXPECT_EQ(withField(0, 1, 2, 32), nullptr) << "32 bits";
    Bytes wide = PcmFormat(1, 44100, 8);
    wide[14] = 64;
    wide[12] = 8;
    std::memcpy(&wide[8], Le32(44100 * 8).data(), 4);
    EXPECT_STREQ(ReadAsFormat(Riff(Concat({Chunk("fmt ", wide), DATA}))).text, "Cannot Play Format")
        << "the device refuses 64 bits";
}

// One search as the reader makes it, over bytes in memory.
RiffFind Search(const Bytes& bytes, uint32_t at, const RiffChunk* parent, uint32_t id, RiffChunk& chunk,
                uint32_t* next)
{
    ModelFormatReader file(bytes.data(), bytes.size());
    return SearchChunk(file, at, parent, id, chunk, next);
}

TEST(RiffSearch, StepsOverChunksAsTheReaderDoes)
{
    const Bytes file = Concat({Chunk("JUNK", {1, 2, 3}), Chunk("LIST", Bytes(4, 0)), Chunk("fmt ", PcmFormat())});
    RiffChunk chunk;
    uint32_t next = 0;
    ASSERT_EQ(Search(file, 0, nullptr, FMT_ID, chunk, &next), RiffFind::Found);
    EXPECT_EQ(chunk.dataOffset, 12u + 12u + 8u) << "the odd chunk's pad byte is stepped over";
    EXPECT_EQ(next, chunk.dataOffset);
    EXPECT_EQ(Search(file, 0, nullptr, DATA_ID, chunk, &next), RiffFind::NotFound);

    // A parent bounds only where the search starts, with the reader's own
    // 32-bit sum.
    RiffChunk parent;
    parent.dataOffset = 4;
    parent.size = 0xFFFFFFFF;
    EXPECT_EQ(Search(file, 0, &parent, FMT_ID, chunk, &next), RiffFind::NotFound);
    EXPECT_EQ(Search(file, 8, &parent, FMT_ID, chunk, &next), RiffFind::NotFound) << "4 + 0xFFFFFFFF wraps to 3";
    parent.size = 2;
    EXPECT_EQ(Search(file, 4, &parent, FMT_ID, chunk, &next), RiffFind::NotFound)
        << "a search from inside the parent reads the JUNK header at 4 as garbage and runs off the end";
    EXPECT_EQ(Search(file, 0, nullptr, RIFF_ID, chunk, &next), RiffFind::NotFound);
}

TEST(RiffSearch, ASizeThatWrapsThePositionIsEndless)
{
    Bytes file = Concat({Chunk("LIST", Bytes(4, 0), 0xFFFFFFF8u), Chunk("fmt ", PcmFormat())});
    RiffChunk chunk;
    uint32_t next = 0;
    EXPECT_EQ(Search(file, 0, nullptr, FMT_ID, chunk, &next), RiffFind::Endless);
    // A size of 0xFFFFFFFF pads to 0 and steps only over the header.
    file = Concat({Chunk("LIST", {}, 0xFFFFFFFFu), Chunk("fmt ", PcmFormat())});
    EXPECT_EQ(Search(file, 0, nullptr, FMT_ID, chunk, &next), RiffFind::Found);
    EXPECT_EQ(chunk.dataOffset, 16u);
}

TEST(RiffSearch, AHeaderCutShortKeepsTheCallersType)
{
    // "RIFF" and a size with no form type: the record keeps the type the
    // caller asked for, so the reader takes it for RIFF WAVE; the search for
    // "fmt " then starts past its data and finds nothing.
    const Bytes file = Concat({Id("RIFF"), Le32(4)});
    EXPECT_STREQ(ReadAsFormat(file).text, "Corrupt Wave File");
    Bytes source = Concat({Id("RIFF"), Le32(4), {'W', 'A'}});
    RiffChunk riff;
    riff.type = WAVE_TYPE;
    uint32_t next = 0;
    EXPECT_EQ(Search(source, 0, nullptr, RIFF_ID, riff, &next), RiffFind::Found);
    source[9] = 'O';  // "WO" and the caller's "VE"
    riff.type = WAVE_TYPE;
    EXPECT_EQ(Search(source, 0, nullptr, RIFF_ID, riff, &next), RiffFind::NotFound);
}

// ---- The same shapes as sample banks ----

class ShapeBankTest : public ::testing::Test {
protected:
    struct Texts : SampleBankErrors {
        std::vector<std::string> texts;
        void Fail(const char* text) override { texts.emplace_back(text); }
    };
    void TearDown() override { FreeSampleBanks(); }
};

TEST_F(ShapeBankTest, EveryShapeAsABankLoadsOrSaysWhyNot)
{
    const std::string path = ::testing::TempDir() + "SAMPLE2.WAV";
    for (const e2e::WavShape& shape : e2e::WavShapes()) {
        if (shape.asBank == e2e::UNUSED) continue;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(shape.bytes.data(), 1, shape.bytes.size(), f);
        std::fclose(f);
        Texts errors;
        const bool loaded = LoadSampleBank(1, path.c_str(), errors);
        if (shape.asBank != e2e::LOADS) {
            EXPECT_FALSE(loaded) << shape.name;
            ASSERT_EQ(errors.texts.size(), 1u) << shape.name;
            EXPECT_EQ(errors.texts[0], e2e::BankText(shape.asBank, path)) << shape.name;
            continue;
        }
        ASSERT_TRUE(loaded) << shape.name;
        EXPECT_EQ(samp1length, static_cast<int32_t>(shape.bankLength)) << shape.name;
        const size_t fromFile = std::min<size_t>(shape.bytes.size() - SAMPLE_HEADER_BYTES, shape.bankLength);
        EXPECT_EQ(std::memcmp(string, shape.bytes.data() + SAMPLE_HEADER_BYTES, fromFile), 0) << shape.name;
        for (size_t i = fromFile; i < shape.bankLength; i += 4096)
            ASSERT_EQ(string[i], SILENT_LEVEL) << shape.name << " at " << i;
        FreeSampleBanks();
    }
}

}  // namespace
