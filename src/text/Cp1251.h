#pragma once
// Windows-1251 <-> UTF-16, the one code page of every text of the program.
//
// A character the code page cannot hold may be kept inside the bytes as an escape: the byte 0x98 (the
// one byte Windows-1251 leaves unassigned), the code point in lower-case hexadecimal without leading
// zeros, and 0x98 again ("m\x98fc\x98nchen.de" is "münchen.de"). No reader of lists or tables
// splits an escape: it holds no ";", ",", tab, quote, blank or line end. Only a character outside the
// code page has an escape, so each text has one escaped form. The older form, closed by ";" instead
// of the second 0x98, is still read (journals of earlier versions hold it) but never written. A 0x98
// that does not open such an escape stays U+0098, and U+0098 stays the byte 0x98 (read back as an
// escape only before hexadecimal digits and a closing 0x98 or ";").
//
// An escape is known only by reading from the start of a text (or from a byte that cannot be part of
// one): the closing 0x98 of one escape, followed by digits and a 0x98, would look like the opening of
// another.

#include <string>
#include <string_view>

namespace vantle {

inline constexpr char kEscapeByte = '\x98';

// Every byte maps to one UTF-16 code unit (0x98, unassigned in the code page, maps to U+0098), but
// an escape gives back its character.
std::u16string Cp1251ToUtf16(std::string_view bytes);

// Characters that Windows-1251 cannot hold become "?", one per code point.
std::string Utf16ToCp1251(std::u16string_view text);

// Characters that Windows-1251 cannot hold become escapes, so Cp1251ToUtf16 gives the text back
// (an unpaired surrogate, which is no character, becomes "?").
std::string Utf16ToCp1251Keeping(std::u16string_view text);

// The escape for code point (which the code page cannot hold).
std::string EscapeOf(char32_t codePoint);

// The length in bytes of the escape that begins at `at`, 0 when none begins there; code point gets
// its character.
std::size_t EscapeAt(std::string_view bytes, std::size_t at, char32_t* codePoint = nullptr);

// bytes with every escape in the form EscapeOf writes (an older one closed by ";" rewritten).
std::string CurrentEscapes(std::string_view bytes);

// True when bytes hold at least one escape.
bool HoldsEscape(std::string_view bytes);

// bytes with each escape written as one "?", as Windows-1251 alone shows such a character.
std::string EscapesAsQuestionMarks(std::string_view bytes);

// The number of characters in bytes, an escape counting as one.
std::size_t CharacterCount(std::string_view bytes);

// True when the byte at `at` is inside an escape that began before it: a text cut there would cut
// the escape in half.
bool InsideEscape(std::string_view bytes, std::size_t at);

// bytes with the character of each escape in its small letter (Unicode's simple case mapping).
std::string LowerEscapes(std::string_view bytes);

}  // namespace vantle
