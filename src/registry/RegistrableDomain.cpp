#include "registry/RegistrableDomain.h"

#include <libpsl.h>

namespace vantle::registry {
namespace {

// The newest list there is (the system's, else the built-in one), loaded once for the process.
const psl_ctx_t* List() {
    static const psl_ctx_t* list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest != nullptr ? latest : psl_builtin();
    }();
    return list;
}

bool IsPublicSuffix(const std::string& name) {
    return psl_is_public_suffix2(List(), name.c_str(), PSL_TYPE_ICANN) != 0;
}

bool Usable(std::string_view name) {
    if (name.empty() || name.size() > 253) {
        return false;
    }
    bool onlyDigits = true;  // of the last label: an IPv4 address or no name at all
    std::size_t labelLength = 0;
    for (char c : name) {
        if (c == '.') {
            if (labelLength == 0) {
                return false;
            }
            labelLength = 0;
            onlyDigits = true;
            continue;
        }
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!allowed || ++labelLength > 63) {
            return false;
        }
        onlyDigits = onlyDigits && c >= '0' && c <= '9';
    }
    return labelLength > 0 && !onlyDigits;
}

}  // namespace

std::string RegistrableDomain(std::string_view ascii) {
    if (!ascii.empty() && ascii.back() == '.') {
        ascii.remove_suffix(1);
    }
    if (!Usable(ascii) || List() == nullptr) {
        return {};
    }
    // The longest suffix that is public decides; the name one label longer is the registered one.
    std::size_t previous = std::string_view::npos;  // start of the suffix one label longer
    std::size_t start = 0;
    for (;;) {
        if (IsPublicSuffix(std::string(ascii.substr(start)))) {
            return previous == std::string_view::npos ? std::string() : std::string(ascii.substr(previous));
        }
        const auto dot = ascii.find('.', start);
        if (dot == std::string_view::npos) {
            return {};
        }
        previous = start;
        start = dot + 1;
    }
}

}  // namespace vantle::registry
