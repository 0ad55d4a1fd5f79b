// The program's own letter set: a bold, square-shouldered sans drawn as strokes
// (straight bars and rounded-box rings), turned into distance-field shapes so
// text can be painted smoothly at any size.
#pragma once

#include <string>

#include "resources/raster.h"

namespace assets {

// Whether the letter set can draw c. It covers the capitals A E L N O P Q R S
// T U V Y, the small v, the digits 0 to 8, the full stop and the space.
bool HasGlyph(char c);

// The width of text set with the given cap height (in pixels) and letter
// spacing (in cap heights), from the left edge of its first letter to the
// right edge of its last.
double TextWidth(const std::string& text, double capHeight, double tracking);

// Text as a shape in pixels, its first letter starting at left and its capitals
// standing on baseline (y grows downwards, as in the pictures).
Shape TextShape(const std::string& text, double left, double baseline, double capHeight,
                double tracking);

}  // namespace assets
