// The line between the two players, both ways. A player's typed key goes down
// the line as the one byte the key map makes of it; a MIDI key press as "#"
// and the key number. Every byte received is shown and played with the same
// tables the sender used; "#" and the byte after it are a note message, of
// which only the "#" is shown. (A typed "#" therefore makes the far end read
// the next byte as a note number.)
#pragma once

#include <cstdint>

#include "input/midi_notes.h"

// ---- Program-wide receive state ----
extern unsigned char inbyte;  // the byte being dispatched; written by the receiving thread only

// What the receive loop needs of the line and the window: one-byte reads
// that never wait, the terminal, and the immediate repaint.
class PeerLine {
public:
    virtual int ReadByte(unsigned char* abIn) = 0;  // 1 with a byte, 0 when none has arrived
    virtual void ShowByte(unsigned char byte) = 0;  // write it into the terminal view
    virtual void Repaint() = 0;                     // show the terminal before the next byte

protected:
    ~PeerLine() = default;
};

// Carried from one receive event to the next: a "#" received as the last byte
// so far waits here for its note byte, so that a note message split across two
// arrivals still plays the note the sender played.
struct PeerReceiveState {
    bool noteMarkHeld = false;
};

constexpr unsigned char NOTE_MARK = '#';

// ---- Sending: what one action of a player plays here and sends ----

// The bytes of one action, in the order they go down the line.
struct PeerMessage {
    unsigned char bytes[2];
    int length;
};

// A typed character (the window's character code): plays what the key map
// makes of it and gives that one byte to send.
PeerMessage PlayTypedKey(unsigned int code);

// A MIDI message from the keyboard: a key press plays its note and gives
// NOTE_MARK and the key number; anything else plays and sends nothing.
PeerMessage PlayMidiKeyPress(MidiKeyPress press);

// ---- Receiving ----

// Dispatches the byte just read into abIn (and stored in inbyte): a "#" reads
// its note byte at once and plays it; any other byte plays as a key. Returns 1,
// or for "#" the count of the note byte's read (0 when it has not arrived, and
// the "#" is then held).
int ProcessReceivedByte(PeerReceiveState& state, PeerLine& line, unsigned char* abIn);

// One receive event: reads, shows, dispatches and repaints byte after byte
// until nothing more has arrived.
void ReceiveArrivedBytes(PeerReceiveState& state, PeerLine& line);
