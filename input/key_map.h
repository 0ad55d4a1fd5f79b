// The PC keyboard as two 13-key instruments: the top letter and digit rows play
// voice 1, the bottom and home rows play voice 2, each at the 13 steps of the
// key scale. Received key bytes and the piano pattern play through it too.
#pragma once

// ---- Program-wide key state -----------------------------------------------
extern signed char inchar;  // the last typed character after case mapping

constexpr int KEY_STEPS = 13;  // steps 0..12 of the key scale

// The pitch of key-scale step 0..12: 1.0, then (MIXR + step * 1837.5) / SAMPR
// for steps 1 to 11 (25/24 .. 35/24), then 2.0. Any other step gives 0.
float KeyStepPitch(int step);

// Starts the voice and step that `ch` (already in its final case) maps to;
// a character outside the map plays nothing. Returns whether it played.
bool PlayKeyCharacter(unsigned char ch);

// The typed-character trigger: maps "a".."z" to upper case, keeps the result
// in `inchar` and plays it. Returns the character to send to the line.
unsigned char TypeKeyCharacter(unsigned int code);
