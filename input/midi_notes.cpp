// The MIDI note pitch table and the note trigger.
#include "input/midi_notes.h"

#include "audio/voices.h"

namespace {

// Twenty-fourths of the bank's own rate for each key: key - 24 below key 48,
// key - 23 up to key 72, key - 22 above, so 24 and 50 are skipped.
constexpr int NoteTwentyFourths(int key)
{
    if (key < 48) return key - 24;
    if (key <= 72) return key - 23;
    return key - 22;
}

}  // namespace

float NotePitch(int key)
{
    if (key < LOWEST_NOTE || key > HIGHEST_NOTE) return 0.0f;
    return static_cast<float>(NoteTwentyFourths(key) / 24.0);
}

bool PlayNote(int key)
{
    if (key < LOWEST_NOTE || key > HIGHEST_NOTE) return false;
    StartVoice(1, NotePitch(key));
    return true;
}

MidiKeyPress DecodeMidiShortMessage(uint32_t midinote)
{
    constexpr unsigned NOTE_ON = 0x90;
    const bool noteOn = (midinote & 0xF0) == NOTE_ON;
    unsigned midistatus = (midinote >> 8) & 0xFF;  // the key number
    unsigned mididata = (midinote >> 16) & 0xFF;   // the velocity
    return {noteOn && mididata != 0, static_cast<unsigned char>(midistatus), static_cast<unsigned char>(mididata)};
}
