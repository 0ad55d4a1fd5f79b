// MixBlock over the shipped block size, both voices sounding: time per output
// byte and the share of the block's playing time that mixing takes.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "resources/sound_synth.h"

namespace {

void BM_MixBlock(benchmark::State& state)
{
    const uint32_t size = static_cast<uint32_t>(state.range(0));
    std::vector<unsigned char> b1(200000, SILENT_LEVEL), b2(200000, SILENT_LEVEL);
    for (size_t i = 0; i < b1.size(); ++i) b1[i] = b2[b2.size() - 1 - i] = static_cast<unsigned char>(i * 31);
    sptemp = b1.data();
    sptemp2 = b2.data();
    samp1length = samp2length = 200000;
    ResetVoices();
    std::vector<unsigned char> block(size);
    unsigned n = 0;
    for (auto _ : state) {
        // A fresh start on each voice every few blocks, as busy playing gives.
        if (++n % 4 == 0) {
            StartVoice(1, 1.0416666f);
            StartVoice(2, 2.0f);
        }
        MixBlock(block.data(), size);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    // Inverted rates: elapsed time divided by (iterations x the given value).
    const auto perIteration = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
    state.counters["ns_per_byte"] = benchmark::Counter(size / 1e9, perIteration);
    const double blockSeconds = static_cast<double>(size) / assets::OUTPUT_RATE;
    state.counters["mix_to_play_ratio"] = benchmark::Counter(blockSeconds, perIteration);
}
BENCHMARK(BM_MixBlock)->Arg(assets::BLOCK_BYTES)->Arg(512)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
