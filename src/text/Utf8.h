#pragma once
// UTF-8 <-> Windows-1251, for what the libraries of the newer checks read and write.

#include <string>
#include <string_view>

namespace vantle {

// Windows-1251 bytes as UTF-8, every escape (see Cp1251.h) as its character.
std::string Cp1251ToUtf8(std::string_view bytes);

// UTF-8 as Windows-1251: characters the code page cannot hold, and ill-formed sequences, become "?".
std::string Utf8ToCp1251(std::string_view utf8);

// The same, but a character the code page cannot hold becomes its escape; ill-formed sequences
// still become "?".
std::string Utf8ToCp1251Keeping(std::string_view utf8);

}  // namespace vantle
