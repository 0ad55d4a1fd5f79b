// Voices and mixer.
//
// How it works: two threads start voices. The user-interface thread starts them
// from keys, MIDI notes and the pattern clock, and mixes every block; the serial
// watch thread starts them from received bytes. The voice fields (pitch, pfi,
// pint) belong to the mixing thread alone. A start from any thread is one
// 32-bit word, the step's bit pattern, stored in that voice's mailbox; the mixer
// takes the mailbox before every output sample and applies the start there
// (step, integer position 0, position 0). One word cannot be half written, so
// every start takes effect whole; the latest start before a sample wins; and
// since only the mixer moves a position, its end test keeps every read inside
// the bank. The mailbox is the only state the two threads share.
#include "audio/voices.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "audio/sample_bank.h"

float pitch1 = 0.0f;
float pfi1 = 0.0f;
uint32_t pint1 = 0;
float pitch2 = 0.0f;
float pfi2 = 0.0f;
uint32_t pint2 = 0;
const unsigned char* sptemp = nullptr;
const unsigned char* sptemp2 = nullptr;

const float MIXR = 44100.0f;
const float SAMPR = 44100.0f;

namespace {

// A NaN pattern: StartVoice never stores a NaN step, so this means "no start".
constexpr uint32_t NO_START = 0xFFFFFFFFu;

std::atomic<uint32_t> pendingStart[2] = {NO_START, NO_START};

uint32_t StepBits(float step)
{
    uint32_t bits;
    std::memcpy(&bits, &step, sizeof bits);
    return bits;
}

float BitsStep(uint32_t bits)
{
    float step;
    std::memcpy(&step, &bits, sizeof step);
    return step;
}

// One voice as the mixer's inner loop holds it.
struct Voice {
    float pitch;
    float pfi;
    uint32_t pint;
    uint32_t endAt;  // L - 1000, compared unsigned
    const unsigned char* bank;
    std::atomic<uint32_t>* mailbox;

    void TakeStart()
    {
        if (mailbox->load(std::memory_order_relaxed) == NO_START) return;
        uint32_t bits = mailbox->exchange(NO_START, std::memory_order_acquire);
        if (bits == NO_START) return;
        pitch = BitsStep(bits);
        pint = 0;
        pfi = 0.0f;
    }

    // The step is added before the read, stored as a 32-bit float, and the
    // byte read is its whole part.
    unsigned Advance()
    {
        pfi = pfi + pitch;
        pint = static_cast<uint32_t>(pfi);
        return bank[pint];
    }

    // After the read: the byte at which the test fires has been played.
    void EndTest()
    {
        if (pint >= endAt) {
            pint = 0;
            pfi = 0.0f;
            pitch = 0.0f;
        }
    }
};

}  // namespace

void StartVoice(int voice, float step)
{
    if (voice != 1 && voice != 2) return;
    if (!(step > 0.0f && step < MAX_STEP)) step = 0.0f;  // NaN fails the test too
    pendingStart[voice - 1].store(StepBits(step), std::memory_order_release);
}

void MixBlock(unsigned char* block, uint32_t size)
{
    Voice v1{pitch1, pfi1, pint1, static_cast<uint32_t>(samp1length) - VOICE_END_MARGIN, sptemp,
             &pendingStart[0]};
    Voice v2{pitch2, pfi2, pint2, static_cast<uint32_t>(samp2length) - VOICE_END_MARGIN, sptemp2,
             &pendingStart[1]};

    for (uint32_t n = 0; n < size; ++n) {
        v1.TakeStart();
        v2.TakeStart();
        uint32_t sampletemp = v1.Advance();
        uint32_t sampletemp2 = v2.Advance();
        uint32_t smptemp = (sampletemp + sampletemp2) >> 1;
        block[n] = static_cast<unsigned char>(smptemp);
        v1.EndTest();
        v2.EndTest();
    }

    pitch1 = v1.pitch;
    pfi1 = v1.pfi;
    pint1 = v1.pint;
    pitch2 = v2.pitch;
    pfi2 = v2.pfi;
    pint2 = v2.pint;
}

void PrefillBlock(unsigned char* block, uint32_t size)
{
    for (uint32_t n = 0; n + 1 < size; n += 2) {
        block[n] = sptemp[pint1];
        block[n + 1] = sptemp2[pint2];
    }
}

void ResetVoices()
{
    pendingStart[0].store(NO_START);
    pendingStart[1].store(NO_START);
    pitch1 = pfi1 = 0.0f;
    pitch2 = pfi2 = 0.0f;
    pint1 = pint2 = 0;
}
