#pragma once
// The full ASCII form of a domain name (every label, IDNA), as resolvers, web servers and certificates
// know it, and the way back for display.

#include <optional>
#include <string>
#include <string_view>

namespace vantle {

// name: Windows-1251 bytes. Lower-cased, every non-ASCII label in Punycode with the "xn--" prefix
// (IDNA 2008, non-transitional). A name IDNA refuses is lower-cased and left as it is, so that the
// checks still see it and report their own failure for it.
std::string FullAsciiName(std::string_view name);

// The name's form for the checks of today: FullAsciiName's when the name can be asked for, nothing
// when it cannot (a "bad name"): IDNA refuses it, a label is empty (a dot at the end is the root's),
// it holds a blank, a control, a no-break space or a character Unicode leaves unseen (a soft hyphen,
// a zero-width space), or its ASCII form holds anything but letters, digits, hyphens and dots.
std::optional<std::string> CheckableAsciiName(std::string_view name);

// The same for a name in UTF-8 bytes (as URLs carry it), whatever the process locale. A name IDNA
// refuses is lower-cased (ASCII letters only) and left as it is.
std::string FullAsciiNameOfUtf8(std::string_view utf8);

// ascii: a host name. Every "xn--" label decoded, as Windows-1251 bytes (a character the code page
// cannot hold as its escape, see text/Cp1251.h); a name that does not decode is returned as it is.
std::string DisplayName(std::string_view ascii);

// name (Windows-1251 bytes) with each "xn--" label in its Unicode form where that form is the
// label's real one (it encodes back to the label) and in one writing system (no look-alike of
// another name, see DisplayName); every other label as it is.
std::string UnicodeFormOfAceLabels(std::string_view name);

}  // namespace vantle
