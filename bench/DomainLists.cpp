#include "DomainLists.h"

#include <fstream>

#include "text/Cp1251.h"

namespace vantle::bench {
namespace {

const std::vector<std::string>& CyrillicStems() {
    static const std::vector<std::string> stems = {
        Utf16ToCp1251(u"пример"), Utf16ToCp1251(u"магазин"), Utf16ToCp1251(u"новости"),
        Utf16ToCp1251(u"блог"),   Utf16ToCp1251(u"форум"),   Utf16ToCp1251(u"каталог"),
    };
    return stems;
}

const std::string& CyrillicZone() {
    static const std::string zone = Utf16ToCp1251(u".рф");
    return zone;
}

}  // namespace

std::string DomainName(int i) {
    static const char* const latinZones[] = {".ru", ".com", ".net", ".org", ".su"};
    if (i % 5 == 4) {
        const auto& stems = CyrillicStems();
        return stems[static_cast<std::size_t>(i) % stems.size()] + std::to_string(i) + CyrillicZone();
    }
    return (i % 3 == 0 ? "www.site" : "shop") + std::to_string(i) + latinZones[i % 5];
}

std::string DomainListFile(int count) {
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 20);
    for (int i = 0; i < count; ++i) {
        text += DomainName(i);
        text += "\r\n";
    }
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace vantle::bench
