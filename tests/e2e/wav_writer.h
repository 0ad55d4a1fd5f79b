// Test WAV files for the end-to-end tests, built in memory from a small
// description: pure-tone sample banks, good format files, and the malformed
// files that start-up must refuse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// What a WAV file says about itself. Defaults give the canonical 44-byte
// header of 8-bit mono PCM at 44100 Hz; each field can be spoiled on its own.
struct WavLayout {
    std::string riffMagic = "RIFF";   // bytes 0-3
    std::string waveMagic = "WAVE";   // bytes 8-11
    uint16_t formatTag = 1;           // 1 is PCM
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bitsPerSample = 8;
    bool withFormatChunk = true;
    bool withDataChunk = true;
    std::optional<uint32_t> riffSize;  // the RIFF size field; else 36 + data bytes
    std::optional<uint32_t> dataSize;  // the data chunk's declared size; else its real size
    std::vector<uint8_t> data;
    std::optional<size_t> truncateTo;  // cut the finished file to this many bytes
};

std::vector<uint8_t> BuildWav(const WavLayout& layout);

// A sine tone as 8-bit unsigned samples around 128, starting at phase 0, so
// its first byte is the silent level (an idle voice reads byte 0 of its bank).
std::vector<uint8_t> PureTone(double hz, double ms, int amplitude, double rate);

// Writes bytes to a file; false if it cannot be written.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A named test file (see e2e_wavs --help for the kinds). The tone, the
// duration and the amplitude apply to the kinds that hold a tone; bytes to
// the kinds whose size matters. Empty when the kind is unknown.
struct WavOptions {
    double hz = 441.0;   // 100 samples a period at 44100 Hz
    double ms = 1000.0;
    int amplitude = 100;
    uint32_t bytes = 1024;
    uint32_t rate = 44100;
};
std::optional<std::vector<uint8_t>> NamedWav(const std::string& kind, const WavOptions& options);
const std::vector<std::string>& NamedWavKinds();

}  // namespace e2e
