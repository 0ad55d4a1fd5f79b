// The key step scale and the character-to-voice map.
#include "input/key_map.h"

#include <cctype>

#include "audio/voices.h"

signed char inchar = 0;

namespace {

// Rate offset in hertz between neighbouring steps of the scale: 44100 / 24.
constexpr double STEP_OFFSET_HZ = 1837.5;

struct KeyTrigger {
    char key;
    int voice;
    int step;
};

// Voice 1 alternates top letter row and digit row; voice 2 bottom and home rows.
constexpr KeyTrigger KEY_MAP[] = {
    {'Q', 1, 0},  {'2', 1, 1},  {'W', 1, 2},  {'3', 1, 3},  {'E', 1, 4},
    {'4', 1, 5},  {'R', 1, 6},  {'5', 1, 7},  {'T', 1, 8},  {'6', 1, 9},
    {'Y', 1, 10}, {'7', 1, 11}, {'U', 1, 12},
    {'Z', 2, 0},  {'S', 2, 1},  {'X', 2, 2},  {'D', 2, 3},  {'C', 2, 4},
    {'F', 2, 5},  {'V', 2, 6},  {'G', 2, 7},  {'B', 2, 8},  {'H', 2, 9},
    {'N', 2, 10}, {'J', 2, 11}, {'M', 2, 12},
};

}  // namespace

float KeyStepPitch(int step)
{
    if (step == 0) return 1.0f;
    if (step == KEY_STEPS - 1) return 2.0f;
    if (step < 0 || step >= KEY_STEPS) return 0.0f;
    return static_cast<float>((MIXR + step * STEP_OFFSET_HZ) / SAMPR);
}

bool PlayKeyCharacter(unsigned char ch)
{
    for (const KeyTrigger& t : KEY_MAP) {
        if (static_cast<unsigned char>(t.key) == ch) {
            StartVoice(t.voice, KeyStepPitch(t.step));
            return true;
        }
    }
    return false;
}

unsigned char TypeKeyCharacter(unsigned int code)
{
    // Only "a".."z" change: the conversion runs under the default "C" locale.
    unsigned char ch = static_cast<unsigned char>(code);
    if (ch >= 'a' && ch <= 'z') ch = static_cast<unsigned char>(std::toupper(ch));
    inchar = static_cast<signed char>(ch);
    PlayKeyCharacter(ch);
    return ch;
}
