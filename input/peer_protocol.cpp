// The line's messages: made on the user-interface thread when a player plays,
// dispatched on the serial watch thread when they arrive. The voices either
// side starts are handed to the mixer whole by StartVoice.
#include "input/peer_protocol.h"

#include "input/key_map.h"
#include "input/midi_notes.h"

unsigned char inbyte = 0;

namespace {

// Reads the note byte of a note message and plays it; holds the "#" when the
// byte has not arrived yet.
int ReadAndPlayNoteByte(PeerReceiveState& state, PeerLine& line, unsigned char* abIn)
{
    int count = line.ReadByte(abIn);
    state.noteMarkHeld = count == 0;
    if (count > 0) {
        inbyte = abIn[0];
        PlayNote(inbyte);
    }
    return count;
}

}  // namespace

PeerMessage PlayTypedKey(unsigned int code)
{
    return PeerMessage{{TypeKeyCharacter(code), 0}, 1};
}

PeerMessage PlayMidiKeyPress(MidiKeyPress press)
{
    if (!press.pressed) return PeerMessage{{0, 0}, 0};
    PlayNote(press.key);
    return PeerMessage{{NOTE_MARK, press.key}, 2};
}

int ProcessReceivedByte(PeerReceiveState& state, PeerLine& line, unsigned char* abIn)
{
    if (inbyte == NOTE_MARK) return ReadAndPlayNoteByte(state, line, abIn);
    PlayKeyCharacter(inbyte);  // no case mapping: only the map's own characters play
    return 1;
}

void ReceiveArrivedBytes(PeerReceiveState& state, PeerLine& line)
{
    unsigned char abIn[2] = {0, 0};
    if (state.noteMarkHeld) {
        // The "#" was shown when it came; its note byte is the first to arrive now.
        if (ReadAndPlayNoteByte(state, line, abIn) == 0) return;
        line.Repaint();
    }
    for (;;) {
        if (line.ReadByte(abIn) == 0) return;
        line.ShowByte(abIn[0]);
        inbyte = abIn[0];
        int count = ProcessReceivedByte(state, line, abIn);
        line.Repaint();
        if (count <= 0) return;
    }
}
