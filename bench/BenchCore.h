#pragma once
// The benchmarks of the core, registered by name so that the report can pair them.

namespace vantle::bench {

void RegisterPunycodeBenchmarks();
void RegisterHttpBenchmarks();
void RegisterChecksumBenchmarks();
void RegisterTopListBenchmarks();

}  // namespace vantle::bench
