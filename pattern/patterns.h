// The two loop sequencers: 8 drum patterns of 8 steps that play voice 1, and
// 8 piano-roll patterns of 42 columns that play voice 2, each clocked by its
// own timer with its own tempo per pattern, edited by clicks on the view.
// Platform-free: the clock, the voices and the repaint go through
// PatternEvents.
#pragma once

#include <cstdint>

constexpr int PATTERNS = 8;
constexpr int DRUM_STEPS = 8;
constexpr int DRUM_BAR_TICKS = 9;    // eight steps and a silent ninth tick
constexpr int PIANO_COLUMNS = 42;    // columns 0..41 play; a click can reach 42
constexpr int PIANO_ROWS_SOUNDING = 13;
constexpr uint32_t TEMPO_UNIT_MS = 50;  // a tempo of v ticks every v x 50 ms
constexpr uint32_t DRUM_TIMER_ID = 102;
constexpr uint32_t PIANO_TIMER_ID = 103;

// ---- Program-wide pattern state (user-interface thread only) ----
extern uint32_t drumbuff[9][9];    // [pattern][step], non-zero plays
extern uint32_t speedbuff[9];      // drum tempo per pattern, 1..8
extern uint32_t yfill[9][100];     // [pattern][column]: roll row, 0 at the top
extern uint32_t pianospeed[9];     // piano tempo per pattern, 1..8
extern int32_t patdisp;            // the drum pattern playing, shown and edited
extern uint32_t BEATICK;           // tick within the drum bar, 1..9
extern uint32_t pianopat;          // the piano pattern playing, shown and edited
extern uint32_t pianotick;         // the piano column of the next tick, 0..41
extern int playing;                // the sequencers advance only while set
extern int chat;                   // the pattern view is painted only while set
extern const uint32_t BEATIME;     // first drum timer period, ms
extern const uint32_t PIANOTIME;   // first piano timer period, ms
extern uint32_t TimerID;           // id of the timer message being handled
extern uint32_t notetemp;          // the yfill value read at the last piano tick

class PatternEvents {
public:
    virtual void StartVoice(int voice, float step) = 0;
    virtual void RearmTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void Repaint() = 0;  // the whole client area, without erasing

protected:
    ~PatternEvents() = default;
};

// The state every run starts from; arms both timers at their first periods.
void InitPatterns(PatternEvents& events);

void OnPatternTimer(uint32_t id, PatternEvents& events);  // both clocks
void DrumTick(PatternEvents& events);
void PianoTick(PatternEvents& events);
void PlayPatterns();
void StopPatterns();

// A left-button press at (xPos, yPos) in client coordinates: applies every
// click area that holds the point, then asks for a repaint.
void PatternClick(uint32_t xPos, uint32_t yPos, PatternEvents& events);

// The pitch a piano value plays (values 1..13), or 0 for a rest.
float PianoValuePitch(uint32_t value);

// The bitmap resource of a digit display for values 1..8, or 0 for none.
int DigitBitmap(uint32_t value);
