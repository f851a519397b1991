#pragma once
// Cutting texts the way the answers of the web services are read: case-sensitive search for fixed
// texts with 1-based positions, and taking a part of a text from a position with a length.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantle {

// 1-based position of the first (leftmost) occurrence of needle in text; 0 when absent or when
// needle is empty.
std::size_t Pos(std::string_view needle, std::string_view text);

// The part of text from the 1-based position start, at most count bytes. A start below 1 counts as 1,
// a start past the end gives the empty text, a count past the end stops at the end, a count below 1
// gives the empty text.
std::string Copy(std::string_view text, long long start, long long count);

// text with leading and trailing bytes of code 32 or less removed.
std::string Trim(std::string_view text);

// ASCII letters folded; every other byte (Windows-1251 letters included) left unchanged.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);

bool Contains(std::string_view text, std::string_view needle);

}  // namespace vantle
