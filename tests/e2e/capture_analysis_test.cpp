// Checks the end-to-end tests' own instruments on synthetic signals: the
// capture analysis (onsets, frequency, drop-outs) and the WAV writer, so a
// failing end-to-end test points at the program, not at its measuring tools.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <unistd.h>

#include "tests/e2e/capture_analysis.h"
#include "tests/e2e/wav_writer.h"

namespace {

constexpr double RATE = 44100.0;

size_t Ms(double ms) { return static_cast<size_t>(std::lround(ms * RATE / 1000.0)); }

// A capture of `totalMs` of silence with a tone burst placed at each start.
e2e::Samples Bursts(double totalMs, const std::vector<double>& startsMs, double burstMs, double hz)
{
    e2e::Samples s(Ms(totalMs), 128);
    const e2e::Samples tone = e2e::PureTone(hz, burstMs, 50, RATE);
    for (double start : startsMs)
        for (size_t i = 0; i < tone.size(); ++i) s[Ms(start) + i] = tone[i];
    return s;
}

// What the program's mixer makes of a tone bank: one voice stepping through
// the bank by truncation, averaged with an idle voice at the silent level.
e2e::Samples VoicePlaying(const e2e::Samples& bank, float step, size_t outputSamples)
{
    e2e::Samples out;
    float position = 0;
    for (size_t i = 0; i < outputSamples; ++i) {
        position += step;
        const size_t index = static_cast<size_t>(position);
        if (index >= bank.size()) break;
        out.push_back(static_cast<uint8_t>((bank[index] + 128) >> 1));
    }
    return out;
}

TEST(SoundOnsets, AreFoundWhereEachBurstStartsAfterSilence)
{
    const auto s = Bursts(1500, {100, 500, 900}, 200, 441);
    const auto sounds = e2e::FindSounds(s, RATE, {});
    ASSERT_EQ(sounds.size(), 3u);
    const double expected[] = {100, 500, 900};
    for (size_t i = 0; i < 3; ++i) {
        // A sine starts at 128, so the first sample outside the band comes a
        // sample or two after the burst's first sample.
        EXPECT_NEAR(sounds[i].start * 1000.0 / RATE, expected[i], 0.1) << "sound " << i;
        EXPECT_NEAR(sounds[i].end * 1000.0 / RATE, expected[i] + 200, 1.5) << "sound " << i;
    }
}

TEST(SoundOnsets, ZeroCrossingsInsideOneToneDoNotSplitIt)
{
    for (double hz : {110.0, 441.0, 1138.0}) {
        const auto sounds = e2e::FindSounds(Bursts(800, {50}, 600, hz), RATE, {});
        EXPECT_EQ(sounds.size(), 1u) << hz << " Hz";
    }
}

TEST(SoundOnsets, NoiseWithinTwoOfTheSilentLevelIsSilence)
{
    e2e::Samples quiet(Ms(500));
    for (size_t i = 0; i < quiet.size(); ++i) quiet[i] = static_cast<uint8_t>(126 + i % 5);  // 126..130
    EXPECT_TRUE(e2e::FindSounds(quiet, RATE, {}).empty());

    e2e::Samples louder = quiet;
    louder[Ms(250)] = 131;
    const auto sounds = e2e::FindSounds(louder, RATE, {});
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].start, Ms(250));
}

TEST(SoundOnsets, APauseShorterThanTheSilenceRuleBelongsToTheSound)
{
    const auto s = Bursts(1000, {100, 310}, 200, 441);  // 10 ms apart
    EXPECT_EQ(e2e::FindSounds(s, RATE, {}).size(), 1u);
    e2e::SilenceRule shortSilence;
    shortSilence.minSilenceMs = 5;
    EXPECT_EQ(e2e::FindSounds(s, RATE, shortSilence).size(), 2u);
}

// A drained stream as captured here: 8 ms at the silent level, then 15 ms
// held at 0, then silence. The hold is the device playing nothing, not sound.
TEST(SoundOnsets, AValueHeldAfterAToneIsNotPartOfIt)
{
    auto s = Bursts(1000, {100}, 400, 441);
    std::fill(s.begin() + Ms(508), s.begin() + Ms(523), 0);
    const auto sounds = e2e::FindSounds(s, RATE, {});
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_NEAR(static_cast<double>(sounds[0].end), Ms(500), Ms(1)) << "the tone's 400 ms, not 423";

    e2e::Samples heldAlone(Ms(300), 128);
    std::fill(heldAlone.begin() + Ms(100), heldAlone.begin() + Ms(140), 0);
    EXPECT_TRUE(e2e::FindSounds(heldAlone, RATE, {}).empty()) << "40 ms held at 0 is no sound";
    e2e::SilenceRule levelOnly;
    levelOnly.dropOutsSilent = false;
    EXPECT_EQ(e2e::FindSounds(heldAlone, RATE, levelOnly).size(), 1u) << "but it is by the level alone";
}

TEST(SoundOnsets, ASoundAtTheVeryStartOfTheCaptureStartsAtZero)
{
    const auto sounds = e2e::FindSounds(Bursts(300, {0}, 300, 441), RATE, {});
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_LE(sounds[0].start, 2u);
    EXPECT_EQ(sounds[0].end, Ms(300)) << "the burst lasts to the end of the capture";
}

TEST(DominantFrequency, OfAPureToneIsItsFrequencyWithinAFewHundredthsOfAPercent)
{
    for (double hz : {220.5, 441.0, 882.0, 1000.0, 1137.8}) {
        const auto tone = e2e::PureTone(hz, 300, 50, RATE);
        const double measured = e2e::DominantFrequency(tone, Ms(5), Ms(105), RATE);
        EXPECT_NEAR(measured / hz, 1.0, 3e-4) << hz << " Hz measured as " << measured;
    }
}

TEST(DominantFrequency, OfATruncatingVoiceIsTheBankToneTimesTheStep)
{
    const auto bank = e2e::PureTone(441, 2000, 100, RATE);
    for (float step : {0.5f, 1.0f, 30.0f / 24.0f, 1.0f + 88.0f / 44100.0f, 2.0f, 2.58f}) {
        const auto out = VoicePlaying(bank, step, Ms(300));
        const double ratio = e2e::DominantFrequency(out, Ms(5), Ms(105), RATE) / 441.0;
        EXPECT_NEAR(ratio, step, 5e-4 * step) << "step " << step;
    }
}

TEST(DominantFrequency, IsNotPulledDownByAShortDropOutInsideTheWindow)
{
    auto out = VoicePlaying(e2e::PureTone(441, 2000, 100, RATE), 1.25f, Ms(300));
    e2e::Samples withGap(out.begin(), out.begin() + Ms(40));
    withGap.insert(withGap.end(), Ms(3), 128);  // the device played nothing for 3 ms
    withGap.insert(withGap.end(), out.begin() + Ms(40), out.end());
    const double ratio = e2e::DominantFrequency(withGap, Ms(5), Ms(105), RATE) / 441.0;
    EXPECT_NEAR(ratio, 1.25, 5e-4);
}

TEST(DominantFrequency, IsKeptThroughAValueHeldAtTheBottomOfTheRange)
{
    const auto out = VoicePlaying(e2e::PureTone(441, 2000, 100, RATE), 1.5416f, Ms(300));
    for (double heldMs : {3.0, 10.0, 18.0, 30.0}) {
        e2e::Samples withHold = out;
        std::fill(withHold.begin() + Ms(40), withHold.begin() + Ms(40 + heldMs), 0);
        const double ratio = e2e::DominantFrequency(withHold, Ms(5), Ms(105), RATE) / 441.0;
        EXPECT_NEAR(ratio, 1.5416, 1e-3) << heldMs << " ms held at 0";
    }
}

TEST(DominantFrequency, IsZeroWithoutTwoWholePeriods)
{
    const e2e::Samples silence(Ms(100), 128);
    EXPECT_EQ(e2e::DominantFrequency(silence, 0, silence.size(), RATE), 0.0);
    const auto tone = e2e::PureTone(441, 3, 50, RATE);  // 1.3 periods
    EXPECT_EQ(e2e::DominantFrequency(tone, 0, tone.size(), RATE), 0.0);
}

TEST(DropOuts, ASustainedToneHasNone)
{
    for (double hz : {220.5, 441.0, 882.0}) {
        const auto tone = VoicePlaying(e2e::PureTone(441, 2000, 100, RATE), static_cast<float>(hz / 441.0), Ms(1000));
        EXPECT_TRUE(e2e::FindGaps(tone, 0, tone.size(), Ms(2)).empty()) << hz << " Hz";
    }
}

TEST(DropOuts, AHeldValueInsideAToneIsFoundWithItsPlaceAndLength)
{
    auto tone = VoicePlaying(e2e::PureTone(441, 2000, 100, RATE), 1.0f, Ms(1000));
    std::fill(tone.begin() + Ms(400), tone.begin() + Ms(410), 128);   // 10 ms of silence
    std::fill(tone.begin() + Ms(700), tone.begin() + Ms(703), tone[Ms(700)]);  // 3 ms held
    const auto gaps = e2e::FindGaps(tone, 0, tone.size(), Ms(2));
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_NEAR(static_cast<double>(gaps[0].start), Ms(400), 2);
    EXPECT_NEAR(static_cast<double>(gaps[0].length), Ms(10), 3);
    EXPECT_NEAR(static_cast<double>(gaps[1].start), Ms(700), 2);
    EXPECT_NEAR(static_cast<double>(gaps[1].length), Ms(3), 3);
}

uint32_t Le32(const std::vector<uint8_t>& f, size_t at)
{
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<uint32_t>(f[at + 3]) << 24;
}

TEST(WavWriter, WritesTheCanonicalHeaderOf8BitMonoPcm)
{
    e2e::WavLayout layout;
    layout.data = {1, 2, 3};
    const auto f = e2e::BuildWav(layout);
    ASSERT_EQ(f.size(), 47u);
    EXPECT_EQ(std::memcmp(f.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(f, 4), 39u) << "RIFF size is 36 + data bytes";
    EXPECT_EQ(std::memcmp(f.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(f, 16), 16u);
    EXPECT_EQ(f[20] | f[21] << 8, 1) << "PCM";
    EXPECT_EQ(f[22] | f[23] << 8, 1) << "mono";
    EXPECT_EQ(Le32(f, 24), 44100u);
    EXPECT_EQ(f[34] | f[35] << 8, 8) << "8 bits";
    EXPECT_EQ(std::memcmp(f.data() + 36, "data", 4), 0);
    EXPECT_EQ(Le32(f, 40), 3u);
    EXPECT_EQ(f[44], 1);
}

TEST(WavWriter, EachMalformedKindSpoilsExactlyWhatItsNameSays)
{
    const e2e::WavOptions o;
    auto kind = [&](const char* name) { return *e2e::NamedWav(name, o); };
    EXPECT_EQ(std::memcmp(kind("riff-lowercase").data(), "riff", 4), 0);
    EXPECT_EQ(std::memcmp(kind("not-wave").data() + 8, "WAVX", 4), 0);
    EXPECT_EQ(kind("short-header").size(), 20u);
    EXPECT_EQ(Le32(kind("riff-size-1000"), 4), 1000u);
    EXPECT_EQ(Le32(kind("riff-size-over-8mib"), 4), 8u * 1024 * 1024 + 1);
    EXPECT_EQ(kind("format-tag2")[20], 2);
    EXPECT_EQ(Le32(kind("data-empty"), 40), 0u);
    EXPECT_EQ(Le32(kind("data-short"), 40), 2 * o.bytes);
    EXPECT_EQ(kind("data-short").size(), 44u + o.bytes);
    EXPECT_EQ(std::memcmp(kind("no-fmt").data() + 12, "data", 4), 0);
    EXPECT_EQ(kind("no-data").size(), 36u);
    EXPECT_NE(std::memcmp(kind("not-riff").data(), "RIFF", 4), 0);
    EXPECT_FALSE(e2e::NamedWav("no-such-kind", o).has_value());
}

TEST(WavWriter, AToneBankStartsAtTheSilentLevelAndHoldsTheAskedDuration)
{
    e2e::WavOptions o;
    o.hz = 441;
    o.ms = 500;
    const auto f = *e2e::NamedWav("tone", o);
    EXPECT_EQ(f.size(), 44u + 22050u);
    EXPECT_EQ(Le32(f, 4), 36u + 22050u);
    EXPECT_EQ(f[44], 128);
    EXPECT_EQ(f[44 + 25], 228) << "a quarter period of 441 Hz later: the crest, 128 + 100";
}

// A recording kept as a WAV file is read as the raw captures are: 8-bit data
// as it is, 16-bit data by its upper byte around 128, past the header and any
// chunk before the data; a file that is no WAV stays raw bytes.
TEST(CaptureFiles, AWavRecordingIsReadAsItsEightBitSamples)
{
    const std::string path = ::testing::TempDir() + "capture_files_" + std::to_string(::getpid());
    e2e::WavLayout sixteen;
    sixteen.bitsPerSample = 16;
    sixteen.data = {0x00, 0x00, 0xff, 0x7f, 0x00, 0x80, 0x00, 0xff, 0xff, 0xff};  // 0, max, min, -256, -1
    e2e::Samples read;
    ASSERT_TRUE(e2e::WriteBytes(path, e2e::BuildWav(sixteen)));
    ASSERT_TRUE(e2e::ReadCapture(path, read));
    EXPECT_EQ(read, (e2e::Samples{128, 255, 0, 127, 127}));

    e2e::WavLayout eight;
    eight.data = {128, 200, 3};
    auto withList = e2e::BuildWav(eight);
    const uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};  // odd size and its pad byte
    withList.insert(withList.begin() + 36, std::begin(list), std::end(list));
    ASSERT_TRUE(e2e::WriteBytes(path, withList));
    ASSERT_TRUE(e2e::ReadCapture(path, read));
    EXPECT_EQ(read, (e2e::Samples{128, 200, 3}));

    ASSERT_TRUE(e2e::WriteBytes(path, {'R', 'A', 'W', 0, 1}));
    ASSERT_TRUE(e2e::ReadCapture(path, read));
    EXPECT_EQ(read, (e2e::Samples{'R', 'A', 'W', 0, 1}));
    std::remove(path.c_str());
}

}  // namespace
