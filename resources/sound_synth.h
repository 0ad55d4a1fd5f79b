// Synthesis of the program's sounds and the canonical WAV writer used by the
// asset program. Everything is computed, so the sounds can be changed in code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// The output rate of the shipped format file, and the rate at which both banks
// are made, so that a voice step of 1.0 plays a bank at its own pitch.
constexpr uint32_t OUTPUT_RATE = 44100;

// Bytes per output block in the shipped format file: 2048 bytes play for
// 46.4 ms at 44100 Hz, so a start is heard 46 to 93 ms later. Under Wine with
// a sound server, 1024-byte blocks (23.2 ms) broke up in every test run;
// 2048 did not, so the message loop's refill has that much slack.
constexpr uint32_t BLOCK_BYTES = 2048;

// Bank 1: a struck wooden bar (marimba-like), pitched at C4. It is played at
// steps 0.5 to 2.58, so its partials stay below 8 kHz to keep the truncating
// resampler's aliasing low even two octaves up.
std::vector<uint8_t> StruckBar();

// Bank 2: a plucked string at C4, for the piano roll and the bottom key rows.
std::vector<uint8_t> PluckedString();

// A canonical 44-byte-header 8-bit mono PCM file.
std::vector<uint8_t> WaveFile(const std::vector<uint8_t>& samples, uint32_t rate);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace assets
