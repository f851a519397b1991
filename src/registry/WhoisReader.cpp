// ReadWhois: the registration fields of a WHOIS answer, whatever the registry's layout.
//
// Each line is cut into a key and a value: "key: value", "key.......: value", "[key] value",
// "a. [key] value", "** key: value", a key with its value on the next line, and "Record created on
// <date>" without a colon. The answer is read as a run of sections: the domain's own record, a contact's
// block (a header such as "Administrative Contact:", "[Tech-C]", "Registrant", or an object such as
// "person:"), the registrar's block ("Registrar:" then "Name: X"), and the records of other names
// ("Domain Name: OTHER.COM", "Server Name: ..."). A block ends where its indent ends, or, when it is
// not indented, at a blank line. Dates are taken from the domain's record before a contact's, and never
// from another name's or the registrar's; within one kind of section the first value counts.
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "registry/ReaderText.h"
#include "registry/RegistryReaders.h"

namespace vantle::registry {
namespace {

using text::CellText;
using text::IsDigit;
using text::IsLetter;
using text::LowerCopy;
using text::Trim;

enum class Slot { Created, Expires, Registrar, Domain, OtherName, Object, Status };

struct WhoisKey {
    std::string_view key;  // lower case, blanks single, without the colon or dot leaders
    Slot slot;
};

// UTF-8 spellings of the non-English keys are given byte for byte.
constexpr std::array kWhoisKeys{
    WhoisKey{"created", Slot::Created},
    WhoisKey{"creation date", Slot::Created},
    WhoisKey{"created on", Slot::Created},
    WhoisKey{"created date", Slot::Created},
    WhoisKey{"create date", Slot::Created},
    WhoisKey{"domain created", Slot::Created},
    WhoisKey{"record created", Slot::Created},
    WhoisKey{"record created on", Slot::Created},
    WhoisKey{"registered", Slot::Created},
    WhoisKey{"registered on", Slot::Created},
    WhoisKey{"registered date", Slot::Created},
    WhoisKey{"registration date", Slot::Created},
    WhoisKey{"registration time", Slot::Created},
    WhoisKey{"domain registration date", Slot::Created},
    WhoisKey{"first registration date", Slot::Created},
    WhoisKey{"domain name commencement date", Slot::Created},
    WhoisKey{"commencement date", Slot::Created},
    WhoisKey{"assigned", Slot::Created},
    WhoisKey{"activated", Slot::Created},
    WhoisKey{"fecha de creaci\xc3\xb3n", Slot::Created},
    WhoisKey{"fecha de creacion", Slot::Created},
    WhoisKey{"fecha de registro", Slot::Created},
    WhoisKey{"data de cria\xc3\xa7\xc3\xa3o", Slot::Created},
    WhoisKey{"data registrazione", Slot::Created},
    WhoisKey{"date de cr\xc3\xa9"
             "ation",
             Slot::Created},
    WhoisKey{"registrierungsdatum", Slot::Created},
    WhoisKey{"domain dateregistered", Slot::Created},
    WhoisKey{"\xe7\x99\xbb\xe9\x8c\xb2\xe5\xb9\xb4\xe6\x9c\x88\xe6\x97\xa5", Slot::Created},
    WhoisKey{"\xeb\x93\xb1\xeb\xa1\x9d\xec\x9d\xbc", Slot::Created},
    WhoisKey{"paid-till", Slot::Expires},
    WhoisKey{"expire", Slot::Expires},
    WhoisKey{"expires", Slot::Expires},
    WhoisKey{"expires on", Slot::Expires},
    WhoisKey{"expires at", Slot::Expires},
    WhoisKey{"expire date", Slot::Expires},
    WhoisKey{"expiry", Slot::Expires},
    WhoisKey{"expiry date", Slot::Expires},
    WhoisKey{"expiration", Slot::Expires},
    WhoisKey{"expiration date", Slot::Expires},
    WhoisKey{"expiration time", Slot::Expires},
    WhoisKey{"domain expires", Slot::Expires},
    WhoisKey{"domain expiration date", Slot::Expires},
    WhoisKey{"registry expiry date", Slot::Expires},
    WhoisKey{"registrar registration expiration date", Slot::Expires},
    WhoisKey{"record expires", Slot::Expires},
    WhoisKey{"record expires on", Slot::Expires},
    WhoisKey{"valid until", Slot::Expires},
    WhoisKey{"validity", Slot::Expires},
    WhoisKey{"renewal date", Slot::Expires},
    WhoisKey{"fecha de vencimiento", Slot::Expires},
    WhoisKey{"fecha de expiraci\xc3\xb3n", Slot::Expires},
    WhoisKey{"fecha de expiracion", Slot::Expires},
    WhoisKey{"data de expira\xc3\xa7\xc3\xa3o", Slot::Expires},
    WhoisKey{"data scadenza", Slot::Expires},
    WhoisKey{"date d'expiration", Slot::Expires},
    WhoisKey{"expire-date", Slot::Expires},
    WhoisKey{"exp date", Slot::Expires},
    WhoisKey{"record expired", Slot::Expires},
    WhoisKey{"domain datebilleduntil", Slot::Expires},
    WhoisKey{"\xe6\x9c\x89\xe5\x8a\xb9\xe6\x9c\x9f\xe9\x99\x90", Slot::Expires},
    WhoisKey{"registrar", Slot::Registrar},
    WhoisKey{"sponsoring registrar", Slot::Registrar},
    WhoisKey{"registrar name", Slot::Registrar},
    WhoisKey{"registrar-name", Slot::Registrar},
    WhoisKey{"current registrar", Slot::Registrar},
    WhoisKey{"current registar", Slot::Registrar},
    WhoisKey{"registration service provider", Slot::Registrar},
    WhoisKey{"registrar organization", Slot::Registrar},
    WhoisKey{"registrar handle", Slot::Registrar},
    WhoisKey{"authorized agency", Slot::Registrar},
    WhoisKey{"domain", Slot::Domain},
    WhoisKey{"domain name", Slot::Domain},
    WhoisKey{"domainname", Slot::Domain},
    WhoisKey{"nombre de dominio", Slot::Domain},
    WhoisKey{"server name", Slot::OtherName},
    WhoisKey{"person", Slot::Object},
    WhoisKey{"personname", Slot::Object},
    WhoisKey{"role", Slot::Object},
    WhoisKey{"contact", Slot::Object},
    WhoisKey{"nic-hdl", Slot::Object},
    WhoisKey{"nic-hdl-br", Slot::Object},
    WhoisKey{"nsset", Slot::Object},
    WhoisKey{"keyset", Slot::Object},
    WhoisKey{"status", Slot::Status},
    WhoisKey{"state", Slot::Status},
    WhoisKey{"domain status", Slot::Status},
    WhoisKey{"registration status", Slot::Status},
    WhoisKey{"domaintype", Slot::Status},
    WhoisKey{"estatus del dominio", Slot::Status},
};

// The keys of the registrar's own block that name it ("Registrar:" then "Name: X").
constexpr std::string_view kRegistrarNameKeys[] = {"name", "organization", "organisation",
                                                   "org",  "registrar",    "registrar name"};

// Words of a header that opens a contact's block.
constexpr std::string_view kContactWords[] = {"contact", "registrant", "holder",      "owner",
                                              "admin",   "tech",       "billing",     "titular",
                                              "zone-c",  "person",     "responsible", "contacto"};

// Answers for a name that no one holds; compared with the answer in lower case, its blanks single.
constexpr std::string_view kFreePhrases[] = {"no entries found",
                                             "no match",
                                             "not found",
                                             "no data found",
                                             "no object found",
                                             "object does not exist",
                                             "status: free",
                                             "is free",
                                             "status: available",
                                             "is not registered",
                                             "not registered",
                                             "no found",
                                             "%error:103",
                                             "220 available",
                                             "domain is available",
                                             "available for registration",
                                             "no such domain",
                                             "nothing found",
                                             "has not been registered",
                                             "no matching record",
                                             "does not exist",
                                             "no entries",
                                             "no information available",
                                             "do not have an entry",
                                             "object_not_found",
                                             "no data was found",
                                             "no existe",
                                             "no se encuentra registrado"};

constexpr std::string_view kLimitPhrases[] = {"exceeded",        "rate limit",  "too many",
                                              "try again later", "query limit", "quota"};

enum class Section { Domain, Contact, Registrar, OtherName };

struct Line {
    std::size_t indent = 0;
    std::string_view body;  // trimmed
    bool blank = true;
    bool comment = false;
    bool keyed = false;  // a key was found ("key:" or "[key]")
    std::string key;     // normalised
    std::string_view value;
};

// A key of the registrar's own block that names it.
bool IsNameKey(const Line& line) {
    return line.keyed && std::find(std::begin(kRegistrarNameKeys), std::end(kRegistrarNameKeys), line.key) !=
                             std::end(kRegistrarNameKeys);
}

std::size_t Indent(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) {
        ++n;
    }
    return n;
}

// Lower case, blanks single, "_" as a blank, without dot leaders or blanks at the ends.
std::string NormalKey(std::string_view key) {
    std::string out;
    for (char c : Trim(key)) {
        if (c == ' ' || c == '\t' || c == '_') {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += text::Lower(c);
        }
    }
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

Line Cut(std::string_view raw) {
    Line line;
    line.indent = Indent(raw);
    line.body = Trim(raw);
    line.blank = line.body.empty();
    if (line.blank) {
        return line;
    }
    if (line.body.front() == '%' || line.body.front() == '#' || line.body.starts_with(">>>")) {
        line.comment = true;
        return line;
    }
    std::string_view s = line.body;
    while (!s.empty() && (s.front() == '*' || s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    if (s.size() > 3 && IsLetter(s[0]) && s[1] == '.' && s[2] == ' ') {
        s = Trim(s.substr(3));  // "a. [Domain Name]"
    }
    if (!s.empty() && s.front() == '[') {
        if (const auto close = s.find(']'); close != std::string_view::npos) {
            line.keyed = true;
            line.key = NormalKey(s.substr(1, close - 1));
            line.value = Trim(s.substr(close + 1));
        }
        return line;
    }
    const auto colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 60) {
        return line;
    }
    const std::string_view key = s.substr(0, colon);
    if (key.find('/') != std::string_view::npos && key.find(' ') == std::string_view::npos) {
        return line;  // "http://..."
    }
    line.keyed = true;
    line.key = NormalKey(key);
    line.value = Trim(s.substr(colon + 1));
    return line;
}

std::optional<Slot> SlotOf(std::string_view key) {
    for (const WhoisKey& k : kWhoisKeys) {
        if (k.key == key) {
            return k.slot;
        }
    }
    return std::nullopt;
}

bool HasWord(std::string_view lower, std::string_view word) {
    return lower.find(word) != std::string_view::npos;
}

template <std::size_t N>
bool AnyOf(std::string_view lower, const std::string_view (&phrases)[N]) {
    for (std::string_view phrase : phrases) {
        if (HasWord(lower, phrase)) {
            return true;
        }
    }
    return false;
}

bool IsContactText(std::string_view lower) {
    return AnyOf(lower, kContactWords);
}

Section SectionOf(std::string_view header) {
    // "Registrar Technical Contacts" is a contact's block, "Registrar" the registrar's own.
    const std::string lower = LowerCopy(header);
    if (IsContactText(lower)) {
        return Section::Contact;
    }
    return HasWord(lower, "registrar") || HasWord(lower, "registar") ? Section::Registrar : Section::Domain;
}

// A line without a key that heads a block: a few words naming a contact or the registrar
// ("Registrant", "Administrative Contact/Agent", "Registrar"), no digits, no mail or web address.
bool IsBareHeader(const Line& line) {
    if (line.keyed || line.body.size() > 40) {
        return false;
    }
    std::size_t words = 1;
    for (char c : line.body) {
        if (IsDigit(c) || c == '@' || c == '.' || c == ',' || c == ':') {
            return false;
        }
        words += c == ' ' ? 1 : 0;
    }
    const std::string lower = LowerCopy(line.body);
    return words <= 4 && (lower == "registrar" || IsContactText(lower));
}

// The name a domain line holds ("GOOGLE.KG (ACTIVE)" -> "google.kg").
std::string NameIn(std::string_view value) {
    const auto end = value.find_first_of(" \t(");
    std::string name = LowerCopy(value.substr(0, end));
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    return name;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The answer in lower case with its blanks single, for the phrases.
std::string Phrasing(std::string_view answer) {
    std::string out;
    for (char c : answer) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() == ' ') {
                continue;
            }
            c = ' ';
        }
        out += text::Lower(c);
    }
    return out;
}

// A status that says the name is held ("connect", "ok", "Registered", "clientTransferProhibited").
bool IsHeldStatus(std::string_view value) {
    const std::string lower = LowerCopy(value);
    return !lower.empty() && !HasWord(lower, "free") && !HasWord(lower, "available") &&
           !HasWord(lower, "not ") && !lower.starts_with("no ");
}

// One cell's value and the rank of the section it came from (lower is better).
struct Found {
    std::string value;
    int rank = 99;
    void Offer(std::string v, int r) {
        if (!v.empty() && r < rank) {
            value = std::move(v);
            rank = r;
        }
    }
};

class WhoisRead {
public:
    WhoisRead(std::string_view answer, std::string_view domain) : domain_(LowerCopy(domain)) {
        std::size_t start = 0;
        while (start < answer.size()) {
            std::size_t end = answer.find('\n', start);
            if (end == std::string_view::npos) {
                end = answer.size();
            }
            lines_.push_back(Cut(answer.substr(start, end - start)));
            start = end + 1;
        }
    }

    void Run() {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            i = Step(i);
        }
    }

    Found created, expires, registrar;
    bool held = false;   // a status says the name is held
    bool named = false;  // a domain line names the name asked
    bool fieldsRead = false;

private:
    const Line* Next(std::size_t i) const { return i + 1 < lines_.size() ? &lines_[i + 1] : nullptr; }

    // The value on the next line: a line without a key, indented at least as far.
    std::optional<std::string_view> NextLineValue(std::size_t i) const {
        const Line* next = Next(i);
        if (next == nullptr || next->blank || next->comment || next->keyed ||
            next->indent < lines_[i].indent) {
            return std::nullopt;
        }
        return next->body;
    }

    void Open(Section section, std::size_t i) {
        section_ = section;
        blockIndent_ = lines_[i].indent;
        blockStarted_ = false;
        nested_ = false;
    }

    // Ends the block that the line falls outside of; true when the line is still inside it.
    void Close(const Line& line) {
        if (section_ == Section::Domain) {
            return;
        }
        if (line.blank) {
            if (blockStarted_ && !nested_) {
                section_ = Section::Domain;
            }
            return;
        }
        if (!blockStarted_) {
            blockStarted_ = true;
            nested_ = line.indent > blockIndent_;
            return;
        }
        if (nested_ && line.indent <= blockIndent_) {
            section_ = Section::Domain;
        }
    }

    int Rank() const { return section_ == Section::Domain ? 0 : 1; }

    void Date(Found& cell, std::string_view value) {
        if (section_ == Section::Domain || section_ == Section::Contact) {
            std::string day = DayOf(value);
            fieldsRead = fieldsRead || !day.empty();
            cell.Offer(std::move(day), Rank());
        }
    }

    void Name(std::string_view value) {
        if (section_ == Section::OtherName) {
            return;
        }
        std::string name = CellText(value);
        fieldsRead = fieldsRead || !name.empty();
        registrar.Offer(std::move(name), section_ == Section::Registrar ? 0 : Rank());
    }

    // A date given without a colon ("Record created on 2000-08-29"): the longest date key that starts
    // the line, followed by a day.
    bool KeyInText(const Line& line) {
        const std::string lower = NormalKey(line.body);
        std::optional<WhoisKey> best;
        for (const WhoisKey& k : kWhoisKeys) {
            if ((k.slot == Slot::Created || k.slot == Slot::Expires) && lower.size() > k.key.size() &&
                lower.starts_with(k.key) && lower[k.key.size()] == ' ' &&
                (!best || k.key.size() > best->key.size())) {
                best = k;
            }
        }
        if (!best) {
            return false;
        }
        const std::string_view value = Trim(line.body.substr(std::min(line.body.size(), best->key.size())));
        if (DayOf(value).empty()) {
            return false;
        }
        Date(best->slot == Slot::Created ? created : expires, value);
        return true;
    }

    void Record(std::string_view value) {
        const std::string name = NameIn(value);
        if (domain_.empty() || name == domain_ || !IsAscii(name)) {
            named = named || name == domain_ || domain_.empty();
            section_ = Section::Domain;
        } else {
            section_ = Section::OtherName;
            blockStarted_ = true;
            nested_ = false;
        }
    }

    // Reads line i; gives the index of the last line it used.
    std::size_t Step(std::size_t i) {
        const Line& line = lines_[i];
        Close(line);
        if (line.blank || line.comment) {
            return i;
        }
        if (!line.keyed) {
            if (IsBareHeader(line)) {
                Open(SectionOf(line.body), i);
            } else if (section_ != Section::OtherName) {
                KeyInText(line);
            }
            return i;
        }
        const std::optional<Slot> slot = SlotOf(line.key);
        if (section_ == Section::Registrar && blockStarted_ && IsNameKey(line)) {
            Name(line.value);
            return i;
        }
        std::string_view value = line.value;
        std::size_t used = i;
        if (value.empty() && slot && *slot != Slot::Object && *slot != Slot::Status) {
            if (const auto next = NextLineValue(i)) {
                value = *next;
                used = i + 1;
            }
        }
        if (value.empty()) {
            // A header: "Registrar:" over an indented block, or over "name:" at its own indent, heads
            // the registrar's block; an empty "Registrar:" over another line at its own indent names
            // nothing.
            const Line* next = Next(i);
            const Section kind = SectionOf(line.key);
            if (kind == Section::Registrar &&
                !(next != nullptr && (next->indent > line.indent || IsNameKey(*next)))) {
                Open(Section::Domain, i);
            } else if (!slot || *slot == Slot::Registrar) {
                Open(kind, i);
            }
            return i;
        }
        if (!slot) {
            if (section_ != Section::OtherName) {
                KeyInText(line);
            }
            return used;
        }
        switch (*slot) {
            case Slot::Created:
                Date(created, value);
                break;
            case Slot::Expires:
                Date(expires, value);
                break;
            case Slot::Registrar:
                Name(value);
                break;
            case Slot::Domain:
                Record(value);
                break;
            case Slot::OtherName:
                section_ = Section::OtherName;
                blockStarted_ = true;
                nested_ = false;
                break;
            case Slot::Object:
                if (section_ != Section::OtherName) {
                    Open(Section::Contact, i);
                    blockStarted_ = true;
                }
                break;
            case Slot::Status:
                held = held || (section_ == Section::Domain && IsHeldStatus(value));
                break;
        }
        return used;
    }

    std::string domain_;
    std::vector<Line> lines_;
    Section section_ = Section::Domain;
    std::size_t blockIndent_ = 0;
    bool blockStarted_ = false;
    bool nested_ = false;
};

}  // namespace

RegistryCells ReadWhois(std::string_view answer, std::string_view domain) {
    WhoisRead read(answer, domain);
    read.Run();
    RegistryCells cells{read.created.value, read.expires.value, read.registrar.value};
    if (read.fieldsRead) {
        if (cells.created.empty() && cells.expires.empty()) {
            cells.created = kRegistered;
        }
        return cells;
    }
    if (read.held) {
        return RegistryCells::Failure(std::string(kRegistered));
    }
    const std::string lower = Phrasing(answer);
    if (AnyOf(lower, kFreePhrases)) {
        return RegistryCells::Failure(std::string(kFree));
    }
    if (AnyOf(lower, kLimitPhrases)) {
        return RegistryCells::Failure(std::string(kRateLimited));
    }
    if (read.named) {
        return RegistryCells::Failure(std::string(kRegistered));
    }
    return RegistryCells::Failure(std::string(kBadAnswer));
}

}  // namespace vantle::registry
