#include "registry/RegistryReaders.h"

#include <nlohmann/json.hpp>

#include "registry/ReaderText.h"

namespace vantle::registry {
namespace {

using nlohmann::json;
using text::CellText;
using text::IsDigit;
using text::LowerCopy;
using text::Trim;

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

const std::string* StringAt(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
}

// The text of a jCard property: a string, or the first string of a structured value (an "org" may be
// ["Company", "Unit"]).
std::string PropertyText(const json& value) {
    if (value.is_string()) {
        return CellText(value.get_ref<const std::string&>());
    }
    if (value.is_array()) {
        for (const json& part : value) {
            if (part.is_string() && !Trim(part.get_ref<const std::string&>()).empty()) {
                return CellText(part.get_ref<const std::string&>());
            }
        }
    }
    return {};
}

// The first non-empty property called name of a jCard: ["vcard", [[name, params, type, value], ...]].
std::string VcardText(const json& entity, std::string_view name) {
    const auto card = entity.find("vcardArray");
    if (card == entity.end() || !card->is_array() || card->size() < 2 || !(*card)[1].is_array()) {
        return {};
    }
    for (const json& property : (*card)[1]) {
        if (property.is_array() && property.size() >= 4 && property[0].is_string() &&
            LowerCopy(property[0].get_ref<const std::string&>()) == name) {
            if (std::string text = PropertyText(property[3]); !text.empty()) {
                return text;
            }
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

// A registrar entity's name: its vcard "fn", else its "org", else its handle, else its IANA id.
std::string RegistrarName(const json& entity) {
    for (const std::string_view property : {"fn", "org"}) {
        if (std::string name = VcardText(entity, property); !name.empty()) {
            return name;
        }
    }
    if (const std::string* handle = StringAt(entity, "handle"); handle != nullptr && !Trim(*handle).empty()) {
        return CellText(*handle);
    }
    return IanaId(entity);
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
            return RegistrarName(entity);
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

}  // namespace

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
