// A noisy line for the cable: each byte carried is, at a given rate, damaged
// the way a poor line damages it (one bit flipped, the byte lost, or a stray
// byte added after it), from a seeded generator so a run can be repeated.
// Also the hash the cable's tally gives of the bytes it delivered.
#pragma once

#include <cstdint>
#include <string>

#include "terminal/tty_screen.h"

// The 32-bit FNV-1a hash the terminal's tally keeps (ByteTally): start from
// FNV1A_START and continue it over the bytes in order; hashing in pieces
// gives the same as hashing all at once.
constexpr uint32_t FNV1A_START = ByteTally::FNV_START;
uint32_t Fnv1a(uint32_t hash, const std::string& bytes);

class LineNoise {
public:
    // rate: the chance, 0..1, that a byte is damaged. The same seed gives
    // the same damage to the same bytes, however they are split into calls.
    LineNoise(double rate, uint32_t seed);

    // The bytes as they come out of the line. Each damaged byte has, with
    // equal chance, one random bit flipped, is dropped, or is followed by a
    // random byte.
    std::string Carry(const std::string& bytes);

    uint64_t carried() const { return carried_; }  // bytes given to Carry
    uint64_t flipped() const { return flipped_; }
    uint64_t dropped() const { return dropped_; }
    uint64_t inserted() const { return inserted_; }

private:
    uint64_t Next();  // splitmix64: any seed, 0 included, gives a full-period stream

    double rate_;
    uint64_t state_;
    uint64_t carried_ = 0;
    uint64_t flipped_ = 0;
    uint64_t dropped_ = 0;
    uint64_t inserted_ = 0;
};
