// The mixer: read-after-advance order, truncating resampling, the plain
// average, the end test and restarts.
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/bank_fixture.h"

namespace {

class MixerTest : public BankFixture {
protected:
    // Bank 1 byte i holds 2 * i (for i < 128) and bank 2 is all zero, so each
    // output byte is exactly the index voice 1 read.
    void UseIndexRamp()
    {
        for (size_t i = 0; i < bank1.size(); ++i) bank1[i] = static_cast<unsigned char>((2 * i) & 0xFE);
        std::fill(bank2.begin(), bank2.end(), 0);
        Install();
    }
};

TEST_F(MixerTest, IdleVoicesOverSilentBanksFillTheWholeBlockWithSilence)
{
    for (unsigned char b : Mix(1024)) ASSERT_EQ(b, SILENT_LEVEL);
}

TEST_F(MixerTest, OutputIsTheAverageRoundedDown)
{
    struct Case { unsigned char a, b, mix; };
    for (Case c : {Case{200, 100, 150}, Case{255, 255, 255}, Case{0, 1, 0}, Case{128, 127, 127}}) {
        bank1[0] = c.a;  // idle voices keep reading byte 0
        bank2[0] = c.b;
        Install();
        for (unsigned char b : Mix(8)) ASSERT_EQ(b, c.mix) << int(c.a) << " + " << int(c.b);
    }
}

TEST_F(MixerTest, StepIsAddedBeforeTheReadAndPositionsTruncate)
{
    UseIndexRamp();
    struct Case { float step; std::vector<unsigned char> indices; };
    for (const Case& c : {Case{1.0f, {1, 2, 3, 4, 5}}, Case{0.5f, {0, 1, 1, 2, 2, 3}},
                          Case{2.0f, {2, 4, 6, 8}}, Case{1.25f, {1, 2, 3, 5, 6, 7, 8, 10}}}) {
        StartVoice(1, c.step);
        EXPECT_EQ(Mix(static_cast<uint32_t>(c.indices.size())), c.indices) << "step " << c.step;
    }
}

TEST_F(MixerTest, RestartingASoundingVoiceStartsOverWithTheNewStep)
{
    UseIndexRamp();
    StartVoice(1, 1.0f);
    Mix(50);
    StartVoice(1, 2.0f);
    EXPECT_EQ(Mix(3), (std::vector<unsigned char>{2, 4, 6}));
}

TEST_F(MixerTest, LatestStartBeforeASampleWins)
{
    UseIndexRamp();
    StartVoice(1, 2.0f);
    StartVoice(1, 1.0f);
    EXPECT_EQ(Mix(3), (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(MixerTest, VoiceEndsAfterPlayingByteLMinus1000)
{
    // L = 5000: with step 1.0 byte 4000 is the last one played; with step 2.0
    // the voice plays 2, 4, ..., 4000. Afterwards it is idle on byte 0.
    for (float step : {1.0f, 2.0f}) {
        for (size_t i = 0; i < bank1.size(); ++i) bank1[i] = i == 4000 ? 77 : 200;
        bank1[0] = 10;
        std::fill(bank2.begin(), bank2.end(), 0);
        Install();
        StartVoice(1, step);
        const uint32_t samples = static_cast<uint32_t>(4000 / step);
        std::vector<unsigned char> out = Mix(samples + 3);
        EXPECT_EQ(out[samples - 2], 100) << "step " << step;
        EXPECT_EQ(out[samples - 1], 77 / 2) << "byte 4000 still sounds, step " << step;
        EXPECT_EQ(out[samples], 5) << "then byte 0 again, step " << step;
        EXPECT_EQ(out[samples + 2], 5);
        EXPECT_EQ(pitch1, 0.0f);
        EXPECT_EQ(pfi1, 0.0f);
        EXPECT_EQ(pint1, 0u);
        for (unsigned char b : Mix(5000)) ASSERT_EQ(b, 5) << "idle until the next start";
    }
}

TEST_F(MixerTest, VoicesAreIndependent)
{
    for (size_t i = 0; i < bank2.size(); ++i) bank2[i] = static_cast<unsigned char>((2 * i) & 0xFE);
    std::fill(bank1.begin(), bank1.end(), 0);
    Install();
    StartVoice(2, 1.0f);
    StartVoice(1, 0.5f);  // voice 1 over an all-zero bank adds nothing
    EXPECT_EQ(Mix(4), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(pitch1, 0.5f);
    EXPECT_EQ(pitch2, 1.0f);
}

TEST_F(MixerTest, PositionsAccumulateInSinglePrecision)
{
    // The effective step is rounded to the float spacing at each size; a mixer
    // that kept positions in wider registers would drift from this sum.
    bank1.assign(300000, SILENT_LEVEL);
    Install();
    const float step = 25.0f / 24.0f;
    StartVoice(1, step);
    volatile float expected = 0.0f;
    for (int n = 0; n < 200000; ++n) expected = expected + step;
    Mix(200000);
    EXPECT_EQ(pfi1, expected);
    EXPECT_EQ(pint1, static_cast<uint32_t>(expected));
    EXPECT_GT(pfi1, 131072.0f);
}

TEST_F(MixerTest, StepsThatWouldLeaveTheBankAreTakenAsIdle)
{
    for (float step : {-1.0f, 0.0f, MAX_STEP, 5000.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()}) {
        StartVoice(1, 1.0f);
        Mix(10);
        StartVoice(1, step);
        EXPECT_EQ(StepAfterOneSample(1), 0.0f) << "step " << step;
        EXPECT_EQ(pint1, 0u);
    }
    StartVoice(3, 1.0f);  // no such voice: nothing changes
    EXPECT_EQ(StepAfterOneSample(1), 0.0f);
    EXPECT_EQ(StepAfterOneSample(2), 0.0f);
}

TEST_F(MixerTest, PrefillPairsEachVoicesCurrentByte)
{
    bank1[0] = 11;
    bank2[0] = 22;
    Install();
    std::vector<unsigned char> block(7, 0x55);
    PrefillBlock(block.data(), 7);
    EXPECT_EQ(block, (std::vector<unsigned char>{11, 22, 11, 22, 11, 22, 0x55}));
}

}  // namespace
