#include "dialogs/QtText.h"

#include <QStringView>

#include "text/Cp1251.h"

namespace vantle {

QString FromCp1251(std::string_view bytes) {
    return QString::fromStdU16String(Cp1251ToUtf16(bytes));
}

std::string ToCp1251(const QString& text) {
    // Straight from the QString's own storage: the check run converts every list line through here.
    const QStringView view(text);
    return Utf16ToCp1251(std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

std::string ToCp1251Keeping(const QString& text) {
    const QStringView view(text);
    return Utf16ToCp1251Keeping(std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

}  // namespace vantle
