// Any byte stream from the other player, arriving in any bursts, through the
// receive dispatch with both banks loaded and the mixer running between
// bursts. The first byte sets the burst sizes (1 to 16 bytes, cycling through
// its bits); the rest is the stream. Checked after every burst: every byte
// that arrived was taken; the terminal was shown exactly the stream less the
// note byte after each "#" that opens a note message; a "#" is held exactly
// when its note byte has not arrived; one repaint followed every byte shown and
// every held note byte taken; the voices only ever play steps of the key and
// note tables, inside their banks.
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "input/key_map.h"
#include "input/midi_notes.h"
#include "input/peer_protocol.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

class BurstLine final : public PeerLine {
public:
    std::deque<unsigned char> arrived;
    std::string shown;
    size_t taken = 0;
    size_t repaints = 0;

    int ReadByte(unsigned char* abIn) override
    {
        if (arrived.empty()) return 0;
        abIn[0] = arrived.front();
        arrived.pop_front();
        ++taken;
        return 1;
    }
    void ShowByte(unsigned char byte) override { shown += static_cast<char>(byte); }
    void Repaint() override { ++repaints; }
};

// Every step a received byte may start a voice at.
bool IsTableStep(float step)
{
    if (step == 0.0f) return true;
    for (int i = 0; i < 13; ++i)
        if (step == KeyStepPitch(i)) return true;
    for (int key = 0; key < 128; ++key)
        if (step == NotePitch(static_cast<unsigned char>(key))) return true;
    return false;
}

// What the terminal must have been shown, and whether a "#" waits for its
// note byte, after the stream so far.
struct Expected {
    std::string shown;
    bool markHeld = false;

    void Add(unsigned char byte)
    {
        if (markHeld) {
            markHeld = false;  // the note byte: played, not shown
            return;
        }
        shown += static_cast<char>(byte);
        markHeld = byte == NOTE_MARK;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    static std::vector<unsigned char> bank1(3000, SILENT_LEVEL), bank2(3000, SILENT_LEVEL);
    ResetVoices();
    sptemp = bank1.data();
    sptemp2 = bank2.data();
    samp1length = samp2length = 3000;

    const unsigned pattern = data[0];
    BurstLine line;
    PeerReceiveState state;
    Expected expected;
    unsigned char block[64];
    size_t at = 1, burst = 0;
    while (at < size) {
        const size_t length = 1 + (((pattern >> (burst++ % 8)) * 7u) & 15u);
        for (size_t i = 0; i < length && at < size; ++i, ++at) {
            line.arrived.push_back(data[at]);
            expected.Add(data[at]);
        }
        const size_t repaintsBefore = line.repaints, shownBefore = line.shown.size();
        const bool heldBefore = state.noteMarkHeld;
        ReceiveArrivedBytes(state, line);
        Check(line.arrived.empty());
        // What was shown before this burst was checked after the last one.
        Check(line.shown.size() == expected.shown.size() &&
              line.shown.compare(shownBefore, std::string::npos, expected.shown, shownBefore) == 0);
        Check(state.noteMarkHeld == expected.markHeld);
        Check(line.repaints - repaintsBefore == line.shown.size() - shownBefore + (heldBefore ? 1 : 0));
        MixBlock(block, sizeof block);
        Check(IsTableStep(pitch1) && IsTableStep(pitch2));
        Check(pint1 < bank1.size() && pint2 < bank2.size());
    }
    sptemp = sptemp2 = nullptr;
    samp1length = samp2length = 0;
    return 0;
}
