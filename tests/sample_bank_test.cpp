// Loading sample banks from real files: what a bank holds, and every refusal
// with the text the player is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "audio/sample_bank.h"
#include "audio/voices.h"

namespace {

struct RecordedErrors : SampleBankErrors {
    std::vector<std::string> texts;
    void Fail(const char* text) override { texts.emplace_back(text); }
};

// A canonical 44-byte header with the given RIFF size, followed by `samples`.
std::vector<unsigned char> WaveFile(int32_t riffSize, const std::vector<unsigned char>& samples,
                                    const char* riff = "RIFF", const char* wave = "WAVE")
{
    std::vector<unsigned char> f(44 + samples.size(), 0);
    std::memcpy(&f[0], riff, 4);
    std::memcpy(&f[4], &riffSize, 4);
    std::memcpy(&f[8], wave, 4);
    std::memcpy(&f[12], "fmt ", 4);
    std::memcpy(&f[36], "data", 4);
    std::copy(samples.begin(), samples.end(), f.begin() + 44);
    return f;
}

class SampleBankTest : public ::testing::Test {
protected:
    std::string dir;
    RecordedErrors errors;

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     (std::string("quaverton-bank-") + test->name());
        std::filesystem::remove_all(path);
        ASSERT_TRUE(std::filesystem::create_directory(path));
        dir = path.generic_string();
    }
    void TearDown() override
    {
        FreeSampleBanks();
        std::filesystem::remove_all(dir);
    }

    std::string Write(const char* name, const std::vector<unsigned char>& bytes)
    {
        std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }

    // Loads `bytes` as bank 1 and returns the single refusal text, or "".
    std::string Refusal(const std::vector<unsigned char>& bytes)
    {
        errors.texts.clear();
        std::string path = Write("SAMPLE2.WAV", bytes);
        bool loaded = LoadSampleBank(1, path.c_str(), errors);
        EXPECT_EQ(loaded, errors.texts.empty());
        EXPECT_LE(errors.texts.size(), 1u);
        return errors.texts.empty() ? "" : errors.texts[0];
    }
};

TEST_F(SampleBankTest, BankHoldsTheFileFromByte44OnForRiffSizeBytes)
{
    std::vector<unsigned char> samples(5000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<unsigned char>(i * 7);
    // RIFF size 5036 in a canonical file: 36 bytes of the bank lie past the end.
    auto file = WaveFile(5036, samples);
    ASSERT_TRUE(LoadSampleBank(1, Write("a.wav", file).c_str(), errors));
    ASSERT_TRUE(LoadSampleBank(2, Write("b.wav", WaveFile(2000, samples)).c_str(), errors));
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(samp1length, 5036);
    EXPECT_EQ(samp2length, 2000);
    EXPECT_EQ(sptemp, string);
    EXPECT_EQ(sptemp2, string2);
    EXPECT_EQ(0, std::memcmp(string, samples.data(), 5000));
    for (int i = 5000; i < 5036; ++i) ASSERT_EQ(string[i], SILENT_LEVEL) << "unfilled byte " << i;
    EXPECT_EQ(0, std::memcmp(string2, samples.data(), 2000)) << "bytes past the RIFF size are not read";
}

TEST_F(SampleBankTest, HeaderBytesPastByte44AndLaterChunksArePartOfTheBank)
{
    // A file with an 18-byte format chunk: its data header lies after byte 44
    // and is played as samples, as are the bytes of a chunk after the data.
    std::vector<unsigned char> f = WaveFile(1100, {});
    f.insert(f.end(), {'d', 'a', 't', 'a', 4, 0, 0, 0, 1, 2, 3, 4, 'L', 'I', 'S', 'T'});
    f.resize(44 + 1100, 9);
    ASSERT_EQ(Refusal(f), "");
    EXPECT_EQ(0, std::memcmp(string, "data\4\0\0\0\1\2\3\4LIST", 16));
    EXPECT_EQ(string[1099], 9);
}

TEST_F(SampleBankTest, BadFilesAreRefusedWithTheirMessage)
{
    std::vector<unsigned char> enough(2000, SILENT_LEVEL);
    struct Case { std::vector<unsigned char> file; std::string text; const char* what; };
    const std::string tooFew = " HOLDS TOO FEW SAMPLES (RIFF SIZE MUST EXCEED 1000)";
    const Case cases[] = {
        {WaveFile(2000, enough, "riff"), "ERROR OPENING WAVE FILE", "lower-case riff"},
        {WaveFile(2000, enough, "RIFX"), "ERROR OPENING WAVE FILE", "RIFX"},
        {WaveFile(2000, enough, "RIFF", "AVI "), "ERROR OPENING WAVE FILE", "not WAVE"},
        {{}, "ERROR OPENING WAVE FILE", "empty file"},
        {{'R', 'I', 'F', 'F', 0x10, 0x27, 0, 0, 'W', 'A', 'V', 'E'}, "", "header cut short"},
        {WaveFile(1000, enough), "", "RIFF size 1000"},
        {WaveFile(0, enough), "", "RIFF size 0"},
    };
    for (const Case& c : cases) {
        std::string text = Refusal(c.file);
        std::string expected = c.text;
        if (expected.empty()) {
            int32_t size = 0;
            if (c.file.size() >= 8) std::memcpy(&size, &c.file[4], 4);
            expected = c.file.size() < 44 ? "WAVE FILE " + dir + "/SAMPLE2.WAV IS TOO SHORT FOR ITS 44-BYTE HEADER"
                                          : "WAVE FILE " + dir + "/SAMPLE2.WAV" + tooFew;
        }
        EXPECT_EQ(text, expected) << c.what;
        EXPECT_EQ(string, nullptr) << c.what << ": nothing is kept from a failed load";
        EXPECT_EQ(samp1length, 0) << c.what;
    }
}

TEST_F(SampleBankTest, LengthLimitsAreInclusive)
{
    EXPECT_EQ(Refusal(WaveFile(MIN_BANK_LENGTH, {})), "");
    EXPECT_EQ(samp1length, 1001);
    for (int i = 0; i < 1001; ++i) ASSERT_EQ(string[i], SILENT_LEVEL);
    FreeSampleBanks();
    EXPECT_EQ(Refusal(WaveFile(MAX_BANK_LENGTH, {})), "");
    EXPECT_EQ(samp1length, MAX_BANK_LENGTH);
}

TEST_F(SampleBankTest, ALongerFilePlaysItsFirstEightMebibytes)
{
    // Sizes of 2 GiB and more are long files too: a header written to a pipe
    // says 0xFFFFFFFF.
    std::vector<unsigned char> samples(3000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<unsigned char>(i * 5);
    for (int32_t riffSize : {MAX_BANK_LENGTH + 1, 0x7FFFFFFF, -5, -1}) {
        ASSERT_EQ(Refusal(WaveFile(riffSize, samples)), "") << riffSize;
        EXPECT_EQ(samp1length, MAX_BANK_LENGTH) << riffSize;
        EXPECT_EQ(0, std::memcmp(string, samples.data(), samples.size()));
        EXPECT_EQ(string[samples.size()], SILENT_LEVEL);
        EXPECT_EQ(string[MAX_BANK_LENGTH - 1], SILENT_LEVEL);
        FreeSampleBanks();
    }
    // A file longer than the cap: nothing past it is read.
    std::vector<unsigned char> longer(MAX_BANK_LENGTH + 100, 7);
    longer[MAX_BANK_LENGTH - 1] = 9;
    ASSERT_EQ(Refusal(WaveFile(MAX_BANK_LENGTH + 136, longer)), "");
    EXPECT_EQ(samp1length, MAX_BANK_LENGTH);
    EXPECT_EQ(string[MAX_BANK_LENGTH - 1], 9);
}

TEST_F(SampleBankTest, MissingFilesAreNamedInTheMessage)
{
    for (const char* name : {"SAMPLE2.WAV", "SAMPLE.WAV"}) {
        errors.texts.clear();
        std::string path = dir + "/" + name;
        EXPECT_FALSE(LoadSampleBank(name[6] == '2' ? 1 : 2, path.c_str(), errors));
        ASSERT_EQ(errors.texts.size(), 1u);
        EXPECT_EQ(errors.texts[0], "ERROR OPENING WAVE FILE " + path);
    }
}

TEST_F(SampleBankTest, AShortFileIsNotJudgedByTheHeaderReadBeforeIt)
{
    ASSERT_EQ(Refusal(WaveFile(2000, std::vector<unsigned char>(2000))), "");
    FreeSampleBanks();
    EXPECT_EQ(Refusal({'R', 'I', 'F', 'F'}), "ERROR OPENING WAVE FILE");
}

}  // namespace
