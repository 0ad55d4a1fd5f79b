// The pictures of the pattern view: the drum pads, the piano-roll strip, the
// PLAY and STOP buttons, the arrows and the digit squares. The window copies
// them one to one at fixed places, so each has an exact size.
#pragma once

#include "pattern/view_layout.h"
#include "resources/raster.h"

namespace assets {

using view_layout::BUTTON_HEIGHT;
using view_layout::BUTTON_WIDTH;
using view_layout::CONTROL_HEIGHT;  // arrows and digit squares
using view_layout::CONTROL_WIDTH;
using view_layout::PAD_HEIGHT;
using view_layout::PAD_WIDTH;
using view_layout::ROLL_HEIGHT;
constexpr int ROLL_WIDTH = view_layout::ROLL_COLUMN_WIDTH;
constexpr int ROLL_PITCH = view_layout::ROLL_ROW_PITCH;  // the row pitch the note cells are placed by

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
