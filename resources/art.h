// The program's bitmaps and icon, drawn in code by the asset program: the
// drum pads, the piano-roll strip, the transport buttons, arrows and digits,
// the splash lettering, the About logo and the window icon.
#pragma once

#include <string>

namespace assets {

// Writes bitmapNNN.bmp for every bitmap resource and icon400.ico into dir.
bool WriteArt(const std::string& dir);

}  // namespace assets
