// The BMP and ICO encoders and the palette reduction behind the palettised
// files. Every step is integer or exactly rounded, so a picture always gives
// the same bytes.
#include "resources/bmp_writer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace assets {
namespace {

constexpr uint32_t FILE_HEADER_BYTES = 14;   // BITMAPFILEHEADER
constexpr uint32_t INFO_HEADER_BYTES = 40;   // BITMAPINFOHEADER
constexpr uint32_t PIXELS_PER_METRE = 2835;  // 72 dots per inch, what paint programs write

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Bytes per stored row: rows are padded to whole 32-bit words.
uint32_t RowBytes(int width, int bits)
{
    return (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
}

void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageBytes,
                   size_t paletteEntries)
{
    Put32(out, INFO_HEADER_BYTES);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));  // positive: rows run bottom-up
    Put16(out, 1);                              // planes
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);  // BI_RGB, no compression
    Put32(out, imageBytes);
    Put32(out, PIXELS_PER_METRE);
    Put32(out, PIXELS_PER_METRE);
    Put32(out, static_cast<uint32_t>(paletteEntries));  // colours used
    Put32(out, 0);                                      // all of them important
}

void PutPalette(std::vector<uint8_t>& out, const std::vector<Rgb8>& palette)
{
    for (const Rgb8& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

// A whole BMP file around pixel rows already in file order.
std::vector<uint8_t> BmpFile(int width, int height, int bits, const std::vector<Rgb8>& palette,
                             const std::vector<uint8_t>& rows)
{
    const uint32_t offset = FILE_HEADER_BYTES + INFO_HEADER_BYTES + 4 * palette.size();
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + static_cast<uint32_t>(rows.size()));
    Put32(out, 0);  // reserved
    Put32(out, offset);
    PutInfoHeader(out, width, height, bits, static_cast<uint32_t>(rows.size()), palette.size());
    PutPalette(out, palette);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// Packs one value per pixel (a palette index or a 16-bit colour) into
// bottom-up rows of the given depth.
std::vector<uint8_t> PackRows(int width, int height, int bits, const std::vector<uint32_t>& values)
{
    const uint32_t stride = RowBytes(width, bits);
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const uint32_t v = values[static_cast<size_t>(y) * width + x];
            if (bits == 16) {
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            } else if (bits == 8) {
                row[x] = static_cast<uint8_t>(v);
            } else if (bits == 4) {
                row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? v << 4 : v);
            } else {  // 1 bit, most significant bit first
                if (v) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return rows;
}

std::vector<Rgb8> AllPixels(const Picture& picture)
{
    std::vector<Rgb8> pixels;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) pixels.push_back(ToBytes(picture.At(x, y)));
    return pixels;
}

// ---- Median cut ----

struct Tally {
    Rgb8 colour;
    uint32_t count;
};

uint8_t Channel(const Rgb8& c, int channel)
{
    return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
}

struct Spread {
    int channel;  // the channel along which the box is widest
    int range;
};

Spread Widest(const std::vector<Tally>& box)
{
    Spread best{0, -1};
    for (int ch = 0; ch < 3; ++ch) {
        int lo = 255, hi = 0;
        for (const Tally& t : box) {
            lo = std::min<int>(lo, Channel(t.colour, ch));
            hi = std::max<int>(hi, Channel(t.colour, ch));
        }
        if (hi - lo > best.range) best = {ch, hi - lo};
    }
    return best;
}

// Splits a box of at least two colours at the median pixel along its widest
// channel; both halves keep at least one colour.
std::pair<std::vector<Tally>, std::vector<Tally>> Split(std::vector<Tally> box)
{
    const int ch = Widest(box).channel;
    std::stable_sort(box.begin(), box.end(), [ch](const Tally& a, const Tally& b) {
        return Channel(a.colour, ch) < Channel(b.colour, ch);
    });
    uint64_t total = 0;
    for (const Tally& t : box) total += t.count;
    uint64_t seen = 0;
    size_t cut = 1;
    for (; cut < box.size() - 1; ++cut) {
        seen += box[cut - 1].count;
        if (2 * seen >= total) break;
    }
    return {std::vector<Tally>(box.begin(), box.begin() + cut),
            std::vector<Tally>(box.begin() + cut, box.end())};
}

Rgb8 Mean(const std::vector<Tally>& box)
{
    uint64_t sum[3] = {0, 0, 0}, total = 0;
    for (const Tally& t : box) {
        for (int ch = 0; ch < 3; ++ch) sum[ch] += uint64_t{Channel(t.colour, ch)} * t.count;
        total += t.count;
    }
    auto avg = [total](uint64_t s) { return static_cast<uint8_t>((s + total / 2) / total); };
    return {avg(sum[0]), avg(sum[1]), avg(sum[2])};
}

}  // namespace

Rgb8 ToBytes(Rgb c)
{
    auto byte = [](double v) {
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return {byte(c.r), byte(c.g), byte(c.b)};
}

std::vector<Rgb8> ReducePalette(const std::vector<Rgb8>& pixels, size_t maxColours)
{
    std::map<uint32_t, uint32_t> counts;  // ordered, so the result never depends on hashing
    for (const Rgb8& p : pixels) ++counts[uint32_t{p.r} << 16 | uint32_t{p.g} << 8 | p.b];
    std::vector<std::vector<Tally>> boxes(1);
    for (const auto& [key, count] : counts)
        boxes[0].push_back({{static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8),
                             static_cast<uint8_t>(key)},
                            count});
    if (boxes[0].empty()) return {};
    while (boxes.size() < maxColours) {
        size_t widest = boxes.size();
        int range = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            const int r = Widest(boxes[i]).range;
            if (widest == boxes.size() || r > range) widest = i, range = r;
        }
        if (widest == boxes.size()) break;  // every box holds one colour
        auto [low, high] = Split(std::move(boxes[widest]));
        boxes[widest] = std::move(low);
        boxes.push_back(std::move(high));
    }
    std::vector<Rgb8> palette;
    for (const auto& box : boxes) palette.push_back(Mean(box));
    return palette;
}

size_t Nearest(const std::vector<Rgb8>& palette, Rgb8 c)
{
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

std::vector<uint8_t> Bmp24(const Picture& picture)
{
    const int w = picture.Width(), h = picture.Height();
    const uint32_t stride = RowBytes(w, 24);
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb8 c = ToBytes(picture.At(x, y));
            uint8_t* p = &rows[static_cast<size_t>(h - 1 - y) * stride + 3 * x];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return BmpFile(w, h, 24, {}, rows);
}

std::vector<uint8_t> Bmp16(const Picture& picture)
{
    // A 4 x 4 Bayer matrix: each cell's threshold sits at a different sixteenth
    // of a step, so a flat colour between two steps becomes a fine even mix.
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int w = picture.Width(), h = picture.Height();
    std::vector<uint32_t> values;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb8 c = ToBytes(picture.At(x, y));
            const double threshold = (BAYER[y % 4][x % 4] + 0.5) / 16.0;
            auto five = [threshold](uint8_t v) {
                return static_cast<uint32_t>(
                    std::min(31.0, std::floor(v * 31.0 / 255.0 + threshold)));
            };
            values.push_back(five(c.r) << 10 | five(c.g) << 5 | five(c.b));
        }
    return BmpFile(w, h, 16, {}, PackRows(w, h, 16, values));
}

std::vector<uint8_t> BmpPalettised(const Picture& picture, int bits)
{
    const std::vector<Rgb8> pixels = AllPixels(picture);
    const std::vector<Rgb8> palette = ReducePalette(pixels, size_t{1} << bits);
    std::vector<uint32_t> indices;
    for (const Rgb8& p : pixels) indices.push_back(static_cast<uint32_t>(Nearest(palette, p)));
    return BmpFile(picture.Width(), picture.Height(), bits, palette,
                   PackRows(picture.Width(), picture.Height(), bits, indices));
}

std::vector<uint8_t> Icon16Colours(const Picture& picture, const std::vector<bool>& opaque)
{
    const int w = picture.Width(), h = picture.Height();
    const std::vector<Rgb8> pixels = AllPixels(picture);
    std::vector<Rgb8> shown;
    for (size_t i = 0; i < pixels.size(); ++i)
        if (opaque[i]) shown.push_back(pixels[i]);
    // Entry 0 is black for the transparent pixels; the picture gets the rest.
    std::vector<Rgb8> palette{{0, 0, 0}};
    for (const Rgb8& c : ReducePalette(shown, 15)) palette.push_back(c);
    palette.resize(16, Rgb8{0, 0, 0});

    std::vector<uint32_t> indices, mask;
    for (size_t i = 0; i < pixels.size(); ++i) {
        indices.push_back(opaque[i] ? static_cast<uint32_t>(Nearest(palette, pixels[i])) : 0);
        mask.push_back(opaque[i] ? 0 : 1);
    }
    const std::vector<uint8_t> colour = PackRows(w, h, 4, indices);
    const std::vector<uint8_t> andMask = PackRows(w, h, 1, mask);
    const uint32_t imageBytes = static_cast<uint32_t>(colour.size() + andMask.size());

    std::vector<uint8_t> out;
    Put16(out, 0);  // ICONDIR: reserved, type 1 (icon), one image
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(static_cast<uint8_t>(w));  // ICONDIRENTRY
    out.push_back(static_cast<uint8_t>(h));
    out.push_back(16);  // colours
    out.push_back(0);   // reserved
    Put16(out, 1);      // planes
    Put16(out, 4);      // bits per pixel
    Put32(out, INFO_HEADER_BYTES + 4 * 16 + imageBytes);
    Put32(out, 6 + 16);  // the image follows the directory and its one entry
    // The image's height counts the colour rows and the mask rows together.
    PutInfoHeader(out, w, 2 * h, 4, imageBytes, 0);
    PutPalette(out, palette);
    out.insert(out.end(), colour.begin(), colour.end());
    out.insert(out.end(), andMask.begin(), andMask.end());
    return out;
}

}  // namespace assets
