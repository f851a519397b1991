#pragma once
// Domain lists for the benchmarks: the same names in every run, Latin and Cyrillic (Windows-1251)
// mixed, as a real list would be.

#include <string>
#include <vector>

namespace vantle::bench {

// Domain number i of every list.
std::string DomainName(int i);
// count domains, each line ended by CR LF, as a list file saved on Windows.
std::string DomainListFile(int count);
// Writes bytes to path, replacing the file; false on failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vantle::bench
