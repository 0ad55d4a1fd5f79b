// Test banks for the mixer and the triggers: two in-memory banks installed as
// bank 1 and bank 2, and a way to see which start a voice received.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "audio/sample_bank.h"
#include "audio/voices.h"

class BankFixture : public ::testing::Test {
protected:
    std::vector<unsigned char> bank1 = std::vector<unsigned char>(5000, SILENT_LEVEL);
    std::vector<unsigned char> bank2 = std::vector<unsigned char>(5000, SILENT_LEVEL);

    void SetUp() override { Install(); }
    void TearDown() override
    {
        ResetVoices();
        sptemp = sptemp2 = nullptr;
        samp1length = samp2length = 0;
    }

    // Points the voices at bank1 and bank2 as they are now and idles both.
    void Install()
    {
        ResetVoices();
        sptemp = bank1.data();
        sptemp2 = bank2.data();
        samp1length = static_cast<int32_t>(bank1.size());
        samp2length = static_cast<int32_t>(bank2.size());
    }

    std::vector<unsigned char> Mix(uint32_t size)
    {
        std::vector<unsigned char> out(size, 0x55);
        MixBlock(out.data(), size);
        return out;
    }

    // The step a voice plays at after the next output sample (0 if idle).
    float StepAfterOneSample(int voice)
    {
        Mix(1);
        return voice == 1 ? pitch1 : pitch2;
    }
};
