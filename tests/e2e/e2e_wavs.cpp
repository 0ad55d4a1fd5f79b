// Writes one of the end-to-end tests' WAV files: a pure-tone sample bank, a
// good format file, or a malformed file that start-up must refuse.

//   e2e_wavs KIND FILE [--hz F] [--ms N] [--amp A] [--bytes N] [--rate R]
//   e2e_wavs --shapes DIR  writes DIR/NAME.wav for every WAV shape and prints
//                          a line NAME<tab>AS-FORMAT<tab>AS-BANK for each: what
//                          the program does with it as "ding.wav" and as
//                          "SAMPLE2.WAV" (see tests/e2e/wav_shapes.h)
//   e2e_wavs --help      lists the kinds
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/wav_shapes.h"
#include "tests/e2e/wav_writer.h"

namespace {

int Usage(std::FILE* to, int code)
{
    std::fprintf(to, "usage: e2e_wavs KIND FILE [--hz F] [--ms N] [--amp A] [--bytes N] [--rate R]\nkinds:\n");
    for (const std::string& line : e2e::NamedWavKinds()) std::fprintf(to, "  %s\n", line.c_str());
    return code;
}

// Reads the --name value pairs after KIND and FILE; false on anything else.
bool ReadOptions(int argc, char** argv, e2e::WavOptions& o)
{
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 >= argc) return false;
        const char* name = argv[i];
        const double v = std::strtod(argv[i + 1], nullptr);
        if (std::strcmp(name, "--hz") == 0) o.hz = v;
        else if (std::strcmp(name, "--ms") == 0) o.ms = v;
        else if (std::strcmp(name, "--amp") == 0) o.amplitude = static_cast<int>(v);
        else if (std::strcmp(name, "--bytes") == 0) o.bytes = static_cast<uint32_t>(v);
        else if (std::strcmp(name, "--rate") == 0) o.rate = static_cast<uint32_t>(v);
        else return false;
    }
    return true;
}

int WriteShapes(const std::string& dir)
{
    for (const e2e::WavShape& shape : e2e::WavShapes()) {
        if (!e2e::WriteBytes(dir + "/" + shape.name + ".wav", shape.bytes)) {
            std::fprintf(stderr, "e2e_wavs: cannot write %s/%s.wav\n", dir.c_str(), shape.name.c_str());
            return 1;
        }
        std::printf("%s\t%s\t%s\n", shape.name.c_str(), shape.asFormat.c_str(),
                    e2e::BankText(shape.asBank, "SAMPLE2.WAV").c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) return Usage(stdout, 0);
    if (argc == 3 && std::strcmp(argv[1], "--shapes") == 0) return WriteShapes(argv[2]);
    e2e::WavOptions options;
    if (argc < 3 || !ReadOptions(argc, argv, options)) return Usage(stderr, 2);
    const auto bytes = e2e::NamedWav(argv[1], options);
    if (!bytes) {
        std::fprintf(stderr, "e2e_wavs: unknown kind '%s'\n", argv[1]);
        return Usage(stderr, 2);
    }
    if (!e2e::WriteBytes(argv[2], *bytes)) {
        std::fprintf(stderr, "e2e_wavs: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
