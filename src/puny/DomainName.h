#pragma once
// The ASCII form of a domain name, and counting a text in another.

#include <string>
#include <string_view>

namespace vantle {

// name: Windows-1251 bytes. A Cyrillic first label becomes "xn--" + its Punycode; a zone part that
// is exactly "рф" becomes "xn--p1ai"; everything else is left as it is. A name without a dot is
// taken as a first label alone. A name holding a character the code page cannot hold (an escape, see
// text/Cp1251.h) is given in IDNA as a whole (FullAsciiName), or with "?" for those characters when
// IDNA refuses it.
std::string DomainToAscii(std::string_view name);

// The number of non-overlapping occurrences of needle in text (bytes compared exactly); 0 for an
// empty needle.
int CountOccurrences(std::string_view needle, std::string_view text);

}  // namespace vantle
