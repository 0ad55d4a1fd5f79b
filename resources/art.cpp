// Writes every bitmap and the icon of the program into the build folder, each
// at the size and colour depth the window code copies it with.
#include "resources/art.h"

#include <cstdint>
#include <vector>

#include "resources/bmp_writer.h"
#include "resources/brand_art.h"
#include "resources/pattern_art.h"
#include "resources/resource.h"
#include "resources/sound_synth.h"

namespace assets {
namespace {

struct ArtFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The files the resource script names for each identifier.
std::string BitmapName(int id) { return "bitmap" + std::to_string(id) + ".bmp"; }
std::string IconName(int id) { return "icon" + std::to_string(id) + ".ico"; }

std::vector<ArtFile> AllArt()
{
    std::vector<ArtFile> files = {
        {BitmapName(IDB_PADOFF), Bmp24(PadOff())},
        {BitmapName(IDB_PADON), Bmp16(PadOn())},
        {BitmapName(IDB_SPLASH), Bmp24(Splash())},
        {BitmapName(IDB_ROLLCOLUMN), Bmp24(RollColumn())},
        {BitmapName(IDB_PLAY), BmpPalettised(TransportButton("PLAY"), 8)},
        {BitmapName(IDB_STOP), BmpPalettised(TransportButton("STOP"), 8)},
        {BitmapName(IDB_ARROWUP), Bmp24(Arrow(true))},
        {BitmapName(IDB_ARROWDOWN), Bmp24(Arrow(false))},
        {BitmapName(IDB_LOGO), BmpPalettised(Logo(LOGO_SIZE, false), 4)},
        {IconName(IDI_QUAVERTON), Icon16Colours(Logo(ICON_SIZE, true), RoundedTileMask(ICON_SIZE))},
    };
    const int digitIds[] = {IDB_DIGIT1, IDB_DIGIT2, IDB_DIGIT3, IDB_DIGIT4,
                            IDB_DIGIT5, IDB_DIGIT6, IDB_DIGIT7, IDB_DIGIT8};
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
