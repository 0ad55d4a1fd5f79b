// The pictures of the pattern view: the drum pads, the piano-roll strip, the
// PLAY and STOP buttons, the arrows and the digit squares. The window copies
// them one to one at fixed places, so each has an exact size.
#pragma once

#include "resources/raster.h"

namespace assets {

constexpr int PAD_WIDTH = 64, PAD_HEIGHT = 128;
constexpr int ROLL_WIDTH = 14, ROLL_HEIGHT = 391;
constexpr int ROLL_PITCH = 11;  // the row pitch the note cells are placed by
constexpr int BUTTON_WIDTH = 100, BUTTON_HEIGHT = 50;
constexpr int CONTROL_WIDTH = 48, CONTROL_HEIGHT = 50;  // arrows and digit squares

// A drum pad whose step is off: a grey surface of interlocking tiles.
Picture PadOff();
// The same pad with its step on: a pink disc in the middle of the surface.
Picture PadOn();
// One column of the piano roll: white cells, 10 pixels high inside, between
// black lines at its left edge and every ROLL_PITCH rows from the top.
Picture RollColumn();
// A yellow rounded button with the word in magenta.
Picture TransportButton(const char* word);
// A black arrow on white, pointing up or down.
Picture Arrow(bool up);
// A shaded yellow square with a small black digit.
Picture DigitSquare(char digit);

}  // namespace assets
