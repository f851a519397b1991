#pragma once
// The domain list of the command line: a file or standard input, in Windows-1251 or UTF-8, or the
// domain column of a CSV table or a workbook (ListFromFileBytes), split into the lines the entry
// dialog would show.

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "io/ListFile.h"

namespace vantle::cli {

// The lines of a decoded list text ("\n" between lines), as the entry dialog counts them: a last
// empty line after a final line end, or an empty text, is no line.
std::vector<std::string> SplitListLines(std::string_view text);

// Reads a list file (ReadListFile: NUL ends the text, CR LF, CR and LF end lines; or a table) and
// gives its lines in Windows-1251. Raises the file errors of ReadListFile.
std::vector<std::string> ReadListLines(const std::string& path);

// The same for a stream read to its end; the size bound of list files applies (ETextTooLong).
std::vector<std::string> ReadListLines(std::istream& in);

}  // namespace vantle::cli
