// The core benchmarks: Punycode, the HTTP client, the toolbar checksum and the top-sites list reader,
// each beside its peer.
#include <benchmark/benchmark.h>

#include <iostream>

#include "BenchCore.h"
#include "RatioReport.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    vantle::bench::RegisterPunycodeBenchmarks();
    vantle::bench::RegisterHttpBenchmarks();
    vantle::bench::RegisterChecksumBenchmarks();
    vantle::bench::RegisterTopListBenchmarks();
    vantle::bench::RatioReport report({
        {"Punycode300Labels/vantle", "Punycode300Labels/libidn"},
        {"HttpGet1KiB/vantle", "HttpGet1KiB/curl"},
        {"HttpGet64KiB/vantle", "HttpGet64KiB/curl"},
        {"ToolbarChecksum48B/vantle", "ToolbarChecksum48B/lookup2"},
        {"ToolbarChecksum4096B/vantle", "ToolbarChecksum4096B/lookup2"},
        {"TopList1M/vantle", "TopList1M/getline"},
    });
    benchmark::RunSpecifiedBenchmarks(&report);
    report.PrintRatios(std::cout);
    benchmark::Shutdown();
    return 0;
}
