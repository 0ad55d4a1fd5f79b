// The two voices and the software mixer. Voice 1 plays bank 1 and voice 2
// plays bank 2, each from the start of its bank at a variable step until it
// nears the bank's end; the mixer averages them into 8-bit output blocks.
#pragma once

#include <cstdint>

// ---- Program-wide voice state ---------------------------------------------
// Owned by the thread that mixes (the user-interface thread). Other threads
// never write these; they start voices only through StartVoice.
extern float pitch1;            // voice 1 step: bank bytes per output sample, 0 = idle
extern float pfi1;              // voice 1 position in bytes, with fraction
extern uint32_t pint1;          // voice 1 byte being read: whole part of pfi1
extern float pitch2;            // voice 2 step
extern float pfi2;              // voice 2 position
extern uint32_t pint2;          // voice 2 byte being read
extern const unsigned char* sptemp;   // bank 1, read by voice 1
extern const unsigned char* sptemp2;  // bank 2, read by voice 2

// Constants of the step formula (MIXR + d) / SAMPR for a rate offset of d Hz.
extern const float MIXR;
extern const float SAMPR;

// A voice ends this many bytes before the end of its bank.
constexpr uint32_t VOICE_END_MARGIN = 1000;

// Steps at or above this would let a read pass the end of a bank (see the end
// test in MixBlock); StartVoice treats them, negatives and NaN as 0 (idle).
constexpr float MAX_STEP = 1000.0f;

// Restarts voice 1 or 2 from the beginning of its bank with `step`, cutting
// whatever it was playing; step 0 leaves it idle. Callable from any thread:
// the start reaches the voice whole at the mixer's next output sample.
void StartVoice(int voice, float step);

// Fills all `size` bytes of `block` with the average of the two voices,
// advancing each voice by one step per byte. Needs both banks loaded.
void MixBlock(unsigned char* block, uint32_t size);

// The pre-fill of a fresh output block: size / 2 pairs of voice 1's current
// byte followed by voice 2's; an odd last byte is left as it is.
void PrefillBlock(unsigned char* block, uint32_t size);

// Returns both voices to idle at position 0 and drops any start not yet taken.
void ResetVoices();
