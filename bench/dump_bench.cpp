// Lines per second of the dump itself, both paths, output to the null device.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "pelkorn.h"
#include "wav_writer.h"

static void dump(benchmark::State& state, std::uint16_t bits)
{
    const std::uint32_t frames = 1 << 20;
    const char* name = bits == 8 ? "bench8.wav" : "bench16.wav";
    std::string file = wavw::sine(bits, frames);
    std::FILE* out = std::fopen(name, "wb");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    std::uint32_t dataSize = static_cast<std::uint32_t>(file.size() - 44);
    for (auto _ : state)
        benchmark::DoNotOptimize(wavDump(name, bits, 44, dataSize));
    state.SetItemsProcessed(state.iterations() * frames);
    std::remove(name);
}

static void BM_Dump8(benchmark::State& state) { dump(state, 8); }
static void BM_Dump16(benchmark::State& state) { dump(state, 16); }
BENCHMARK(BM_Dump8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dump16)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The lines go to the null device, the report to standard error.
    benchmark::Initialize(&argc, argv);
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return 1;
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
}
