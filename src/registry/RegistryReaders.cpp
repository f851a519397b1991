#include "registry/RegistryReaders.h"

#include <array>
#include <nlohmann/json.hpp>

namespace vantle::registry {
namespace {

using nlohmann::json;

// The parsed value, or nullopt when the bytes are not JSON or nest deeper than kMaxJsonDepth. The
// parser keeps its nesting on the heap; the callback drops what lies too deep, so a deep answer costs
// its length and no stack.
std::optional<json> ParseBounded(std::string_view text) {
    bool tooDeep = false;
    const json::parser_callback_t bound = [&tooDeep](int depth, json::parse_event_t, json&) {
        if (depth > kMaxJsonDepth) {
            tooDeep = true;
            return false;
        }
        return true;
    };
    try {
        json value = json::parse(text.begin(), text.end(), bound, false);
        if (tooDeep || value.is_discarded()) {
            return std::nullopt;
        }
        return value;
    } catch (...) {
        return std::nullopt;
    }
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = Lower(c);
    }
    return out;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A name as a cell shows it: blanks at the ends dropped, control characters as spaces.
std::string CellText(std::string_view text) {
    std::string out(Trim(text));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return out;
}

const std::string* StringAt(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
}

// The "fn" of a jCard: ["vcard", [[name, params, type, value], ...]].
std::string VcardName(const json& entity) {
    const auto card = entity.find("vcardArray");
    if (card == entity.end() || !card->is_array() || card->size() < 2 || !(*card)[1].is_array()) {
        return {};
    }
    for (const json& property : (*card)[1]) {
        if (property.is_array() && property.size() >= 4 && property[0].is_string() &&
            LowerCopy(property[0].get_ref<const std::string&>()) == "fn" && property[3].is_string()) {
            return CellText(property[3].get_ref<const std::string&>());
        }
    }
    return {};
}

std::string IanaId(const json& entity) {
    const auto ids = entity.find("publicIds");
    if (ids == entity.end() || !ids->is_array()) {
        return {};
    }
    for (const json& id : *ids) {
        const std::string* type = StringAt(id, "type");
        if (type == nullptr || LowerCopy(*type) != "iana registrar id") {
            continue;
        }
        const auto identifier = id.find("identifier");
        if (identifier == id.end()) {
            continue;
        }
        if (identifier->is_string() && !Trim(identifier->get_ref<const std::string&>()).empty()) {
            return "IANA #" + CellText(identifier->get_ref<const std::string&>());
        }
        if (identifier->is_number_unsigned()) {
            return "IANA #" + std::to_string(identifier->get<std::uint64_t>());
        }
    }
    return {};
}

bool HasRole(const json& entity, std::string_view role) {
    const auto roles = entity.find("roles");
    if (roles == entity.end() || !roles->is_array()) {
        return false;
    }
    for (const json& r : *roles) {
        if (r.is_string() && LowerCopy(r.get_ref<const std::string&>()) == role) {
            return true;
        }
    }
    return false;
}

// The registrar among the entities of holder and, below them, theirs (the depth is bounded by the
// parse). Empty when there is none or it has neither a name nor an IANA id.
std::string Registrar(const json& holder) {
    const auto entities = holder.find("entities");
    if (entities == holder.end() || !entities->is_array()) {
        return {};
    }
    for (const json& entity : *entities) {
        if (entity.is_object() && HasRole(entity, "registrar")) {
            std::string name = VcardName(entity);
            return name.empty() ? IanaId(entity) : name;
        }
    }
    for (const json& entity : *entities) {
        if (entity.is_object()) {
            if (std::string name = Registrar(entity); !name.empty()) {
                return name;
            }
        }
    }
    return {};
}

bool Contains(std::string_view lowerText, std::string_view lowerPart) {
    return lowerText.find(lowerPart) != std::string_view::npos;
}

enum class Slot { Created, Expires, Registrar };

struct WhoisField {
    std::string_view key;  // lower case, without the colon
    Slot slot;
};

constexpr std::array kWhoisFields{
    WhoisField{"created", Slot::Created},
    WhoisField{"creation date", Slot::Created},
    WhoisField{"created on", Slot::Created},
    WhoisField{"registered on", Slot::Created},
    WhoisField{"registration time", Slot::Created},
    WhoisField{"domain registration date", Slot::Created},
    WhoisField{"paid-till", Slot::Expires},
    WhoisField{"registry expiry date", Slot::Expires},
    WhoisField{"registrar registration expiration date", Slot::Expires},
    WhoisField{"expiry date", Slot::Expires},
    WhoisField{"expiration date", Slot::Expires},
    WhoisField{"expiration time", Slot::Expires},
    WhoisField{"expires on", Slot::Expires},
    WhoisField{"expires", Slot::Expires},
    WhoisField{"registrar", Slot::Registrar},
    WhoisField{"sponsoring registrar", Slot::Registrar},
    WhoisField{"registrar name", Slot::Registrar},
};

constexpr std::array<std::string_view, 7> kFreePhrases{
    "no entries found",      "no match",    "not found", "no data found", "no object found",
    "object does not exist", "status: free"};

constexpr std::array<std::string_view, 6> kLimitPhrases{"exceeded",        "rate limit",  "too many",
                                                        "try again later", "query limit", "quota"};

std::size_t Indent(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) {
        ++n;
    }
    return n;
}

bool IsHostName(std::string_view name) {
    if (name.empty() || name.size() > 253 || name.front() == '.' || name.front() == '-') {
        return false;
    }
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || IsDigit(c) || c == '.' || c == '-')) {
            return false;
        }
    }
    return true;
}

int Digits(std::string_view text, std::size_t from, std::size_t count) {
    if (from + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (!IsDigit(text[i])) {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int DaysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string Day(int year, int month, int day) {
    if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1 || day > DaysIn(year, month)) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

// The date ends at `at`: the end of the text or anything but a digit.
bool EndsAt(std::string_view text, std::size_t at) {
    return at >= text.size() || !IsDigit(text[at]);
}

int MonthNamed(std::string_view text, std::size_t from) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (from + 3 > text.size()) {
        return -1;
    }
    const std::string name = LowerCopy(text.substr(from, 3));
    for (int m = 0; m < 12; ++m) {
        if (name == kMonths[m]) {
            return m + 1;
        }
    }
    return -1;
}

}  // namespace

std::string DayOf(std::string_view date) {
    date = Trim(date);
    // YYYY-MM-DD, YYYY.MM.DD, YYYY/MM/DD
    if (date.size() >= 10 && (date[4] == '-' || date[4] == '.' || date[4] == '/') && date[7] == date[4] &&
        EndsAt(date, 10)) {
        const int year = Digits(date, 0, 4);
        const int month = Digits(date, 5, 2);
        const int day = Digits(date, 8, 2);
        if (year >= 0 && month >= 0 && day >= 0) {
            return Day(year, month, day);
        }
        return {};
    }
    // DD-mon-YYYY, DD.MM.YYYY
    if (date.size() >= 11 && date[2] == '-' && date[6] == '-' && EndsAt(date, 11)) {
        const int day = Digits(date, 0, 2);
        const int month = MonthNamed(date, 3);
        const int year = Digits(date, 7, 4);
        return day >= 0 && month >= 0 && year >= 0 ? Day(year, month, day) : std::string();
    }
    if (date.size() >= 10 && date[2] == '.' && date[5] == '.' && EndsAt(date, 10)) {
        const int day = Digits(date, 0, 2);
        const int month = Digits(date, 3, 2);
        const int year = Digits(date, 6, 4);
        return day >= 0 && month >= 0 && year >= 0 ? Day(year, month, day) : std::string();
    }
    return {};
}

std::optional<std::map<std::string, std::string>> ReadBootstrap(std::string_view text) {
    const std::optional<json> doc = ParseBounded(text);
    if (!doc || !doc->is_object()) {
        return std::nullopt;
    }
    const auto services = doc->find("services");
    if (services == doc->end() || !services->is_array()) {
        return std::nullopt;
    }
    std::map<std::string, std::string> bases;
    for (const json& service : *services) {
        if (!service.is_array() || service.size() < 2 || !service[0].is_array() || !service[1].is_array()) {
            continue;
        }
        std::string base;
        for (const json& url : service[1]) {
            if (!url.is_string()) {
                continue;
            }
            const std::string lower = LowerCopy(url.get_ref<const std::string&>());
            if (lower.starts_with("https://")) {
                base = url.get<std::string>();
                break;
            }
            if (base.empty() && lower.starts_with("http://")) {
                base = url.get<std::string>();
            }
        }
        if (base.empty()) {
            continue;
        }
        if (base.back() != '/') {
            base += '/';
        }
        for (const json& zone : service[0]) {
            if (!zone.is_string()) {
                continue;
            }
            std::string name = LowerCopy(Trim(zone.get_ref<const std::string&>()));
            while (!name.empty() && name.back() == '.') {
                name.pop_back();
            }
            if (!name.empty()) {
                bases.emplace(std::move(name), base);
            }
        }
    }
    return bases;
}

std::string RdapBaseFor(const std::map<std::string, std::string>& bases, std::string_view name) {
    for (;;) {
        if (const auto it = bases.find(std::string(name)); it != bases.end()) {
            return it->second;
        }
        const auto dot = name.find('.');
        if (dot == std::string_view::npos) {
            return {};
        }
        name.remove_prefix(dot + 1);
    }
}

RegistryCells ReadRdap(std::string_view text) {
    const RegistryCells bad = RegistryCells::Failure(std::string(kBadAnswer));
    try {
        const std::optional<json> doc = ParseBounded(text);
        if (!doc || !doc->is_object()) {
            return bad;
        }
        const auto events = doc->find("events");
        if (events == doc->end() || !events->is_array()) {
            return bad;
        }
        RegistryCells cells;
        for (const json& event : *events) {
            const std::string* action = StringAt(event, "eventAction");
            const std::string* date = StringAt(event, "eventDate");
            if (action == nullptr || date == nullptr) {
                continue;
            }
            const std::string name = LowerCopy(*action);
            if (name == "registration" && cells.created.empty()) {
                cells.created = DayOf(*date);
            } else if (name == "expiration" && cells.expires.empty()) {
                cells.expires = DayOf(*date);
            }
        }
        cells.registrar = Registrar(*doc);
        return cells;
    } catch (...) {
        return bad;
    }
}

RegistryCells ReadWhois(std::string_view text) {
    RegistryCells cells;
    bool any = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::string_view body = Trim(line);
        if (body.empty() || body.front() == '%' || body.front() == '#' || body.front() == '>') {
            continue;
        }
        const auto colon = body.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string key = LowerCopy(Trim(body.substr(0, colon)));
        std::string_view value = Trim(body.substr(colon + 1));
        for (const WhoisField& field : kWhoisFields) {
            if (field.key != key) {
                continue;
            }
            if (field.slot == Slot::Registrar) {
                if (value.empty() && start < text.size()) {
                    // The name on the next, deeper indented line ("Registrar:\n    Name Ltd [Tag = X]").
                    const std::size_t nextEnd = std::min(text.find('\n', start), text.size());
                    const std::string_view next = text.substr(start, nextEnd - start);
                    if (Indent(next) > Indent(line)) {
                        value = Trim(next);
                    }
                }
                if (cells.registrar.empty() && !value.empty()) {
                    cells.registrar = CellText(value);
                    any = true;
                }
            } else {
                std::string& cell = field.slot == Slot::Created ? cells.created : cells.expires;
                if (cell.empty()) {
                    cell = DayOf(value);
                    any = any || !cell.empty();
                }
            }
            break;
        }
    }
    if (any) {
        return cells;
    }
    const std::string lower = LowerCopy(text);
    for (std::string_view phrase : kFreePhrases) {
        if (Contains(lower, phrase)) {
            return RegistryCells::Failure(std::string(kFree));
        }
    }
    for (std::string_view phrase : kLimitPhrases) {
        if (Contains(lower, phrase)) {
            return RegistryCells::Failure(std::string(kRateLimited));
        }
    }
    return RegistryCells::Failure(std::string(kBadAnswer));
}

std::string ReadIanaReferral(std::string_view text) {
    std::string refer;
    std::string whois;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string key = LowerCopy(Trim(line.substr(0, colon)));
        std::string value = LowerCopy(Trim(line.substr(colon + 1)));
        if (!IsHostName(value)) {
            continue;
        }
        if (key == "refer" && refer.empty()) {
            refer = std::move(value);
        } else if (key == "whois" && whois.empty()) {
            whois = std::move(value);
        }
    }
    return refer.empty() ? whois : refer;
}

}  // namespace vantle::registry
