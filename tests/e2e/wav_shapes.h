// WAV files shaped the way sound programs write them (extra chunks before and
// after the data, odd sizes with and without their pad byte, stale or
// streamed size fields, other sample formats and rates, short and huge format
// chunks), each with what the program does with it as its format file and as
// a sample bank. The unit tests read them through the core with a model of
// the RIFF reader; the end-to-end test gives them to the program under Wine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// What the program does with a file in one role.
constexpr const char* STARTS = "starts";  // as the format file: the program starts and a key sounds
constexpr const char* LOADS = "loads";    // as a bank: the program starts and a key sounds
constexpr const char* UNUSED = "-";       // not tried in this role

struct WavShape {
    std::string name;
    std::string meaning;
    std::vector<uint8_t> bytes;
    // As "ding.wav": STARTS, UNUSED, or the texts the program may show, one
    // or several separated by '|' (a later step's text can depend on how much
    // memory the system gives).
    std::string asFormat;
    // As "SAMPLE2.WAV": LOADS, UNUSED, or the text shown, with NAME where
    // the message names the file.
    std::string asBank;
    uint32_t bankLength = 0;  // the bank's length when it loads
};

const std::vector<WavShape>& WavShapes();

// The builders the shapes are made with, for tests that make files of their own.
// A chunk: its id, its declared size (the body's own by default), the body
// and, for an odd body, the pad byte unless told otherwise.
std::vector<uint8_t> WavChunk(const char* id, const std::vector<uint8_t>& body,
                              std::optional<uint32_t> declared = std::nullopt, bool pad = true);
// A format chunk's body: the PCM fields for tag, channels, rate and bits,
// then `extra` bytes (cbSize and what follows it).
std::vector<uint8_t> FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                const std::vector<uint8_t>& extra = {});
// "RIFF", its size (the true one by default), "WAVE", the chunks.
std::vector<uint8_t> RiffWave(const std::vector<std::vector<uint8_t>>& chunks,
                              std::optional<uint32_t> riffSize = std::nullopt);

// A bank text with NAME replaced by the file's name.
std::string BankText(const std::string& text, const std::string& fileName);

}  // namespace e2e
