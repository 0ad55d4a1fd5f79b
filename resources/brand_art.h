// The program's name and mark: the splash picture with its metallic lettering
// and reflection, and the quaver logo shown in the About box and, smaller, as
// the window icon.
#pragma once

#include <vector>

#include "resources/raster.h"

namespace assets {

constexpr int SPLASH_WIDTH = 602, SPLASH_HEIGHT = 117;
constexpr int LOGO_SIZE = 64;
constexpr int ICON_SIZE = 32;

// "QUAVERTON v1.0" in chrome letters standing on a dark glossy floor that
// mirrors them.
Picture Splash();

// The logo, size x size pixels: a white quaver on a pink disc on a navy tile.
// The About box shows it as a full square; the icon rounds the tile's corners
// and leaves the screen showing beyond them.
Picture Logo(int size, bool roundedTile);

// Which pixels of the rounded tile are inside it, in rows from the top: the
// icon's opaque pixels.
std::vector<bool> RoundedTileMask(int size);

}  // namespace assets
