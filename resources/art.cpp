// Writes every bitmap and the icon of the program into the build folder, each
// at the size and colour depth the window code copies it with.
#include "resources/art.h"

#include <cstdint>
#include <vector>

#include "resources/bmp_writer.h"
#include "resources/brand_art.h"
#include "resources/pattern_art.h"
#include "resources/sound_synth.h"

namespace assets {
namespace {

struct ArtFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::string BitmapName(int id) { return "bitmap" + std::to_string(id) + ".bmp"; }

std::vector<ArtFile> AllArt()
{
    std::vector<ArtFile> files = {
        {BitmapName(124), Bmp24(PadOff())},
        {BitmapName(125), Bmp16(PadOn())},
        {BitmapName(126), Bmp24(Splash())},
        {BitmapName(129), Bmp24(RollColumn())},
        {BitmapName(130), BmpPalettised(TransportButton("PLAY"), 8)},
        {BitmapName(131), BmpPalettised(TransportButton("STOP"), 8)},
        {BitmapName(132), Bmp24(Arrow(true))},
        {BitmapName(133), Bmp24(Arrow(false))},
        {BitmapName(500), BmpPalettised(Logo(LOGO_SIZE, false), 4)},
        {"icon400.ico", Icon16Colours(Logo(ICON_SIZE, true), RoundedTileMask(ICON_SIZE))},
    };
    // The digits 1 to 8 are bitmaps 134 to 138 and 140 to 142: 139 is not used.
    const int digitIds[] = {134, 135, 136, 137, 138, 140, 141, 142};
    for (int i = 0; i < 8; ++i)
        files.push_back({BitmapName(digitIds[i]), Bmp24(DigitSquare(static_cast<char>('1' + i)))});
    return files;
}

}  // namespace

bool WriteArt(const std::string& dir)
{
    for (const ArtFile& f : AllArt())
        if (!WriteFile(dir + "/" + f.name, f.bytes)) return false;
    return true;
}

}  // namespace assets
