// TPunyClass::Encode beside libidn's punycode_encode on the same Cyrillic labels. Both produce the
// same text (checked before timing); the library writes into the caller's buffer, Encode returns a
// new string, as the program uses it.
#include <punycode.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchCore.h"
#include "CyrillicLabels.h"
#include "puny/TPunyClass.h"

namespace vantle::bench {
namespace {

constexpr std::size_t kLabels = 300;

const std::vector<std::u16string>& Labels() {
    static const std::vector<std::u16string> labels = CyrillicLabels(kLabels);
    return labels;
}

// The labels as code points, the library's input form (converted once, outside the timing).
const std::vector<std::vector<punycode_uint>>& WideLabels() {
    static const auto wide = [] {
        std::vector<std::vector<punycode_uint>> out;
        for (const std::u16string& label : Labels()) {
            out.emplace_back(label.begin(), label.end());
        }
        return out;
    }();
    return wide;
}

bool SameOutputs() {
    const TPunyClass puny;
    for (std::size_t i = 0; i < kLabels; ++i) {
        char output[256];
        std::size_t length = sizeof output;
        const auto& wide = WideLabels()[i];
        if (punycode_encode(wide.size(), wide.data(), nullptr, &length, output) != PUNYCODE_SUCCESS) {
            return false;
        }
        const std::u16string ours = puny.Encode(Labels()[i]);
        if (std::string(ours.begin(), ours.end()) != std::string(output, length)) {
            return false;
        }
    }
    return true;
}

void EncodeVantle(benchmark::State& state) {
    if (!SameOutputs()) {
        state.SkipWithError("TPunyClass and libidn disagree");
        return;
    }
    const TPunyClass puny;
    for (auto _ : state) {
        for (const std::u16string& label : Labels()) {
            std::u16string encoded = puny.Encode(label);
            benchmark::DoNotOptimize(encoded.data());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLabels));
}

void EncodeLibidn(benchmark::State& state) {
    char output[256];
    for (auto _ : state) {
        for (const auto& label : WideLabels()) {
            std::size_t length = sizeof output;
            punycode_encode(label.size(), label.data(), nullptr, &length, output);
            benchmark::DoNotOptimize(output);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLabels));
}

}  // namespace

void RegisterPunycodeBenchmarks() {
    benchmark::RegisterBenchmark("Punycode300Labels/vantle", EncodeVantle)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Punycode300Labels/libidn", EncodeLibidn)->Unit(benchmark::kMicrosecond);
}

}  // namespace vantle::bench
