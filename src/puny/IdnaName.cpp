#include "puny/IdnaName.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include <idn2.h>
#include <unicode/uchar.h>
#include <unicode/uspoof.h>
#include <unicode/utf16.h>

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

namespace {

// A character that a host name cannot hold however IDNA maps it: blanks and controls, and what
// Unicode leaves unseen, which IDNA would drop so that the name asked for is not the name shown.
bool UnseenOrBlank(UChar32 c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0x9F) || u_isUWhiteSpace(c) ||
           u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

bool HoldsUnseenOrBlank(std::string_view name) {
    const std::u16string text = Cp1251ToUtf16(name);
    for (int32_t i = 0; i < static_cast<int32_t>(text.size());) {
        UChar32 c = 0;
        U16_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
        if (UnseenOrBlank(c)) {
            return true;
        }
    }
    return false;
}

// Letters, digits and hyphens between dots, no label empty but a last one (the root's dot).
bool HostNameShape(std::string_view ascii) {
    if (ascii.empty()) {
        return false;
    }
    std::size_t labelStart = 0;
    for (std::size_t i = 0; i <= ascii.size(); ++i) {
        if (i == ascii.size() || ascii[i] == '.') {
            const bool rootDot = i == ascii.size() && i > 0;
            if (i == labelStart && !rootDot) {
                return false;
            }
            labelStart = i + 1;
            continue;
        }
        const char c = ascii[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) {
            return false;
        }
    }
    return true;
}

// What IDNA refuses in a plain lower-case name: a label over 63 letters, a hyphen at either end of a
// label, or two in its third and fourth places.
bool LabelRulesKept(std::string_view name) {
    constexpr std::size_t kLongestLabel = 63;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('.', start);
        end = end == std::string_view::npos ? name.size() : end;
        const std::string_view label = name.substr(start, end - start);
        if (label.size() > kLongestLabel) {
            return false;
        }
        if (!label.empty() && (label.front() == '-' || label.back() == '-' ||
                               (label.size() >= 4 && label.substr(2, 2) == "--"))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

std::optional<std::string> CheckableAsciiName(std::string_view name) {
    if (PlainLowerAscii(name) && LabelRulesKept(name)) {
        return std::string(name);
    }
    if (HoldsUnseenOrBlank(name)) {
        return std::nullopt;
    }
    std::optional<std::string> ascii = IdnaAscii(Cp1251ToUtf8(name));
    if (!ascii || !HostNameShape(*ascii)) {
        return std::nullopt;
    }
    return ascii;
}

namespace {

struct SpoofClose {
    void operator()(USpoofChecker* checker) const { uspoof_close(checker); }
};

// Each label in one script, or in Latin with Han and Kana, Han and Hangul, or Han and Bopomofo.
bool EveryLabelInOneWriting(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<USpoofChecker, SpoofClose> checker(uspoof_open(&status));
    uspoof_setChecks(checker.get(), USPOOF_RESTRICTION_LEVEL, &status);
    uspoof_setRestrictionLevel(checker.get(), USPOOF_HIGHLY_RESTRICTIVE);
    if (U_FAILURE(status)) {
        return false;
    }
    std::size_t start = 0;
    while (start <= utf8.size()) {
        std::size_t end = utf8.find('.', start);
        end = end == std::string_view::npos ? utf8.size() : end;
        const std::string_view label = utf8.substr(start, end - start);
        const int32_t failed = uspoof_checkUTF8(checker.get(), label.data(),
                                                static_cast<int32_t>(label.size()), nullptr, &status);
        if (U_FAILURE(status) || (failed & USPOOF_RESTRICTION_LEVEL) != 0) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

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
    // Punycode decodes almost any text; only a label that encodes back to itself is a real one, and
    // only one in a script (or the mixes one writing uses) is shown decoded, as browsers do against
    // look-alike names.
    const std::string display = Utf8ToCp1251Keeping(out);
    return FullAsciiName(display) == AsciiLower(input) && EveryLabelInOneWriting(out) ? display : input;
}

std::string UnicodeFormOfAceLabels(std::string_view name) {
    if (name.find("xn--") == std::string_view::npos) {
        return std::string(name);
    }
    std::string out;
    out.reserve(name.size());
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('.', start);
        end = end == std::string_view::npos ? name.size() : end;
        const std::string_view label = name.substr(start, end - start);
        out += label.substr(0, 4) == "xn--" ? DisplayName(label) : std::string(label);
        if (end < name.size()) {
            out.push_back('.');
        }
        start = end + 1;
    }
    return out;
}

}  // namespace vantle
