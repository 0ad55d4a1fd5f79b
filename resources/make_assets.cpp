// The asset program: run by the build, it writes the files the program needs
// beside it, so the repository holds no binary blobs, and the pattern view's
// places for the test bed's scripts.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "pattern/view_layout.h"
#include "resources/art.h"
#include "resources/sound_synth.h"

namespace {

// The view's layout table as shell assignments: NAME_X, NAME_Y, NAME_W and
// NAME_H of each box and control, and the table's own constants.
std::string LayoutScript()
{
    using namespace view_layout;
    std::string out = "# Written by the asset program from pattern/view_layout.h.\n";
    auto value = [&](const char* name, int v) { out += std::string(name) + "=" + std::to_string(v) + "\n"; };
    auto box = [&](const std::string& name, const Box& b) {
        for (auto [suffix, v] : {std::pair{"_X", b.left}, {"_Y", b.top}, {"_W", b.width}, {"_H", b.height}})
            value((name + suffix).c_str(), v);
    };
    value("PAD_LEFT", PAD_LEFT);
    value("PAD_TOP", PAD_TOP);
    value("PAD_PITCH", PAD_PITCH);
    value("PAD_WIDTH", PAD_WIDTH);
    value("PAD_HEIGHT", PAD_HEIGHT);
    value("ROLL_LEFT", ROLL_LEFT);
    value("ROLL_TOP", ROLL_TOP);
    value("ROLL_COLUMN_WIDTH", ROLL_COLUMN_WIDTH);
    value("ROLL_ROW_PITCH", ROLL_ROW_PITCH);
    value("ROLL_HEIGHT", ROLL_HEIGHT);
    box("ROLL_CLICKS", ROLL_CLICKS);
    value("NOTE_WIDTH", NOTE_WIDTH);
    value("NOTE_HEIGHT", NOTE_HEIGHT);
    value("CONTROL_WIDTH", CONTROL_WIDTH);
    value("CONTROL_HEIGHT", CONTROL_HEIGHT);
    for (auto [name, c] : {std::pair{"DRUM_PATTERN", DRUM_PATTERN}, {"DRUM_TEMPO", DRUM_TEMPO},
                           {"PIANO_PATTERN", PIANO_PATTERN}, {"PIANO_TEMPO", PIANO_TEMPO}}) {
        box(std::string(name) + "_UP", c.UpClicks());
        box(std::string(name) + "_DIGIT", c.Digit());
        box(std::string(name) + "_DOWN", c.DownClicks());
    }
    box("PLAY", PLAY);
    box("STOP", STOP);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    struct Asset { const char* name; std::vector<uint8_t> bytes; };
    const Asset assets[] = {
        {"SAMPLE2.WAV", assets::WaveFile(assets::StruckBar(), assets::OUTPUT_RATE)},
        {"SAMPLE.WAV", assets::WaveFile(assets::PluckedString(), assets::OUTPUT_RATE)},
        // Only its format and data size matter: the output format and block size.
        {"ding.wav", assets::WaveFile(std::vector<uint8_t>(assets::BLOCK_BYTES, 128),
                                      assets::OUTPUT_RATE)},
        {"bed_layout.sh", [] {
             const std::string text = LayoutScript();
             return std::vector<uint8_t>(text.begin(), text.end());
         }()},
    };
    for (const Asset& a : assets) {
        if (!assets::WriteFile(dir + "/" + a.name, a.bytes)) {
            std::fprintf(stderr, "make_assets: cannot write %s/%s\n", dir.c_str(), a.name);
            return 1;
        }
    }
    if (!assets::WriteArt(dir)) {
        std::fprintf(stderr, "make_assets: cannot write the bitmaps into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
