// The receiving side of the line between the two players: every byte received
// is shown and played with the same tables the sender used; "#" and the byte
// after it are a MIDI note message, of which only the "#" is shown.
#pragma once

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

// Dispatches the byte just read into abIn (and stored in inbyte): a "#" reads
// its note byte at once and plays it; any other byte plays as a key. Returns 1,
// or for "#" the count of the note byte's read (0 when it has not arrived, and
// the "#" is then held).
int ProcessReceivedByte(PeerReceiveState& state, PeerLine& line, unsigned char* abIn);

// One receive event: reads, shows, dispatches and repaints byte after byte
// until nothing more has arrived.
void ReceiveArrivedBytes(PeerReceiveState& state, PeerLine& line);
