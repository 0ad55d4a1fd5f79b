// The cable's noisy line: how often and how it damages bytes, that a seed
// repeats the damage, and the hash the cable's tally gives of what it delivered.
#include <gtest/gtest.h>

#include <bitset>
#include <string>

#include "launcher/line_noise.h"

namespace {

std::string Stream(size_t size)
{
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(i * 7 + i / 256);
    return bytes;
}

uint64_t Damaged(const LineNoise& noise) { return noise.flipped() + noise.dropped() + noise.inserted(); }

}  // namespace

TEST(LineNoise, RateZeroCarriesEveryByteUnchangedAndCountsNoDamage)
{
    LineNoise noise(0, 1);
    const std::string bytes = Stream(5000);
    EXPECT_EQ(noise.Carry(bytes), bytes);
    EXPECT_EQ(noise.carried(), 5000u);
    EXPECT_EQ(Damaged(noise), 0u);
}

// Carried one at a time, each byte's fate can be seen: nothing (dropped), one
// byte one bit away (flipped), or itself and one more (inserted).
TEST(LineNoise, RateOneDamagesEveryByteInOneOfThreeWaysAboutEquallyOften)
{
    LineNoise noise(1, 42);
    const std::string bytes = Stream(30000);
    uint64_t flipped = 0, dropped = 0, inserted = 0;
    std::bitset<8> bitsFlipped;
    for (char c : bytes) {
        const std::string out = noise.Carry(std::string(1, c));
        if (out.empty()) {
            ++dropped;
        } else if (out.size() == 1) {
            const std::bitset<8> changed(static_cast<unsigned char>(out[0] ^ c));
            ASSERT_EQ(changed.count(), 1u) << "a flipped byte differs in exactly one bit";
            bitsFlipped |= changed;
            ++flipped;
        } else {
            ASSERT_EQ(out.size(), 2u);
            ASSERT_EQ(out[0], c) << "an inserted byte comes after the byte, which is kept";
            ++inserted;
        }
    }
    EXPECT_EQ(noise.carried(), 30000u);
    EXPECT_EQ(Damaged(noise), 30000u);
    EXPECT_EQ(noise.flipped(), flipped);
    EXPECT_EQ(noise.dropped(), dropped);
    EXPECT_EQ(noise.inserted(), inserted);
    for (uint64_t kind : {flipped, dropped, inserted}) {
        EXPECT_GT(kind, 9000u);
        EXPECT_LT(kind, 11000u);
    }
    EXPECT_TRUE(bitsFlipped.all()) << "every bit position is flipped somewhere";
}

TEST(LineNoise, RateOnePercentDamagesAboutOneByteInAHundred)
{
    LineNoise noise(0.01, 1);
    const std::string out = noise.Carry(Stream(100000));
    EXPECT_GE(Damaged(noise), 700u);
    EXPECT_LE(Damaged(noise), 1300u);
    EXPECT_EQ(out.size(), 100000u - noise.dropped() + noise.inserted());
}

TEST(LineNoise, TheSeedAloneDecidesTheDamageHoweverTheBytesAreSplit)
{
    const std::string bytes = Stream(20000);
    LineNoise whole(0.1, 7), pieces(0.1, 7), otherSeed(0.1, 8), zeroSeed(0.1, 0);
    const std::string once = whole.Carry(bytes);
    std::string split;
    for (size_t at = 0, size = 1; at < bytes.size(); at += size, size = size % 7 + 1)
        split += pieces.Carry(bytes.substr(at, size));
    EXPECT_EQ(split, once);
    EXPECT_NE(otherSeed.Carry(bytes), once);
    EXPECT_NE(zeroSeed.Carry(bytes), bytes) << "a seed of 0 still makes noise";
}

TEST(LineNoise, Fnv1aGivesTheKnownValuesAndContinuesAcrossPieces)
{
    EXPECT_EQ(Fnv1a(FNV1A_START, ""), 2166136261u);
    EXPECT_EQ(Fnv1a(FNV1A_START, "a"), 0xe40c292cu);
    EXPECT_EQ(Fnv1a(Fnv1a(FNV1A_START, "quaver"), "ton"), Fnv1a(FNV1A_START, "quaverton"));
}
