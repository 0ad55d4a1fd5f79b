// The asset program: run by the build, it writes the files the program needs
// beside it, so the repository holds no binary blobs.
#include <cstdio>
#include <string>
#include <vector>

#include "resources/art.h"
#include "resources/sound_synth.h"

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
