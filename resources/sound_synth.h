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
// 46.4 ms at 44100 Hz. Only two blocks are ever queued, so a refill may come
// at most one block late, and a key is heard one to two blocks after it is
// pressed, plus the sound system's own buffering. Chosen by the stress run of
// tests/e2e/stress_bench.sh under Wine (the window repainted without a pause,
// both sequencers playing, a peer streaming at 9600 bit/s, a data block every
// 5 s, half of them held by XOFF), 180 s each: 1024 bytes broke up 3 to 7
// times, 1536 bytes 9 times, 2048 bytes not at all; the key-to-sound latency
// was a median 46, 48 and 61 ms. Blocks of whole 10 ms periods of Wine's
// sound path answer sooner (882 bytes: a median 42 ms) but broke up some 40
// times in 3 minutes of the same stress where the floor broke up 1 to 18
// times: the refills wait behind the window's painting.
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
