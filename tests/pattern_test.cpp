// The sequencers with a recording clock and voices: bar and pattern lengths,
// tempos taking effect at pattern entry, wrap-around, transport, and the
// click areas with their excluded right and bottom edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/key_map.h"
#include "pattern/patterns.h"
#include "pattern/view_layout.h"

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
    pianospeed[1] = 1;  // pattern 1 faster while pattern 2 plays
    Piano(42 * 7);
    EXPECT_EQ(pianopat, 1u) << "piano pattern 8 is followed by pattern 1";
    EXPECT_EQ(ev.arms.back().ms, 50u) << "pattern 1 entered again at its new tempo";
    EXPECT_EQ(ev.starts.size(), 3u) << "patterns 2 to 8 are empty";
    Piano(1);
    EXPECT_EQ(ev.starts.back().step, 2.0f);
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
    EXPECT_EQ(ev.arms.size(), 2u) << "PLAY and STOP leave the timers at the periods in force";
}

// What one press changes, from a state in which every area has an effect:
// "step S", "roll C R", "drum pattern", "drum tempo", "piano pattern",
// "piano tempo", "play", "stop", or "" for nothing.
std::string PressEffect(uint32_t x, uint32_t y)
{
    Recorded ev;
    InitPatterns(ev);
    patdisp = 4;
    pianopat = 4;
    playing = 1;
    for (uint32_t& c : yfill[4]) c = 99;
    PatternClick(x, y, ev);
    std::string effect;
    for (int s = 1; s <= 8; ++s)
        if (drumbuff[4][s]) effect += "step " + std::to_string(s);
    for (int c = 0; c < 100; ++c)
        if (yfill[4][c] != 99) effect += "roll " + std::to_string(c) + " " + std::to_string(yfill[4][c]);
    if (patdisp == 1 && BEATICK == 1 && pianopat == 1 && chat == 1) return effect + "play";
    if (playing == 0 && chat == 0) effect += "stop";
    if (patdisp != 4) effect += "drum pattern";
    if (speedbuff[4] != 4) effect += "drum tempo";
    if (pianopat != 4) effect += "piano pattern";
    if (pianospeed[4] != 4) effect += "piano tempo";
    EXPECT_EQ(ev.repaints, 1) << "a press at (" << x << ", " << y << ") repaints once";
    return effect;
}

TEST_F(PatternTest, EveryClickAreaHoldsItsLeftAndTopEdgesButNotItsRightAndBottom)
{
    struct Area {
        uint32_t left, top, right, bottom;
        std::string effect;  // of its top-left corner
    };
    const Area areas[] = {
        {10, 10, 74, 138, "step 1"},          {84, 10, 148, 138, "step 2"},
        {158, 10, 222, 138, "step 3"},        {232, 10, 296, 138, "step 4"},
        {306, 10, 370, 138, "step 5"},        {380, 10, 444, 138, "step 6"},
        {454, 10, 518, 138, "step 7"},        {528, 10, 592, 138, "step 8"},
        {10, 150, 600, 550, "roll 0 0"},      {650, 0, 698, 50, "drum pattern"},
        {650, 100, 698, 150, "drum pattern"}, {720, 0, 770, 50, "drum tempo"},
        {720, 100, 770, 150, "drum tempo"},   {650, 200, 750, 250, "play"},
        {650, 250, 750, 300, "stop"},         {650, 400, 698, 450, "piano pattern"},
        {650, 500, 698, 550, "piano pattern"}, {720, 400, 768, 450, "piano tempo"},
        {720, 500, 768, 550, "piano tempo"},
    };
    // The roll's effect names the column and row pressed; the others are fixed.
    auto kind = [](const std::string& effect) { return effect.rfind("roll", 0) == 0 ? "roll" : effect; };
    for (const Area& a : areas) {
        SCOPED_TRACE("area " + a.effect + " at " + std::to_string(a.left) + ", " + std::to_string(a.top));
        EXPECT_EQ(PressEffect(a.left, a.top), a.effect);
        EXPECT_EQ(kind(PressEffect(a.right - 1, a.bottom - 1)), kind(a.effect)) << "its bottom-right pixel";
        for (const std::string& outside : {PressEffect(a.right, a.top), PressEffect(a.left, a.bottom),
                                           PressEffect(a.left - 1, a.top), PressEffect(a.left, a.top - 1)})
            EXPECT_NE(kind(outside), kind(a.effect)) << "a press just outside: " << outside;
    }
    EXPECT_EQ(PressEffect(24, 161), "roll 1 1");
    EXPECT_EQ(PressEffect(599, 549), "roll 42 36") << "the area's last pixels write column 42";
    EXPECT_EQ(PressEffect(769, 0), "drum tempo") << "two pixels right of the drawn arrow";
    EXPECT_EQ(PressEffect(768, 400), "");
    EXPECT_EQ(PressEffect(0xFFFF, 0xFFFF), "");
}

// What the player sees is what a click does: every picture the view draws,
// pressed anywhere on it (its corners and middle), has the effect of what it
// shows; the digits between the arrows show a value and take no clicks.
TEST_F(PatternTest, EachDrawnControlAnswersAClickAnywhereOnItsPicture)
{
    using namespace view_layout;
    auto pressesOf = [](const Box& b) {
        return std::vector<std::pair<int, int>>{{b.left, b.top},
                                                {b.right() - 1, b.top},
                                                {b.left, b.bottom() - 1},
                                                {b.right() - 1, b.bottom() - 1},
                                                {b.left + b.width / 2, b.top + b.height / 2}};
    };
    auto expectEverywhere = [&](const Box& b, const std::string& effect) {
        for (auto [x, y] : pressesOf(b))
            EXPECT_EQ(PressEffect(x, y), effect) << "a press at (" << x << ", " << y << ")";
    };
    for (int s = 0; s < 8; ++s) expectEverywhere(Pad(s), "step " + std::to_string(s + 1));
    const std::pair<Control, std::string> controls[] = {{DRUM_PATTERN, "drum pattern"},
                                                        {DRUM_TEMPO, "drum tempo"},
                                                        {PIANO_PATTERN, "piano pattern"},
                                                        {PIANO_TEMPO, "piano tempo"}};
    for (const auto& [control, effect] : controls) {
        expectEverywhere(control.Up(), effect);
        expectEverywhere(control.Down(), effect);
        expectEverywhere(control.Digit(), "");
    }
    expectEverywhere(PLAY, "play");
    expectEverywhere(STOP, "stop");
    // Every note cell of the drawn roll writes its own column and row.
    for (int c = 0; c < 42; ++c)
        for (int r = 0; (r + 1) * ROLL_ROW_PITCH <= ROLL_HEIGHT; ++r)
            for (auto [x, y] : pressesOf(NoteCell(c, r)))
                ASSERT_EQ(PressEffect(x, y), "roll " + std::to_string(c) + " " + std::to_string(r))
                    << "a press at (" << x << ", " << y << ")";
}

TEST_F(PatternTest, TwoPressesOnAPadLeaveTheStepAsItWas)
{
    Click(10, 10);
    EXPECT_EQ(drumbuff[1][1], 1u);
    Click(73, 137);
    EXPECT_EQ(drumbuff[1][1], 0u);
    EXPECT_EQ(ev.repaints, 2);
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
