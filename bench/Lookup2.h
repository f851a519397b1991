#pragma once
// The peer of the toolbar checksum: the classic lookup2 hash() as published with the algorithm
// (12-byte blocks read little-endian, the length added to c, a fall-through switch for the tail).

#include <cstddef>
#include <cstdint>

namespace vantle::bench {

std::uint32_t Lookup2Hash(const std::uint8_t* k, std::size_t length, std::uint32_t initval);

}  // namespace vantle::bench
