// Where everything of the pattern view lies, in client pixels: the drum pads,
// the piano roll and its note cells, the four arrow-and-digit controls and
// PLAY/STOP. The paint, the click areas, the bitmaps' sizes and the test bed
// (through the file the asset program writes from this table) all take their
// places from here. Platform-free.
#pragma once

namespace view_layout {

// A rectangle given by its top-left corner and size; right and bottom are
// outside it.
struct Box {
    int left, top, width, height;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
};

// ---- Drum pads: one row of eight ----
constexpr int PAD_LEFT = 10, PAD_TOP = 10, PAD_PITCH = 74;
constexpr int PAD_WIDTH = 64, PAD_HEIGHT = 128;
// Step s, from 0.
constexpr Box Pad(int s) { return {PAD_LEFT + PAD_PITCH * s, PAD_TOP, PAD_WIDTH, PAD_HEIGHT}; }

// ---- Piano roll: 42 copies of one grid column ----
constexpr int ROLL_LEFT = 10, ROLL_TOP = 150;
constexpr int ROLL_COLUMN_WIDTH = 14;   // the strip's width and the column pitch
constexpr int ROLL_ROW_PITCH = 11;      // the strip's grid lines, and the row pitch
constexpr int ROLL_HEIGHT = 391;
// Clicks reach a little past the last column and above the strip's foot.
constexpr Box ROLL_CLICKS = {ROLL_LEFT, ROLL_TOP, 590, 400};
// The note cell of column c at row r: the grid cell inside its lines.
constexpr int NOTE_WIDTH = ROLL_COLUMN_WIDTH - 1, NOTE_HEIGHT = ROLL_ROW_PITCH - 1;
constexpr Box NoteCell(int c, int r)
{
    return {ROLL_LEFT + 1 + ROLL_COLUMN_WIDTH * c, ROLL_TOP + 1 + ROLL_ROW_PITCH * r, NOTE_WIDTH, NOTE_HEIGHT};
}

// ---- Controls: an up arrow, the digit below it, a down arrow below that ----
constexpr int CONTROL_WIDTH = 48, CONTROL_HEIGHT = 50;  // each of the three squares
struct Control {
    int left, top;
    int clickWidth;  // how wide its arrows take clicks
    constexpr Box Up() const { return {left, top, CONTROL_WIDTH, CONTROL_HEIGHT}; }
    constexpr Box Digit() const { return {left, top + CONTROL_HEIGHT, CONTROL_WIDTH, CONTROL_HEIGHT}; }
    constexpr Box Down() const { return {left, top + 2 * CONTROL_HEIGHT, CONTROL_WIDTH, CONTROL_HEIGHT}; }
    constexpr Box UpClicks() const { return {left, top, clickWidth, CONTROL_HEIGHT}; }
    constexpr Box DownClicks() const { return {left, top + 2 * CONTROL_HEIGHT, clickWidth, CONTROL_HEIGHT}; }
};
constexpr Control DRUM_PATTERN = {650, 0, CONTROL_WIDTH};
constexpr Control DRUM_TEMPO = {720, 0, 50};
constexpr Control PIANO_PATTERN = {650, 400, CONTROL_WIDTH};
constexpr Control PIANO_TEMPO = {720, 400, CONTROL_WIDTH};

// ---- Transport ----
constexpr int BUTTON_WIDTH = 100, BUTTON_HEIGHT = 50;
constexpr Box PLAY = {650, 200, BUTTON_WIDTH, BUTTON_HEIGHT};
constexpr Box STOP = {650, 250, BUTTON_WIDTH, BUTTON_HEIGHT};

// The composition covers the window's client area at its created size; the
// view lies well inside it.
constexpr int CANVAS_WIDTH = 800, CANVAS_HEIGHT = 600;

}  // namespace view_layout
