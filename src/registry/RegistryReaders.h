#pragma once
// The pure readers of the registration check: bytes in, cells out. None of them throws, whatever the
// bytes; none of them gives a date it did not read whole.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vantle::registry {

// The three cells of the check, the registrar in UTF-8 until the check converts it. A failure leaves
// its word in created and the others empty.
struct RegistryCells {
    std::string created;
    std::string expires;
    std::string registrar;

    static RegistryCells Failure(std::string word) { return {std::move(word), {}, {}}; }
    bool operator==(const RegistryCells&) const = default;
};

// The cell words besides dates.
inline constexpr std::string_view kFree = "free";
inline constexpr std::string_view kRateLimited = "rate limited";
inline constexpr std::string_view kBadAnswer = "bad answer";
// A name the registry holds but whose answer gives no dates.
inline constexpr std::string_view kRegistered = "registered";

// JSON nested deeper than this is not an answer of the kind asked for.
inline constexpr int kMaxJsonDepth = 64;

// The zone -> RDAP base URL map of a bootstrap file: zones in lower case, each base ending in "/",
// an https base preferred over the others of its entry. nullopt when the bytes are not a bootstrap
// file (not JSON, too deep, no "services" list).
std::optional<std::map<std::string, std::string>> ReadBootstrap(std::string_view json);

// The base URL for name (ASCII, lower case): the entry of its longest suffix of whole labels; empty
// when no suffix is listed.
std::string RdapBaseFor(const std::map<std::string, std::string>& bases, std::string_view name);

// The cells of an RDAP domain answer: the registration and expiration events and the registrar
// entity's name: its vcard "fn", else its "org", else its handle, else "IANA #<id>". "bad answer" when it is
// not JSON, is nested too deep, is not an object or has no "events" list.
RegistryCells ReadRdap(std::string_view json);

// The cells of a WHOIS answer about domain (ASCII; empty: whatever name the answer is about), read
// from the domain's own record: not from a contact's block, the registrar's block or another name's
// record in the same answer. "registered" in Created when the name is held but the answer gives no
// dates, "free" for a name without an entry, "rate limited" for a limit notice, "bad answer" when none
// of this is there.
RegistryCells ReadWhois(std::string_view text, std::string_view domain);

// The WHOIS server that IANA's answer about a zone names ("refer:", else "whois:"), lower case; empty
// when it names none or the name is not a host name.
std::string ReadIanaReferral(std::string_view text);

// "YYYY-MM-DD" from the start of a date as registries write it: "2021-03-04T05:06:07Z", "2021.03.04",
// "2021/03/04", "2007. 03. 02.", "20210304", "2001-Aug-23", "04.03.2021", "4.3.2021", "04/03/2021",
// "04-03-2021", "04-mar-2021", "31 May 1999", "30th April 2003", "Tue Feb 10 09:42:42 2004". Empty
// when it is none of these, names no day ("before Aug-1996") or is not a day of the calendar.
std::string DayOf(std::string_view date);

}  // namespace vantle::registry
