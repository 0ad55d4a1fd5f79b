// Writes pictures as the files the resource compiler takes: bottom-up BMP
// files with a BITMAPINFOHEADER at 24, 16, 8 and 4 bits per pixel, and icon
// files with one 16-colour image and its transparency mask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/raster.h"

namespace assets {

struct Rgb8 {
    uint8_t r, g, b;
    bool operator==(const Rgb8& o) const { return r == o.r && g == o.g && b == o.b; }
};

Rgb8 ToBytes(Rgb c);  // rounded to the nearest step, out-of-range channels clamped

// At most maxColours colours that stand for the given pixels, by median cut:
// the colour space is split where the pixels are spread widest until there
// are enough boxes, and each box gives the mean of its pixels. When the
// pixels have no more distinct colours than that, those colours themselves.
std::vector<Rgb8> ReducePalette(const std::vector<Rgb8>& pixels, size_t maxColours);

// The index of the palette entry nearest to c (the first one on a tie).
size_t Nearest(const std::vector<Rgb8>& palette, Rgb8 c);

std::vector<uint8_t> Bmp24(const Picture& picture);
// 16 bits as BI_RGB: X1R5G5B5. The 8-bit channels are cut to 5 bits through
// an ordered dither, so gradients do not show bands.
std::vector<uint8_t> Bmp16(const Picture& picture);
// 8 or 4 bits per pixel through a palette made for this picture.
std::vector<uint8_t> BmpPalettised(const Picture& picture, int bits);

// An icon file holding the picture as its one image in 16 colours. Pixels
// where opaque is false are transparent: their mask bit is set and their
// colour is black, so the screen shows through unchanged.
std::vector<uint8_t> Icon16Colours(const Picture& picture, const std::vector<bool>& opaque);

}  // namespace assets
