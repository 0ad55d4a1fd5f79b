// The sequencers with a recording clock and voices: bar and pattern lengths,
// tempos taking effect at pattern entry, wrap-around, transport, and the
// click areas with their excluded right and bottom edges.
#include <gtest/gtest.h>

#include <vector>

#include "input/key_map.h"
#include "pattern/patterns.h"

namespace {

struct Recorded : PatternEvents {
    struct Start { int voice; float step; };
    struct Arm { uint32_t id, ms; };
    std::vector<Start> starts;
    std::vector<Arm> arms;
    int repaints = 0;
    void StartVoice(int voice, float step) override { starts.push_back({voice, step}); }
    void RearmTimer(uint32_t id, uint32_t ms) override { arms.push_back({id, ms}); }
    void Repaint() override { ++repaints; }
};

class PatternTest : public ::testing::Test {
protected:
    Recorded ev;
    void SetUp() override
    {
        InitPatterns(ev);
        ev = Recorded();
    }
    void Drum(int ticks)
    {
        for (int i = 0; i < ticks; ++i) OnPatternTimer(DRUM_TIMER_ID, ev);
    }
    void Piano(int ticks)
    {
        for (int i = 0; i < ticks; ++i) OnPatternTimer(PIANO_TIMER_ID, ev);
    }
    void Click(uint32_t x, uint32_t y) { PatternClick(x, y, ev); }
};

TEST_F(PatternTest, StartUpStateAndFirstPeriods)
{
    Recorded fresh;
    InitPatterns(fresh);
    ASSERT_EQ(fresh.arms.size(), 2u);
    EXPECT_EQ(fresh.arms[0].id, 102u);
    EXPECT_EQ(fresh.arms[0].ms, 300u);
    EXPECT_EQ(fresh.arms[1].id, 103u);
    EXPECT_EQ(fresh.arms[1].ms, 100u);
    EXPECT_EQ(speedbuff[8], 4u);
    EXPECT_EQ(pianospeed[1], 4u);
    EXPECT_EQ(patdisp, 1);
    EXPECT_EQ(chat, 1);
    EXPECT_EQ(playing, 0);
    Drum(20);
    Piano(50);
    EXPECT_TRUE(ev.starts.empty()) << "nothing advances before PLAY";
    EXPECT_EQ(BEATICK, 1u);
}

TEST_F(PatternTest, ADrumBarIsNineTicksAndPattern8WrapsTo1)
{
    drumbuff[1][1] = 1;
    drumbuff[1][8] = 1;
    speedbuff[2] = 7;
    Click(650, 200);  // PLAY
    Drum(8);
    ASSERT_EQ(ev.starts.size(), 2u);
    EXPECT_EQ(ev.starts[0].voice, 1);
    EXPECT_EQ(ev.starts[0].step, 1.0f);
    EXPECT_TRUE(ev.arms.empty()) << "the first bar runs at the period in force";
    Drum(1);  // the silent ninth tick ends the bar
    EXPECT_EQ(patdisp, 2);
    ASSERT_EQ(ev.arms.size(), 1u);
    EXPECT_EQ(ev.arms[0].ms, 350u) << "the tempo of the pattern just entered";
    EXPECT_EQ(ev.repaints, 2);
    Drum(9 * 7);
    EXPECT_EQ(patdisp, 1) << "pattern 8 is followed by pattern 1";
    Drum(1);
    EXPECT_EQ(ev.starts.size(), 3u);
}

TEST_F(PatternTest, PianoColumnsPlayVoice2AndColumn42IsNeverHeard)
{
    yfill[1][0] = 13;
    yfill[1][1] = 1;
    yfill[1][2] = 14;
    yfill[1][41] = 7;
    yfill[1][42] = 5;
    PlayPatterns();
    Piano(42);
    ASSERT_EQ(ev.starts.size(), 3u);
    EXPECT_EQ(ev.starts[0].step, 2.0f);
    EXPECT_EQ(ev.starts[1].step, 1.0f);
    EXPECT_EQ(ev.starts[2].step, KeyStepPitch(6));
    EXPECT_EQ(ev.starts[2].voice, 2);
    EXPECT_EQ(pianopat, 2u);
    EXPECT_EQ(pianotick, 0u);
    ASSERT_EQ(ev.arms.size(), 1u);
    EXPECT_EQ(ev.arms[0].id, 103u);
    EXPECT_EQ(ev.arms[0].ms, 200u);
    EXPECT_EQ(ev.repaints, 0) << "the piano pattern's end asks for no repaint";
}

TEST_F(PatternTest, StopKeepsPositionsAndPlayRestartsFromTheTop)
{
    PlayPatterns();
    Drum(12);
    Piano(50);
    Click(650, 250);  // STOP
    EXPECT_EQ(playing, 0);
    EXPECT_EQ(chat, 0);
    EXPECT_EQ(patdisp, 2);
    EXPECT_EQ(BEATICK, 4u);
    Click(10, 10);  // pads still edit after STOP
    EXPECT_EQ(drumbuff[2][1], 1u);
    Click(650, 249);  // PLAY, its last pixel row
    EXPECT_EQ(patdisp, 1);
    EXPECT_EQ(BEATICK, 1u);
    EXPECT_EQ(pianopat, 1u);
    EXPECT_EQ(pianotick, 0u);
    EXPECT_EQ(chat, 1);
}

TEST_F(PatternTest, ClickAreasIncludeLeftAndTopButNotRightAndBottom)
{
    Click(10, 10);
    EXPECT_EQ(drumbuff[1][1], 1u);
    Click(10, 10);
    EXPECT_EQ(drumbuff[1][1], 0u) << "two presses leave the step as it was";
    Click(74, 10);
    Click(10, 138);
    for (int s = 1; s <= 8; ++s) EXPECT_EQ(drumbuff[1][s], 0u) << "edge press toggled step " << s;
    Click(528, 10);
    EXPECT_EQ(drumbuff[1][8], 1u);
    Click(24, 161);
    EXPECT_EQ(yfill[1][1], 1u);
    Click(10, 150);
    EXPECT_EQ(yfill[1][0], 0u);
    Click(599, 549);
    EXPECT_EQ(yfill[1][42], 36u);
    Click(769, 0);  // the drum tempo's up arrow area is two pixels wider than its arrow
    EXPECT_EQ(speedbuff[1], 3u);
    Click(768, 400);
    EXPECT_EQ(pianospeed[1], 4u);
    Click(74, 10);
    EXPECT_EQ(ev.repaints, 11) << "every press repaints";
}

TEST_F(PatternTest, ArrowsStopAtTheirLimits)
{
    Click(650, 0);
    EXPECT_EQ(patdisp, 1);
    for (int i = 0; i < 10; ++i) Click(650, 100);
    EXPECT_EQ(patdisp, 8);
    for (int i = 0; i < 10; ++i) Click(720, 0);
    EXPECT_EQ(speedbuff[8], 1u);
    for (int i = 0; i < 10; ++i) Click(720, 100);
    EXPECT_EQ(speedbuff[8], 8u);
    Click(650, 400);
    EXPECT_EQ(pianopat, 1u);
    for (int i = 0; i < 10; ++i) Click(650, 500);
    EXPECT_EQ(pianopat, 8u);
    for (int i = 0; i < 10; ++i) Click(720, 500);
    EXPECT_EQ(pianospeed[8], 8u);
    for (int i = 0; i < 10; ++i) Click(720, 400);
    EXPECT_EQ(pianospeed[8], 1u);
}

TEST_F(PatternTest, ATempoChangeTakesEffectAtTheNextEntryOfItsPattern)
{
    PlayPatterns();
    Drum(9);  // now in pattern 2
    ev.arms.clear();
    Click(720, 0);  // pattern 2 faster, while it plays
    Drum(9);
    ASSERT_EQ(ev.arms.size(), 1u);
    EXPECT_EQ(ev.arms[0].ms, 200u) << "entering pattern 3 at its own tempo";
    Drum(9 * 7);
    EXPECT_EQ(ev.arms.back().ms, 150u) << "pattern 2 entered again at its new tempo";
    EXPECT_EQ(DigitBitmap(6), 140);
    EXPECT_EQ(DigitBitmap(8), 142);
    EXPECT_EQ(DigitBitmap(9), 0);
}

}  // namespace
