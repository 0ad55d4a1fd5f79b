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

// Bytes per output block in the shipped format file: 3072 bytes play for
// 69.7 ms at 44100 Hz, so the program itself hears a start 70 to 139 ms later.
// Only two blocks are ever queued, so a refill may come at most one block
// late. Measured under Wine with a sound server while the window was
// repainted over and over (tests/e2e/latency_bench.sh, three 30 s runs each):
// 2048-byte blocks (46.4 ms) broke up a median 32 times, 3072 twice, 4096
// once or twice; the key-to-sound latency was 194, 209 and 246 ms (medians,
// most of it the sound system's own buffering). 1024 broke up in every run.
constexpr uint32_t BLOCK_BYTES = 3072;

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
