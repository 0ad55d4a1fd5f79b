// Voices started from a second thread while the mixer runs: every start lands
// whole, and no read ever leaves a bank. Run under ThreadSanitizer and
// AddressSanitizer (the banks are heap blocks of exactly L bytes).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "input/key_map.h"
#include "input/midi_notes.h"

namespace {

// Every step the starter thread uses, and 0 for an idle voice: anything else
// would be a torn start.
bool IsStartedStep(float step)
{
    if (step == 0.0f || step == 999.0f || step == 0.5f) return true;
    for (int key = LOWEST_NOTE; key <= HIGHEST_NOTE; ++key)
        if (step == NotePitch(key)) return true;
    for (int k = 0; k < KEY_STEPS; ++k)
        if (step == KeyStepPitch(k)) return true;
    return false;
}

TEST(VoicesStress, StartsFromAnotherThreadLandWholeAndReadsStayInsideTheBanks)
{
    constexpr int32_t L1 = 1500, L2 = 2600;
    std::unique_ptr<unsigned char[]> b1(new unsigned char[L1]), b2(new unsigned char[L2]);
    for (int i = 0; i < L1; ++i) b1[i] = SILENT_LEVEL;
    for (int i = 0; i < L2; ++i) b2[i] = SILENT_LEVEL;
    ResetVoices();
    sptemp = b1.get();
    sptemp2 = b2.get();
    samp1length = L1;
    samp2length = L2;

    std::atomic<bool> done{false};
    std::thread starter([&] {
        for (unsigned n = 0; !done.load(std::memory_order_relaxed); ++n) {
            PlayNote(LOWEST_NOTE + static_cast<int>(n % 49));
            PlayKeyCharacter("QWERTYUZSXDCM"[n % 13]);
            StartVoice(1 + (n & 1), n % 7 == 0 ? 999.0f : 0.5f);
        }
    });

    unsigned char block[1024];
    for (int i = 0; i < 20000; ++i) {
        MixBlock(block, sizeof block);
        ASSERT_LT(pint1, static_cast<uint32_t>(L1));
        ASSERT_LT(pint2, static_cast<uint32_t>(L2));
        ASSERT_EQ(pint1, static_cast<uint32_t>(pfi1));
        ASSERT_EQ(pint2, static_cast<uint32_t>(pfi2));
        ASSERT_TRUE(IsStartedStep(pitch1)) << pitch1;
        ASSERT_TRUE(IsStartedStep(pitch2)) << pitch2;
    }
    done = true;
    starter.join();
    ResetVoices();
    sptemp = sptemp2 = nullptr;
    samp1length = samp2length = 0;
}

}  // namespace
