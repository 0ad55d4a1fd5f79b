// The sequencers' clocks, transport and click editing. Timer ticks, clicks and
// painting all arrive on the user-interface thread, so the state needs no lock.
#include "pattern/patterns.h"

#include "input/key_map.h"
#include "resources/resource.h"
#include "pattern/view_layout.h"

uint32_t drumbuff[9][9];
uint32_t speedbuff[9];
uint32_t yfill[9][100];
uint32_t pianospeed[9];
int32_t patdisp = 1;
uint32_t BEATICK = 1;
uint32_t pianopat = 1;
uint32_t pianotick = 0;
int playing = 0;
int chat = 1;
const uint32_t BEATIME = 300;
const uint32_t PIANOTIME = 100;
uint32_t TimerID = 0;
uint32_t notetemp = 0;

namespace {

constexpr uint32_t DEFAULT_TEMPO = 4;

// A click area: left and top inside, right and bottom outside.
struct Area {
    uint32_t left, top, right, bottom;
    constexpr Area(const view_layout::Box& b)
        : left(uint32_t(b.left)), top(uint32_t(b.top)), right(uint32_t(b.right())), bottom(uint32_t(b.bottom()))
    {
    }
    bool Holds(uint32_t x, uint32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

using namespace view_layout;
constexpr Area rect[DRUM_STEPS] = {Pad(0), Pad(1), Pad(2), Pad(3), Pad(4), Pad(5), Pad(6), Pad(7)};
constexpr Area pianoform = ROLL_CLICKS;
constexpr Area uppat = DRUM_PATTERN.UpClicks();
constexpr Area downpat = DRUM_PATTERN.DownClicks();
constexpr Area upspeed = DRUM_TEMPO.UpClicks();
constexpr Area downspeed = DRUM_TEMPO.DownClicks();
constexpr Area playform = PLAY;
constexpr Area stopform = STOP;
constexpr Area uppiano = PIANO_PATTERN.UpClicks();
constexpr Area downpiano = PIANO_PATTERN.DownClicks();
constexpr Area pianospeedup = PIANO_TEMPO.UpClicks();
constexpr Area pianospeeddown = PIANO_TEMPO.DownClicks();

}  // namespace

void InitPatterns(PatternEvents& events)
{
    for (auto& p : drumbuff)
        for (uint32_t& s : p) s = 0;
    for (auto& p : yfill)
        for (uint32_t& c : p) c = 0;
    PlayPatterns();  // the positions every start begins from
    playing = 0;
    events.RearmTimer(DRUM_TIMER_ID, BEATIME);
    events.RearmTimer(PIANO_TIMER_ID, PIANOTIME);
    for (uint32_t& s : speedbuff) s = DEFAULT_TEMPO;
    for (uint32_t& s : pianospeed) s = DEFAULT_TEMPO;
}

float PianoValuePitch(uint32_t value)
{
    if (value < 1 || value > PIANO_ROWS_SOUNDING) return 0.0f;
    return KeyStepPitch(static_cast<int>(value) - 1);
}

int DigitBitmap(uint32_t value)
{
    static const int bitmaps[9] = {0,          IDB_DIGIT1, IDB_DIGIT2, IDB_DIGIT3, IDB_DIGIT4,
                                   IDB_DIGIT5, IDB_DIGIT6, IDB_DIGIT7, IDB_DIGIT8};
    return value >= 1 && value <= 8 ? bitmaps[value] : 0;
}

void OnPatternTimer(uint32_t id, PatternEvents& events)
{
    TimerID = id;
    if (TimerID == DRUM_TIMER_ID) DrumTick(events);
    if (TimerID == PIANO_TIMER_ID) PianoTick(events);
}

void DrumTick(PatternEvents& events)
{
    if (!playing) return;
    if (BEATICK >= 1 && BEATICK <= DRUM_STEPS && drumbuff[patdisp][BEATICK] != 0) events.StartVoice(1, 1.0f);
    if (++BEATICK >= DRUM_BAR_TICKS + 1) {
        if (++patdisp >= PATTERNS + 1) patdisp = 1;
        events.RearmTimer(DRUM_TIMER_ID, speedbuff[patdisp] * TEMPO_UNIT_MS);
        BEATICK = 1;
        events.Repaint();
    }
}

void PianoTick(PatternEvents& events)
{
    if (!playing) return;
    notetemp = yfill[pianopat][pianotick];
    if (float pitch = PianoValuePitch(notetemp); pitch > 0.0f) events.StartVoice(2, pitch);
    if (++pianotick >= PIANO_COLUMNS) {
        pianotick = 0;
        if (++pianopat >= PATTERNS + 1) pianopat = 1;
        events.RearmTimer(PIANO_TIMER_ID, pianospeed[pianopat] * TEMPO_UNIT_MS);
    }
}

void PlayPatterns()
{
    patdisp = 1;
    BEATICK = 1;
    pianopat = 1;
    pianotick = 0;
    playing = 1;
    chat = 1;
}

void StopPatterns()
{
    playing = 0;
    chat = 0;
}

void PatternClick(uint32_t xPos, uint32_t yPos, PatternEvents& events)
{
    for (int s = 0; s < DRUM_STEPS; ++s)
        if (rect[s].Holds(xPos, yPos)) drumbuff[patdisp][s + 1] = drumbuff[patdisp][s + 1] == 0 ? 1 : 0;
    if (pianoform.Holds(xPos, yPos)) {
        uint32_t xindex = (xPos - ROLL_LEFT) / ROLL_COLUMN_WIDTH;
        yfill[pianopat][xindex] = (yPos - ROLL_TOP) / ROLL_ROW_PITCH;
    }
    if (uppat.Holds(xPos, yPos) && patdisp > 1) --patdisp;
    if (downpat.Holds(xPos, yPos) && patdisp < PATTERNS) ++patdisp;
    if (upspeed.Holds(xPos, yPos) && speedbuff[patdisp] > 1) --speedbuff[patdisp];
    if (downspeed.Holds(xPos, yPos) && speedbuff[patdisp] < 8) ++speedbuff[patdisp];
    if (playform.Holds(xPos, yPos)) PlayPatterns();
    if (stopform.Holds(xPos, yPos)) StopPatterns();
    if (uppiano.Holds(xPos, yPos) && pianopat > 1) --pianopat;
    if (downpiano.Holds(xPos, yPos) && pianopat < PATTERNS) ++pianopat;
    if (pianospeedup.Holds(xPos, yPos) && pianospeed[pianopat] > 1) --pianospeed[pianopat];
    if (pianospeeddown.Holds(xPos, yPos) && pianospeed[pianopat] < 8) ++pianospeed[pianopat];
    events.Repaint();
}
