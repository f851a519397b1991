// A line of the domain list as the check run takes it: CleanDomainLine, then DomainToAscii and
// CheckableAsciiName of the display name; and DomainToAscii of the raw line, as the recheck and the
// browser links pass a cell. Neither may crash, and what each promises about its result must hold.
// The line's bytes also go through the escape of characters beyond the code page and back.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "check/CleanDomainLine.h"
#include "puny/DomainName.h"
#include "puny/IdnaName.h"
#include "text/Cp1251.h"
#include "text/TextCut.h"
#include "text/Utf8.h"

namespace {

using namespace vantle;

using vantle::fuzz::Check;

bool IsSubsequence(std::string_view part, std::string_view whole) {
    std::size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string_view::npos) {
            return false;
        }
        ++at;
    }
    return true;
}

void CheckCleaned(std::string_view line) {
    const auto cleaned = CleanDomainLine(line);
    // A line without a dot is skipped; a URL's host without one too.
    Check(line.find('.') != std::string_view::npos || !cleaned.has_value(), "skip decision");
    if (!cleaned) {
        return;
    }
    const std::string& name = *cleaned;
    Check(name.find('.') != std::string::npos, "a display name without a dot");
    // Control characters inside the line stay: only the ends are trimmed and only blanks removed; of a
    // URL only the host stays.
    Check(name.find_first_of(" /\\?#@") == std::string::npos, "a blank or a URL's mark in the display name");
    Check(std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; }),
          "a Latin capital in the display name");
    // A label in ASCII form may be shown in Unicode; else the name is cut out of the line.
    if (LowerAscii(line).find("xn--") == std::string::npos) {
        Check(IsSubsequence(name, LowerAscii(line)), "the display name holds what the line did not");
    }
}

bool HostNameBytes(std::string_view ascii) {
    return std::all_of(ascii.begin(), ascii.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    });
}

// A name with an escape goes whole in IDNA, or with "?" for those characters by the older rule.
void CheckEscapedAscii(std::string_view name, const std::string& ascii) {
    Check(!HoldsEscape(ascii), "an escape in the ASCII form");
    if (const auto checkable = CheckableAsciiName(name)) {
        Check(ascii == *checkable, "the ASCII form is not the IDNA form");
        Check(HostNameBytes(ascii), "the IDNA form holds more than a host name may");
    } else {
        Check(ascii == DomainToAscii(EscapesAsQuestionMarks(name)), "a refused name not as before");
    }
}

// Keeping what the code page cannot hold gives the same text back, in UTF-16 and in UTF-8.
void CheckEscapes(std::string_view bytes) {
    const std::u16string text = Cp1251ToUtf16(bytes);
    const std::string kept = Utf16ToCp1251Keeping(text);
    Check(Cp1251ToUtf16(kept) == text, "the escape does not give the text back");
    Check(Utf8ToCp1251Keeping(Cp1251ToUtf8(bytes)) == kept, "the UTF-8 pair differs from the UTF-16 one");
    Check(Utf16ToCp1251(text).size() == CharacterCount(kept), "an escape counted as more than one character");
    Check(EscapesAsQuestionMarks(kept) == Utf16ToCp1251(text), "\"?\" differs from the old conversion");
    std::size_t escapeEnd = 0;  // the end of the last escape met walking from the start
    for (std::size_t at = 0; at <= kept.size(); ++at) {
        Check(InsideEscape(kept, at) == (at < escapeEnd), "inside an escape, or not, wrongly told");
        if (at >= escapeEnd) {
            escapeEnd = at + EscapeAt(kept, at);
        }
    }
}

void CheckAscii(std::string_view name) {
    const std::string ascii = DomainToAscii(name);
    if (HoldsEscape(name)) {
        CheckEscapedAscii(name, ascii);
        return;
    }
    const std::size_t dot = name.find('.');
    const std::string_view label = name.substr(0, dot);
    const std::size_t asciiDot = ascii.find('.');
    Check((dot == std::string_view::npos) == (asciiDot == std::string::npos), "the first dot moved");
    if (dot != std::string_view::npos) {
        const std::string_view zone = name.substr(dot + 1);
        const bool cyrillicZone = zone == Utf16ToCp1251(u"рф");
        Check(std::string_view(ascii).substr(asciiDot + 1) == (cyrillicZone ? "xn--p1ai" : zone),
              "the zone part changed");
    }
    const std::string_view asciiLabel = std::string_view(ascii).substr(0, asciiDot);
    if (asciiLabel != label) {
        Check(asciiLabel.substr(0, 4) == "xn--", "a converted label without its prefix");
        const std::string_view encoded = asciiLabel.substr(4);
        Check(encoded == label || std::all_of(encoded.begin(), encoded.end(),
                                              [](char c) { return static_cast<unsigned char>(c) < 0x80; }),
              "a converted label that is not ASCII");
    }
    // A label with a blank is marked again (the blank is in the test alphabet); any other result is final.
    if (asciiLabel.find(' ') == std::string_view::npos) {
        Check(DomainToAscii(ascii) == ascii, "the ASCII form is not final");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(bytes), size);
    CheckCleaned(line);
    CheckAscii(line);
    if (const auto cleaned = CleanDomainLine(line)) {
        CheckAscii(*cleaned);
    }
    Check(CountOccurrences(".", line) == std::count(line.begin(), line.end(), '.'), "dot count");
    CheckEscapes(line);
    if (const auto checkable = CheckableAsciiName(line)) {
        Check(HostNameBytes(*checkable) && !checkable->empty(), "a checkable form that is no host name");
    }
    return 0;
}
