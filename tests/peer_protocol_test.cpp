// The receive dispatch: what is shown, what plays, and how a note message
// split across two arrivals is put back together.
#include <deque>
#include <string>
#include <utility>

#include "input/key_map.h"
#include "input/midi_notes.h"
#include "input/peer_protocol.h"
#include "tests/bank_fixture.h"

namespace {

// A line whose bytes arrive in bursts; records what the terminal was shown.
class RecordedLine : public PeerLine {
public:
    std::deque<unsigned char> arrived;
    std::string shown;
    int repaints = 0;

    void Arrive(const std::string& bytes) { arrived.insert(arrived.end(), bytes.begin(), bytes.end()); }
    int ReadByte(unsigned char* abIn) override
    {
        if (arrived.empty()) return 0;
        abIn[0] = arrived.front();
        arrived.pop_front();
        return 1;
    }
    void ShowByte(unsigned char byte) override { shown += static_cast<char>(byte); }
    void Repaint() override { ++repaints; }
};

class PeerProtocolTest : public BankFixture {
protected:
    RecordedLine line;
    PeerReceiveState state;

    void Receive(const std::string& bytes)
    {
        line.Arrive(bytes);
        ReceiveArrivedBytes(state, line);
    }
};

TEST_F(PeerProtocolTest, KeyBytesPlayTheirVoiceAndEveryByteIsShown)
{
    Receive("R");
    EXPECT_EQ(line.shown, "R");
    EXPECT_EQ(StepAfterOneSample(1), KeyStepPitch(6));
    ResetVoices();
    Receive("q8\r\x80\xff");  // no case mapping at the receiver; none of these plays
    EXPECT_EQ(line.shown, "Rq8\r\x80\xff");
    EXPECT_EQ(StepAfterOneSample(1), 0.0f);
    EXPECT_EQ(StepAfterOneSample(2), 0.0f);
    EXPECT_EQ(line.repaints, 6) << "one repaint after every byte";
}

TEST_F(PeerProtocolTest, ANoteMessageShowsOnlyTheMarkAndPlaysTheNote)
{
    Receive("#<");
    EXPECT_EQ(line.shown, "#");
    EXPECT_EQ(StepAfterOneSample(1), NotePitch(60));
    ResetVoices();
    Receive("#U");  // key 85: outside the table, and not a key byte here
    Receive("##");
    EXPECT_EQ(line.shown, "###");
    EXPECT_EQ(StepAfterOneSample(1), 0.0f);
    EXPECT_EQ(StepAfterOneSample(2), 0.0f);
}

TEST_F(PeerProtocolTest, ANoteByteArrivingLaterStillPlaysTheNote)
{
    Receive("#");
    EXPECT_EQ(line.shown, "#");
    EXPECT_TRUE(state.noteMarkHeld);
    Receive("<Z");
    EXPECT_EQ(line.shown, "#Z") << "the note byte is not shown";
    EXPECT_FALSE(state.noteMarkHeld);
    EXPECT_EQ(StepAfterOneSample(1), NotePitch(60));
    EXPECT_EQ(StepAfterOneSample(2), 1.0f) << "the byte after the note plays as a key";
    Receive("#");
    Receive("");  // a receive event with nothing read keeps holding
    EXPECT_TRUE(state.noteMarkHeld);
}

TEST_F(PeerProtocolTest, ALostMarkLeavesTheNoteByteAsAKey)
{
    Receive("B");  // key number 66 without its "#": restarts voice 2 at step 8
    EXPECT_EQ(line.shown, "B");
    EXPECT_EQ(StepAfterOneSample(2), KeyStepPitch(8));
}

TEST_F(PeerProtocolTest, ADataBlockIs512KeyBytes)
{
    Receive(std::string(512, 'X'));
    EXPECT_EQ(line.shown, std::string(512, 'X'));
    EXPECT_EQ(StepAfterOneSample(2), KeyStepPitch(2));
    EXPECT_EQ(line.repaints, 512);
}

// Each player plays what it sends; the far end's dispatch must start the same
// voice at the same pitch from the bytes alone: every character code a window
// can type, and every MIDI key with and without velocity.
TEST_F(PeerProtocolTest, WhatAPlayerSendsPlaysAtTheFarEndAsItDidHere)
{
    // The pitches of both voices after one action, from silence.
    auto played = [this](auto action) {
        ResetVoices();
        action();
        return std::pair<float, float>(StepAfterOneSample(1), StepAfterOneSample(2));
    };
    int keysPlayed = 0;
    for (unsigned code = 0; code < 256; ++code) {
        PeerMessage sent{};
        const auto here = played([&] { sent = PlayTypedKey(code); });
        ASSERT_EQ(sent.length, 1);
        state = PeerReceiveState{};
        const auto there = played([&] { Receive(std::string(sent.bytes, sent.bytes + sent.length)); });
        if (sent.bytes[0] == NOTE_MARK) {
            // A typed "#" opens a note message at the far end: it waits for
            // the next byte as a key number and plays nothing yet.
            EXPECT_TRUE(state.noteMarkHeld);
            EXPECT_EQ(there, std::make_pair(0.0f, 0.0f));
            continue;
        }
        EXPECT_EQ(there, here) << "typed code " << code << " sent as " << int(sent.bytes[0]);
        keysPlayed += here != std::make_pair(0.0f, 0.0f);
    }
    EXPECT_GE(keysPlayed, 2 * KEY_STEPS) << "at least the 13 keys of each voice";

    int notesPlayed = 0;
    for (uint32_t key = 0; key < 128; ++key) {
        for (uint32_t velocity : {0u, 1u, 64u, 127u}) {
            // A note-off at the same key and velocity goes nowhere and plays nothing.
            PeerMessage released{};
            const uint32_t noteOff = 0x80 | key << 8 | velocity << 16;
            const auto off = played([&] { released = PlayMidiKeyPress(DecodeMidiShortMessage(noteOff)); });
            EXPECT_EQ(released.length, 0) << "note off " << key << " velocity " << velocity;
            EXPECT_EQ(off, std::make_pair(0.0f, 0.0f)) << "note off " << key << " velocity " << velocity;
            const uint32_t message = 0x90 | key << 8 | velocity << 16;
            PeerMessage sent{};
            const auto here = played([&] { sent = PlayMidiKeyPress(DecodeMidiShortMessage(message)); });
            state = PeerReceiveState{};
            const auto there = played([&] { Receive(std::string(sent.bytes, sent.bytes + sent.length)); });
            EXPECT_EQ(there, here) << "key " << key << " velocity " << velocity;
            EXPECT_EQ(sent.length, velocity == 0 ? 0 : 2) << "key " << key << " velocity " << velocity;
            notesPlayed += here.first != 0.0f;
        }
    }
    EXPECT_EQ(notesPlayed, 3 * (HIGHEST_NOTE - LOWEST_NOTE + 1)) << "keys 36..84, at each non-zero velocity";
}

}  // namespace
