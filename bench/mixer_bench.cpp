// MixBlock over the shipped block size, both voices sounding: time per output
// byte and the share of the block's playing time that mixing takes.
#include <benchmark/benchmark.h>

#include <chrono>
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
    const auto start = std::chrono::steady_clock::now();
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
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double secondsPerBlock = elapsed.count() / static_cast<double>(state.iterations());
    const double blockSeconds = static_cast<double>(size) / assets::OUTPUT_RATE;
    state.counters["ns_per_byte"] = secondsPerBlock * 1e9 / size;
    state.counters["mix_over_play"] = secondsPerBlock / blockSeconds;
}
BENCHMARK(BM_MixBlock)->Arg(assets::BLOCK_BYTES)->Arg(512)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
