// Any byte string as a sample file: the loader must either refuse it with one
// message or produce a bank the mixer can play from start to end without a
// read outside it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/sample_bank.h"
#include "audio/voices.h"

namespace {

struct CountedErrors : SampleBankErrors {
    int count = 0;
    void Fail(const char*) override { ++count; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (size == 0) f = std::fopen("/dev/null", "rb");
    if (f == nullptr) return 0;
    CountedErrors errors;
    unsigned char* buffer = nullptr;
    int32_t length = 0;
    bool loaded = ReadSampleBank(f, "FUZZ.WAV", &buffer, &length, errors);
    std::fclose(f);
    if (loaded != (errors.count == 0) || errors.count > 1) std::abort();
    if (!loaded) return 0;
    if (length < MIN_BANK_LENGTH || length > MAX_BANK_LENGTH) std::abort();

    // Bytes past the end of the file hold silence, never leftovers.
    const size_t fromFile = size > SAMPLE_HEADER_BYTES ? size - SAMPLE_HEADER_BYTES : 0;
    for (size_t i = fromFile; i < static_cast<size_t>(length); ++i)
        if (buffer[i] != SILENT_LEVEL) std::abort();

    // Play the bank at the slowest and fastest steps any trigger uses; short
    // banks to their end, so the end test is seen to fire, long ones for a
    // few blocks (the end test's arithmetic is covered by the mixer's tests).
    sptemp = sptemp2 = buffer;
    samp1length = samp2length = length;
    ResetVoices();
    StartVoice(1, 0.5f);
    StartVoice(2, 2.5833333f);
    std::vector<unsigned char> block(4096);
    const bool toTheEnd = length <= 65536;
    const uint32_t blocks = toTheEnd ? static_cast<uint32_t>(length) * 2 / 4096 + 2 : 4;
    for (uint32_t i = 0; i < blocks; ++i) MixBlock(block.data(), 4096);
    if (toTheEnd && (pitch1 != 0.0f || pitch2 != 0.0f)) std::abort();
    std::free(buffer);
    sptemp = sptemp2 = nullptr;
    return 0;
}
