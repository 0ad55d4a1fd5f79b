// The receive dispatch: what is shown, what plays, and how a note message
// split across two arrivals is put back together.
#include <deque>
#include <string>

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

}  // namespace
