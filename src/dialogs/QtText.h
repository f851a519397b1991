#pragma once
// The GUI's edge: what the user sees and types is a QString, every text of the program is
// Windows-1251 bytes.

#include <QString>
#include <string>
#include <string_view>

namespace vantle {

QString FromCp1251(std::string_view bytes);
// Characters that Windows-1251 cannot hold become "?".
std::string ToCp1251(const QString& text);
// Characters that Windows-1251 cannot hold become escapes (see text/Cp1251.h), which FromCp1251 shows
// again: for the list, the cells and the filter, whose texts must keep every character.
std::string ToCp1251Keeping(const QString& text);

}  // namespace vantle
