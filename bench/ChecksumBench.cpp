// ToolbarChecksum beside the classic lookup2 hash() (Lookup2.cpp) over the same bytes, seeded the same
// way, so both compute the same value (checked before timing).
#include <benchmark/benchmark.h>

#include "BenchCore.h"
#include "FWURLPosition/ToolbarChecksum.h"
#include "Lookup2.h"

namespace vantle::bench {
namespace {

constexpr std::uint32_t kSeed = 0xC4A1D3F7u;

TDynByteArray QueryBytes(std::size_t size) {
    const std::string text = "info:http://www.example-domain-name.ru/";
    TDynByteArray bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    return bytes;
}

void ChecksumVantle(benchmark::State& state, std::size_t size) {
    const TDynByteArray bytes = QueryBytes(size);
    if (ToolbarChecksum(bytes) != Lookup2Hash(bytes.data(), bytes.size(), kSeed)) {
        state.SkipWithError("ToolbarChecksum and lookup2 disagree");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ToolbarChecksum(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void ChecksumLookup2(benchmark::State& state, std::size_t size) {
    const TDynByteArray bytes = QueryBytes(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Lookup2Hash(bytes.data(), bytes.size(), kSeed));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

}  // namespace

void RegisterChecksumBenchmarks() {
    for (const std::size_t size : {std::size_t{48}, std::size_t{4096}}) {
        const std::string prefix = "ToolbarChecksum" + std::to_string(size) + "B";
        benchmark::RegisterBenchmark((prefix + "/vantle").c_str(), ChecksumVantle, size);
        benchmark::RegisterBenchmark((prefix + "/lookup2").c_str(), ChecksumLookup2, size);
    }
}

}  // namespace vantle::bench
