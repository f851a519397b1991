#include "puny/DomainName.h"

#include "puny/IdnaName.h"
#include "puny/TPunyClass.h"
#include "text/Cp1251.h"

namespace vantle {

namespace {

// A space and the 32 small Russian letters other than ё, in keyboard order. Capitals and ё do not
// make a label Cyrillic.
const std::string& CyrillicTestAlphabet() {
    static const std::string alphabet = Utf16ToCp1251(u" йцукенгшщзхъфывапролджэячсмитьбю");
    return alphabet;
}

const std::string& CyrillicZone() {
    static const std::string zone = Utf16ToCp1251(u"рф");
    return zone;
}

constexpr std::string_view kCyrillicZoneAscii = "xn--p1ai";
constexpr std::string_view kAcePrefix = "xn--";

bool IsMarkedForConversion(std::string_view label) {
    return label.find_first_of(CyrillicTestAlphabet()) != std::string_view::npos;
}

std::string FirstLabelToAscii(std::string_view label) {
    if (!IsMarkedForConversion(label)) {
        return std::string(label);
    }
    // The encoder gives plain ASCII, or the label unchanged when it fails.
    const std::u16string encoded = TPunyClass().Encode(Cp1251ToUtf16(label));
    return std::string(kAcePrefix) + Utf16ToCp1251(encoded);
}

std::string ZoneToAscii(std::string_view zone) {
    return zone == CyrillicZone() ? std::string(kCyrillicZoneAscii) : std::string(zone);
}

}  // namespace

std::string DomainToAscii(std::string_view name) {
    if (HoldsEscape(name)) {
        // Beyond the code page the rule of the two labels has no say: the whole name in IDNA, or
        // "?" for what the code page cannot hold when IDNA refuses it, as such a name always went.
        if (const std::optional<std::string> ascii = CheckableAsciiName(name)) {
            return *ascii;
        }
        return DomainToAscii(EscapesAsQuestionMarks(name));
    }
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos) {
        return FirstLabelToAscii(name);
    }
    return FirstLabelToAscii(name.substr(0, dot)) + "." + ZoneToAscii(name.substr(dot + 1));
}

int CountOccurrences(std::string_view needle, std::string_view text) {
    if (needle.empty()) {
        return 0;
    }
    int count = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

}  // namespace vantle
