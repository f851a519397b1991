#include "dialogs/QtText.h"

#include "text/Cp1251.h"

namespace vantle {

QString FromCp1251(std::string_view bytes) {
    return QString::fromStdU16String(Cp1251ToUtf16(bytes));
}

std::string ToCp1251(const QString& text) {
    return Utf16ToCp1251(text.toStdU16String());
}

}  // namespace vantle
