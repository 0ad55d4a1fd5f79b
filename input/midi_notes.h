// The MIDI note pitch table: keys 36 to 84 play voice 1 at k/24, rising by
// 1/24 per key with 24/24 and 50/24 left out. Received note messages play
// through the same table.
#pragma once

#include <cstdint>

constexpr int LOWEST_NOTE = 36;
constexpr int HIGHEST_NOTE = 84;

// The pitch of MIDI key 36..84; any other key gives 0.
float NotePitch(int key);

// Starts voice 1 at NotePitch(key) for keys 36..84; other keys play nothing.
// Returns whether it played.
bool PlayNote(int key);

// A MIDI short message as the input device delivers it: status in bits 0-7,
// key number in bits 8-15, velocity in bits 16-23. A note-on on any channel
// (status 0x90 to 0x9F) whose velocity byte is non-zero is a key press. A
// note-on with velocity 0 is a release, and so is a note-off whatever its
// release velocity; controllers, pitch bend and pressure are no keys either:
// a keyboard sends them as its keys go up, its pedal goes down or its wheels
// turn, and none of them plays or goes down the line.
struct MidiKeyPress {
    bool pressed;
    unsigned char key;
    unsigned char velocity;
};
MidiKeyPress DecodeMidiShortMessage(uint32_t midinote);
