#pragma once
// The checksum that the toolbar PageRank service asks for in its "ch" key: lookup2 over the query text
// with the third word seeded 0xC4A1D3F7.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

using TDynByteArray = std::vector<std::uint8_t>;

std::uint32_t WrapAdd(std::uint32_t a, std::uint32_t b);
std::uint32_t WrapSub(std::uint32_t a, std::uint32_t b);
std::uint32_t ZeroFillShr(std::uint32_t value, unsigned shift);
void Mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c);
std::uint32_t ToolbarChecksum(const TDynByteArray& bytes);

}  // namespace vantle
