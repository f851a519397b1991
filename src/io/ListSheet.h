#pragma once
// A domain list from a file of any kind the list import takes: a text of one name per line, a CSV
// table or an .xlsx workbook. From a table the names come from its domain column: the one headed
// Domain, Домен, Host, URL, Site and the like (case not counting), else the first whose cells look
// like names (a dot, no blank, a letter). A URL in a cell gives its host; empty cells are skipped, and
// so is the header.

#include <string>
#include <string_view>
#include <vector>

#include "io/SheetRead.h"

namespace vantle {

struct ListFromFile {
    std::string text;    // the list as the list box holds it: Windows-1251 lines joined by "\n"
    bool table = false;  // the file was a CSV table or a workbook
};

// The list in a file's bytes. A workbook is told by its zip signature; a text by CsvSeparator: a
// text whose first lines hold no ";", "," or tab is the list as ListTextToCp1251(DecodeListText())
// gives it, byte for byte. A table without a domain column, or a workbook that cannot be read, gives
// an empty text.
ListFromFile ListFromFileBytes(std::string_view bytes);
// The same for a file, raising the errors of ReadListFile.
ListFromFile ReadListFromFile(const std::string& path);

// The domain column's names of a table, one per line.
std::string DomainColumnText(const std::vector<SheetRow>& rows);

// A cell as a list line: trimmed, line ends as blanks, a URL's host ("https://www.a.ru/x?q" gives
// "www.a.ru"), any path, query or fragment cut off.
std::string HostOfCell(std::string_view cell);

}  // namespace vantle
