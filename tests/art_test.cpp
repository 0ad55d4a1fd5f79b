// Checks the generated bitmaps and icon the way the window code and the
// resource compiler use them: each file is read back by a reader of its own
// here, never through the writer, and its size, depth and layout are checked.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pattern/view_layout.h"
#include "resources/art.h"
#include "resources/bmp_writer.h"
#include "resources/glyphs.h"
#include "resources/resource.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what)
{
    if (!ok) {
        ++failures;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// A BMP file decoded to top-down RGB pixels.
struct Decoded {
    bool valid = false;
    int width = 0, height = 0, bits = 0;
    uint32_t paletteEntries = 0;
    std::vector<assets::Rgb8> pixels;
    assets::Rgb8 At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Decoded DecodeBmp(const std::vector<uint8_t>& f)
{
    Decoded d;
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || U32(f, 2) != f.size()) return d;
    if (U32(f, 14) != 40 || U16(f, 26) != 1 || U32(f, 30) != 0) return d;  // info header, BI_RGB
    d.width = static_cast<int>(U32(f, 18));
    d.height = static_cast<int>(U32(f, 22));  // positive: bottom-up
    d.bits = static_cast<int>(U16(f, 28));
    d.paletteEntries = U32(f, 46);
    const uint32_t offset = U32(f, 10);
    const uint32_t stride = (static_cast<uint32_t>(d.width) * d.bits + 31) / 32 * 4;
    if (d.height <= 0 || offset != 54 + 4 * d.paletteEntries ||
        f.size() != offset + static_cast<size_t>(stride) * d.height)
        return d;
    if (d.bits <= 8 && (d.paletteEntries == 0 || d.paletteEntries > (1u << d.bits))) return d;
    for (int y = 0; y < d.height; ++y) {
        const uint8_t* row = &f[offset + static_cast<size_t>(d.height - 1 - y) * stride];
        for (int x = 0; x < d.width; ++x) {
            uint32_t index = 0;
            if (d.bits == 24) {
                d.pixels.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
                continue;
            }
            if (d.bits == 16) {
                const uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
                auto eight = [](uint32_t five) { return static_cast<uint8_t>(five * 255 / 31); };
                d.pixels.push_back({eight(v >> 10 & 31), eight(v >> 5 & 31), eight(v & 31)});
                continue;
            }
            index = d.bits == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15);
            if (index >= d.paletteEntries) return d;
            const uint8_t* q = &f[54 + 4 * index];
            d.pixels.push_back({q[2], q[1], q[0]});
        }
    }
    d.valid = true;
    return d;
}

int Brightness(assets::Rgb8 c) { return (c.r + c.g + c.b) / 3; }
bool Near(assets::Rgb8 a, assets::Rgb8 b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// Where the art is written for the checks: the folder given on the command
// line, so each build tree checks its own copy.
std::string artDir;
const std::string& Dir() { return artDir; }
Decoded Load(int id) { return DecodeBmp(ReadAll(Dir() + "/bitmap" + std::to_string(id) + ".bmp")); }

// ---- The rules ----

void EveryBitmapHasTheSizeAndDepthTheWindowCopiesItWith()
{
    // Each picture of the pattern view is copied whole into its box of the
    // view's layout: a picture of another size would leave old pixels around
    // it or be cut. The splash window and the About box are sized to their
    // pictures, which keep the sizes they were drawn at.
    using namespace view_layout;
    struct Want {
        int id, width, height, bits;
    };
    auto in = [](int id, Box box, int bits) { return Want{id, box.width, box.height, bits}; };
    const Box roll = {ROLL_LEFT, ROLL_TOP, ROLL_COLUMN_WIDTH, ROLL_HEIGHT};
    const Box up = DRUM_PATTERN.Up(), digit = DRUM_PATTERN.Digit(), down = DRUM_PATTERN.Down();
    const Want wants[] = {in(IDB_PADOFF, Pad(0), 24),  in(IDB_PADON, Pad(0), 16),    {IDB_SPLASH, 602, 117, 24},
                          in(IDB_ROLLCOLUMN, roll, 24), in(IDB_PLAY, PLAY, 8),        in(IDB_STOP, STOP, 8),
                          in(IDB_ARROWUP, up, 24),      in(IDB_ARROWDOWN, down, 24),  in(IDB_DIGIT1, digit, 24),
                          in(IDB_DIGIT2, digit, 24),    in(IDB_DIGIT3, digit, 24),    in(IDB_DIGIT4, digit, 24),
                          in(IDB_DIGIT5, digit, 24),    in(IDB_DIGIT6, digit, 24),    in(IDB_DIGIT7, digit, 24),
                          in(IDB_DIGIT8, digit, 24),    {IDB_LOGO, 64, 64, 4}};
    for (const Want& w : wants) {
        const Decoded d = Load(w.id);
        const std::string name = "bitmap" + std::to_string(w.id);
        Expect(d.valid, name + " is a well-formed bottom-up BI_RGB file");
        Expect(d.width == w.width && d.height == w.height && d.bits == w.bits,
               name + " is " + std::to_string(w.width) + "x" + std::to_string(w.height) + " at " +
                   std::to_string(w.bits) + " bits, got " + std::to_string(d.width) + "x" +
                   std::to_string(d.height) + " at " + std::to_string(d.bits));
    }
    Expect(!std::filesystem::exists(Dir() + "/bitmap139.bmp"), "there is no bitmap 139");
}

void RollStripHasLinesExactlyWhereNoteCellsFit()
{
    const Decoded d = Load(IDB_ROLLCOLUMN);
    if (!d.valid) return;
    int wrong = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const bool line = x == 0 || (y % 11 == 0 && y <= 385);
            const assets::Rgb8 want = line ? assets::Rgb8{0, 0, 0} : assets::Rgb8{255, 255, 255};
            if (!(d.At(x, y) == want)) ++wrong;
        }
    Expect(wrong == 0,
           "the roll strip is white with black lines at x = 0 and every 11th row "
           "from 0 to 385 only; " +
               std::to_string(wrong) + " pixels differ");
}

void OnPadIsTheOffPadWithAPinkDiscInTheMiddle()
{
    const Decoded off = Load(IDB_PADOFF), on = Load(IDB_PADON);
    if (!off.valid || !on.valid) return;
    Expect(Near(on.At(32, 64), {208, 64, 144}, 24), "the on pad's centre is pink (208, 64, 144)");
    int pinkAcross = 0;
    for (int x = 0; x < on.width; ++x) {
        const assets::Rgb8 c = on.At(x, 64);
        if (c.r > c.g + 60 && c.b > c.g + 30) ++pinkAcross;
    }
    Expect(pinkAcross >= 46 && pinkAcross <= 54,
           "the disc is some 50 pixels across, measured " + std::to_string(pinkAcross));
    // Away from the disc and its shadow the surfaces match, up to the 5-bit
    // steps of the 16-bit file.
    int differing = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < off.width; ++x)
            if (!Near(on.At(x, y), off.At(x, y), 9) ||
                !Near(on.At(x, 127 - y), off.At(x, 127 - y), 9))
                ++differing;
    Expect(differing == 0, "the on pad keeps the off pad's surface around the disc; " +
                               std::to_string(differing) + " pixels differ");
    Expect(Brightness(off.At(32, 64)) > 90 && Brightness(off.At(32, 64)) < 230,
           "the off pad is grey where the disc would be");
}

void ArrowsAreBlackOnWhiteAndMirrorEachOther()
{
    const Decoded up = Load(IDB_ARROWUP), down = Load(IDB_ARROWDOWN);
    if (!up.valid || !down.valid) return;
    Expect(up.At(0, 0) == (assets::Rgb8{255, 255, 255}) && up.At(24, 30) == (assets::Rgb8{0, 0, 0}),
           "the up arrow is black on white");
    Expect(Brightness(up.At(24, 11)) < 64 && Brightness(up.At(24, 45)) > 192,
           "the up arrow's point is at the top");
    int unmatched = 0;
    for (int y = 0; y < up.height; ++y)
        for (int x = 0; x < up.width; ++x)
            if (!(up.At(x, y) == down.At(x, up.height - 1 - y))) ++unmatched;
    Expect(unmatched == 0, "the down arrow is the up arrow upside down");
}

void EachDigitSquareShowsItsOwnDigitOnYellow()
{
    const int ids[] = {IDB_DIGIT1, IDB_DIGIT2, IDB_DIGIT3, IDB_DIGIT4, IDB_DIGIT5, IDB_DIGIT6, IDB_DIGIT7, IDB_DIGIT8};
    std::vector<Decoded> squares;
    for (int id : ids) squares.push_back(Load(id));
    for (size_t i = 0; i < squares.size(); ++i) {
        const Decoded& d = squares[i];
        if (!d.valid) return;
        const std::string name = "bitmap " + std::to_string(ids[i]);
        const assets::Rgb8 face = d.At(8, 8);
        Expect(face.r > 200 && face.g > 150 && face.b < 160, name + " is yellow");
        int dark = 0;
        for (int y = 15; y < 35; ++y)
            for (int x = 14; x < 34; ++x) dark += Brightness(d.At(x, y)) < 60;
        Expect(dark > 25, name + " has a black digit in its middle");
        for (size_t j = 0; j < i; ++j)
            Expect(d.pixels != squares[j].pixels,
                   name + " differs from bitmap " + std::to_string(ids[j]));
    }
}

void ButtonsAreYellowWithMagentaWords()
{
    const Decoded play = Load(IDB_PLAY), stop = Load(IDB_STOP);
    if (!play.valid || !stop.valid) return;
    for (const Decoded* d : {&play, &stop}) {
        int magenta = 0, yellow = 0;
        for (const assets::Rgb8& c : d->pixels) {
            magenta += c.r > 150 && c.g < 60 && c.b > 100;
            yellow += c.r > 220 && c.g > 160 && c.b < 100;
        }
        Expect(magenta > 150 && yellow > 1500, "a button is yellow with a magenta word");
        Expect(d->At(0, 0) == (assets::Rgb8{255, 255, 255}), "a button's corners are white");
    }
    Expect(play.pixels != stop.pixels, "PLAY and STOP are different pictures");
}

void SplashLettersStandOverAReflectionThatFades()
{
    const Decoded s = Load(IDB_SPLASH);
    if (!s.valid) return;
    int brightTop = 0, brightBottom = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const bool bright = Brightness(s.At(x, y)) > 200;
            if (y < 60) brightTop += bright;
            if (y >= s.height - 8) brightBottom += bright;
        }
    Expect(brightTop > 3000, "the splash has large bright lettering");
    Expect(brightBottom == 0, "the reflection has faded out at the bottom of the splash");
    Expect(Brightness(s.At(2, 2)) < 40, "the splash background is dark");
}

void IconIsOne16ColourImageWithItsMask()
{
    const std::vector<uint8_t> f = ReadAll(Dir() + "/icon" + std::to_string(IDI_QUAVERTON) + ".ico");
    if (f.size() < 22 + 40 + 64) {
        Expect(false, "the icon file holds a directory, a header and a palette");
        return;
    }
    Expect(U16(f, 0) == 0 && U16(f, 2) == 1 && U16(f, 4) == 1,
           "the icon file holds one icon image");
    Expect(f[6] == 32 && f[7] == 32 && f[8] == 16 && U16(f, 12) == 4,
           "the image is 32x32 in 16 colours");
    const uint32_t bytes = U32(f, 14), offset = U32(f, 18);
    Expect(offset == 22 && offset + bytes == f.size(),
           "the directory entry covers the image exactly");
    Expect(U32(f, 22) == 40 && U32(f, 26) == 32 && U32(f, 30) == 64 && U16(f, 36) == 4,
           "the image header counts the colour and mask rows together");
    Expect(bytes == 40 + 64 + 32 * 16 + 32 * 4,
           "the image holds 4-bit colour rows and a 1-bit mask");
    if (bytes != f.size() - 22) return;
    const size_t colour = 22 + 40 + 64, mask = colour + 32 * 16;
    auto maskBit = [&](int x, int y) { return f[mask + (31 - y) * 4 + x / 8] >> (7 - x % 8) & 1; };
    auto index = [&](int x, int y) {
        const uint8_t b = f[colour + (31 - y) * 16 + x / 2];
        return x % 2 == 0 ? b >> 4 : b & 15;
    };
    const uint8_t* black = &f[22 + 40 + 4 * index(0, 0)];
    Expect(maskBit(0, 0) == 1 && maskBit(31, 31) == 1 && black[0] == 0 && black[1] == 0 &&
               black[2] == 0,
           "the rounded-off corners are transparent, masked and black");
    Expect(maskBit(16, 16) == 0 && maskBit(0, 16) == 0, "the tile itself is opaque");
}

void ArtIsTheSameOnEveryRun()
{
    const std::string again = Dir() + "_again";
    std::filesystem::create_directories(again);
    Expect(assets::WriteArt(again), "the art can be written a second time");
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
        const std::string name = entry.path().filename();
        Expect(ReadAll(entry.path()) == ReadAll(again + "/" + name),
               name + " is byte-for-byte repeatable");
    }
    std::filesystem::remove_all(again);
}

// ---- The encoders on small pictures ----

void EncodersPadRowsAndStoreThemBottomUp()
{
    assets::Picture p(3, 2, {1, 1, 1});
    p.At(0, 0) = {1, 0, 0};  // top left red
    p.At(2, 1) = {0, 0, 1};  // bottom right blue
    const Decoded d24 = DecodeBmp(assets::Bmp24(p));
    Expect(d24.valid && d24.At(0, 0) == (assets::Rgb8{255, 0, 0}) &&
               d24.At(2, 1) == (assets::Rgb8{0, 0, 255}),
           "a 24-bit file of odd width keeps its pixels where they were");
    const Decoded d16 = DecodeBmp(assets::Bmp16(p));
    Expect(d16.valid && d16.At(0, 0) == (assets::Rgb8{255, 0, 0}) &&
               d16.At(1, 0) == (assets::Rgb8{255, 255, 255}) &&
               d16.At(2, 1) == (assets::Rgb8{0, 0, 255}),
           "a 16-bit file keeps full channels full and empty ones empty");
    const Decoded d4 = DecodeBmp(assets::BmpPalettised(p, 4));
    Expect(d4.valid && d4.paletteEntries == 3 && d4.At(0, 0) == (assets::Rgb8{255, 0, 0}) &&
               d4.At(2, 1) == (assets::Rgb8{0, 0, 255}),
           "a palettised file of few colours keeps those colours exactly");
}

void PaletteReductionKeepsToItsLimitAndItsExtremes()
{
    std::vector<assets::Rgb8> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.push_back({static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i)});
    const std::vector<assets::Rgb8> sixteen = assets::ReducePalette(ramp, 16);
    Expect(sixteen.size() == 16, "a 256-colour ramp reduces to 16 colours");
    const assets::Rgb8 low = sixteen[assets::Nearest(sixteen, {0, 0, 255})];
    const assets::Rgb8 high = sixteen[assets::Nearest(sixteen, {255, 0, 0})];
    Expect(low.r < 16 && high.r > 239, "the reduced palette still reaches both ends of the ramp");
}

void EveryCharacterTheArtWritesHasAGlyph()
{
    for (char c : std::string("QUAVERTON v1.0 PLAY STOP 12345678"))
        Expect(assets::HasGlyph(c), std::string("the letter set draws '") + c + "'");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SCRATCH_DIR\n", argv[0]);
        return 2;
    }
    artDir = argv[1];
    std::filesystem::remove_all(Dir());
    std::filesystem::create_directories(Dir());
    Expect(assets::WriteArt(Dir()), "the art is written into " + Dir());

    EveryBitmapHasTheSizeAndDepthTheWindowCopiesItWith();
    RollStripHasLinesExactlyWhereNoteCellsFit();
    OnPadIsTheOffPadWithAPinkDiscInTheMiddle();
    ArrowsAreBlackOnWhiteAndMirrorEachOther();
    EachDigitSquareShowsItsOwnDigitOnYellow();
    ButtonsAreYellowWithMagentaWords();
    SplashLettersStandOverAReflectionThatFades();
    IconIsOne16ColourImageWithItsMask();
    ArtIsTheSameOnEveryRun();
    EncodersPadRowsAndStoreThemBottomUp();
    PaletteReductionKeepsToItsLimitAndItsExtremes();
    EveryCharacterTheArtWritesHasAGlyph();

    std::filesystem::remove_all(Dir());
    std::printf(failures == 0 ? "art checks passed\n" : "%d art checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
