#pragma once
// The list import's file reading: a text file, read whole, its line ends made uniform, and its
// encoding (Windows-1251 or UTF-8) told apart.

#include <cstddef>
#include <string>
#include <string_view>

#include "io/FileErrors.h"

namespace vantle {

// The largest list file read: far above a million domains (about 20 MiB), far below what would
// strain the list box.
inline constexpr std::size_t kMaxListFileBytes = std::size_t{256} << 20;

// The text ends at the first NUL byte; CR LF, a lone CR and a lone LF each become one "\n". Every
// other byte stays as it is, a byte-order mark included.
std::string DecodeListText(std::string_view bytes);

// Reads the whole file and decodes it as DecodeListText does.
// Raises EFOpenError when the file cannot be opened (or is a directory), ETextTooLong when it holds
// more than kMaxListFileBytes bytes, EInOutError when reading fails midway.
std::string ReadListFile(const std::string& path);
// The file's bytes as they are, with the errors of ReadListFile.
std::string ReadListFileBytes(const std::string& path);

// The list text as Windows-1251: a UTF-8 byte-order mark is dropped, and a text that is valid UTF-8
// holding non-ASCII characters (or that carried the mark) is converted; any other text is taken as
// Windows-1251 already. Line ends are left alone.
std::string ListTextToCp1251(std::string_view bytes);

}  // namespace vantle
