#pragma once
// Windows-1251 <-> UTF-16, the one code page of every text of the program.

#include <string>
#include <string_view>

namespace vantle {

// Every byte maps to one UTF-16 code unit (0x98, unassigned in the code page, maps to U+0098).
std::u16string Cp1251ToUtf16(std::string_view bytes);

// Characters that Windows-1251 cannot hold become "?", one per code point.
std::string Utf16ToCp1251(std::u16string_view text);

}  // namespace vantle
