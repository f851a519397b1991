#include "puny/IdnaName.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include <idn2.h>

#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {

namespace {

struct IdnFree {
    void operator()(char* p) const { idn2_free(p); }
};
using IdnText = std::unique_ptr<char, IdnFree>;

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The IDNA lookup form of a UTF-8 name, lower case; nothing when IDNA refuses it. The _8z call takes
// UTF-8 as it is, never the locale's code set.
std::optional<std::string> IdnaAscii(const std::string& utf8) {
    char* out = nullptr;
    // IDN2_NFC_INPUT and the lookup rules lower-case the Unicode labels; ASCII ones by hand.
    const int rc = idn2_to_ascii_8z(utf8.c_str(), &out, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
    const IdnText owned(out);
    if (rc != IDN2_OK || out == nullptr) {
        return std::nullopt;
    }
    return AsciiLower(out);
}

}  // namespace

std::string FullAsciiNameOfUtf8(std::string_view utf8) {
    std::optional<std::string> ascii = IdnaAscii(std::string(utf8));
    return ascii ? std::move(*ascii) : AsciiLower(std::string(utf8));
}

namespace {

// Lower-case letters, digits, hyphens and dots between non-empty labels, no Punycode label: IDNA
// gives such a name back as it is, so the look-up (the costliest step of a local check over a long
// list) is spared.
bool PlainLowerAscii(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.back() == '.' ||
        name.find("..") != std::string_view::npos || name.find("xn--") != std::string_view::npos) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    });
}

}  // namespace

std::string FullAsciiName(std::string_view name) {
    if (PlainLowerAscii(name)) {
        return std::string(name);
    }
    std::optional<std::string> ascii = IdnaAscii(Cp1251ToUtf8(name));
    return ascii ? std::move(*ascii) : AsciiLower(std::string(name));
}

std::string DisplayName(std::string_view ascii) {
    if (ascii.find("xn--") == std::string_view::npos) {
        return std::string(ascii);
    }
    const std::string input(ascii);
    char* out = nullptr;
    const int rc = idn2_to_unicode_8z8z(input.c_str(), &out, 0);
    const IdnText owned(out);
    if (rc != IDN2_OK || out == nullptr) {
        return input;
    }
    // Punycode decodes almost any text; only a label that encodes back to itself is a real one.
    const std::string display = Utf8ToCp1251(out);
    return FullAsciiName(display) == AsciiLower(input) ? display : input;
}

}  // namespace vantle
