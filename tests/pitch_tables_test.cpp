// The key step scale, the key map, the MIDI note table and the decoding of
// MIDI short messages, checked to the last bit of every pitch.
#include <cstring>
#include <string>

#include "input/key_map.h"
#include "input/midi_notes.h"
#include "tests/bank_fixture.h"

namespace {

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float NearestFloat(double x) { return static_cast<float>(x); }

using PitchTablesTest = BankFixture;

TEST(KeyStepPitch, IsNearestFloatOf24PlusKOver24WithTheTopStepAnOctave)
{
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(Bits(KeyStepPitch(k)), Bits(NearestFloat((24.0 + k) / 24.0))) << "step " << k;
    EXPECT_EQ(KeyStepPitch(12), 2.0f) << "the scale jumps to the octave, not to 36/24";
    EXPECT_EQ(Bits(KeyStepPitch(1)), Bits(1.0416666f));
    EXPECT_EQ(Bits(KeyStepPitch(11)), Bits(1.4583334f));
    EXPECT_EQ(KeyStepPitch(-1), 0.0f);
    EXPECT_EQ(KeyStepPitch(13), 0.0f);
}

TEST_F(PitchTablesTest, EveryKeyOfTheMapStartsItsVoiceAtItsStep)
{
    const std::string voice1 = "Q2W3E4R5T6Y7U";
    const std::string voice2 = "ZSXDCFVGBHNJM";
    for (int step = 0; step < 13; ++step) {
        for (int voice : {1, 2}) {
            ResetVoices();
            unsigned char key = static_cast<unsigned char>((voice == 1 ? voice1 : voice2)[step]);
            EXPECT_TRUE(PlayKeyCharacter(key));
            EXPECT_EQ(Bits(StepAfterOneSample(voice)), Bits(KeyStepPitch(step))) << key;
            EXPECT_EQ(StepAfterOneSample(voice == 1 ? 2 : 1), 0.0f) << key << " touched the other voice";
        }
    }
}

TEST_F(PitchTablesTest, CharactersOutsideTheMapPlayNothing)
{
    std::string silent = "89:;<=>?@AIKLOP #\r\b\t";
    for (char c = 'a'; c <= 'z'; ++c) silent += c;  // the map holds upper case only
    silent += '0';
    silent += '1';
    for (int c = 128; c < 256; ++c) silent += static_cast<char>(c);
    for (char c : silent) {
        EXPECT_FALSE(PlayKeyCharacter(static_cast<unsigned char>(c))) << int(c);
        EXPECT_EQ(StepAfterOneSample(1), 0.0f) << int(c);
        EXPECT_EQ(StepAfterOneSample(2), 0.0f) << int(c);
    }
}

TEST_F(PitchTablesTest, TypedLettersAreUpperCasedBeforeTheyPlayAndAreSent)
{
    EXPECT_EQ(TypeKeyCharacter('q'), 'Q');
    EXPECT_EQ(inchar, 'Q');
    EXPECT_EQ(StepAfterOneSample(1), 1.0f);
    EXPECT_EQ(TypeKeyCharacter('m'), 'M');
    EXPECT_EQ(StepAfterOneSample(2), 2.0f);
    for (unsigned code : {unsigned('8'), unsigned('A'), unsigned('#'), unsigned(' '), unsigned('\r'), 0xE9u}) {
        ResetVoices();
        EXPECT_EQ(TypeKeyCharacter(code), code) << "sent unchanged";
        EXPECT_EQ(StepAfterOneSample(1), 0.0f);
        EXPECT_EQ(StepAfterOneSample(2), 0.0f);
    }
}

TEST(NotePitch, RisesBy1Over24PerKeySkipping24And50)
{
    // Each key's pitch is a whole number of 24ths, the nearest float to it;
    // the next key is one 24th higher, two across the left-out 24/24 and 50/24.
    int previous = 0;
    for (int key = LOWEST_NOTE; key <= HIGHEST_NOTE; ++key) {
        const double twentyFourths = NotePitch(key) * 24.0;
        const int k = static_cast<int>(twentyFourths + 0.5);
        EXPECT_EQ(Bits(NotePitch(key)), Bits(NearestFloat(k / 24.0))) << "key " << key;
        EXPECT_NE(k, 24) << "key " << key;
        EXPECT_NE(k, 50) << "key " << key;
        if (key > LOWEST_NOTE) {
            EXPECT_EQ(k - previous, key == 48 || key == 73 ? 2 : 1) << "key " << key;
        }
        previous = k;
    }
    EXPECT_EQ(NotePitch(36), 0.5f);
    EXPECT_EQ(Bits(NotePitch(47)), Bits(0.95833331f));
    EXPECT_EQ(Bits(NotePitch(48)), Bits(1.0416666f));
    EXPECT_EQ(Bits(NotePitch(72)), Bits(2.0416667f));
    EXPECT_EQ(NotePitch(73), 2.125f);
    EXPECT_EQ(Bits(NotePitch(84)), Bits(2.5833333f));
    for (int key = 48; key <= 58; ++key)
        EXPECT_EQ(Bits(NotePitch(key)), Bits(KeyStepPitch(key - 47))) << "key " << key;
}

TEST_F(PitchTablesTest, PlayNoteStartsVoice1OnlyForKeys36To84)
{
    EXPECT_TRUE(PlayNote(60));
    EXPECT_EQ(Bits(StepAfterOneSample(1)), Bits(1.5416666f));
    EXPECT_EQ(StepAfterOneSample(2), 0.0f);
    for (int key : {0, 35, 85, 127, 200, -1}) {
        ResetVoices();
        EXPECT_FALSE(PlayNote(key)) << key;
        EXPECT_EQ(StepAfterOneSample(1), 0.0f) << key;
    }
}

TEST(DecodeMidiShortMessage, ANoteOnWithAVelocityOnAnyChannelIsTheOnlyKeyPress)
{
    struct Case { uint32_t message; bool pressed; unsigned char key; const char* what; };
    for (Case c : {Case{0x643C90, true, 60, "note on 60, velocity 100"},
                   Case{0x01249F, true, 36, "note on 36, velocity 1, channel 16"},
                   Case{0x003C90, false, 60, "note on with velocity 0: a release"},
                   Case{0x403C80, false, 60, "note off with a release velocity"},
                   Case{0x7F3C8F, false, 60, "note off on channel 16"},
                   Case{0x503CA0, false, 60, "key pressure on a held key"},
                   Case{0x7F40B0, false, 64, "controller 64 (a pedal) value 127"},
                   Case{0x0005C0, false, 5, "program change: no second data byte"},
                   Case{0x0040D0, false, 64, "channel pressure"},
                   Case{0x4000E0, false, 0, "pitch bend, centre"},
                   Case{0x7F7FF8, false, 127, "a clock tick with stray bits"}}) {
        MidiKeyPress press = DecodeMidiShortMessage(c.message);
        EXPECT_EQ(press.pressed, c.pressed) << c.what;
        EXPECT_EQ(press.key, c.key) << c.what;
    }
}

}  // namespace
