// The cable's noisy line and the hash of delivered bytes (see line_noise.h).
#include "launcher/line_noise.h"

uint32_t Fnv1a(uint32_t hash, const std::string& bytes)
{
    ByteTally tally;
    tally.hash = hash;
    for (char c : bytes) tally.Add(static_cast<unsigned char>(c));
    return tally.hash;
}

LineNoise::LineNoise(double rate, uint32_t seed) : rate_(rate), state_(seed) {}

uint64_t LineNoise::Next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string LineNoise::Carry(const std::string& bytes)
{
    carried_ += bytes.size();
    if (rate_ <= 0) return bytes;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        // The top 53 bits as a number in [0, 1): a rate of 1 damages every byte.
        const double chance = static_cast<double>(Next() >> 11) * 0x1.0p-53;
        if (chance >= rate_) {
            out += c;
            continue;
        }
        switch (Next() % 3) {
        case 0:
            out += static_cast<char>(c ^ (1 << (Next() % 8)));
            ++flipped_;
            break;
        case 1:
            ++dropped_;
            break;
        default:
            out += c;
            out += static_cast<char>(Next() & 0xFF);
            ++inserted_;
            break;
        }
    }
    return out;
}
