#pragma once
// IANA's RDAP bootstrap file for the domain zones, kept in the user's cache folder: fetched when there
// is no copy younger than a week; when it cannot be fetched, the copy of any age stands in.

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "web/CurlSession.h"

namespace vantle::registry {

inline constexpr std::chrono::hours kBootstrapMaxAge{24 * 7};

// endpoints.cacheDir, else $XDG_CACHE_HOME/vantle, else ~/.cache/vantle; empty when none is known.
std::filesystem::path CacheFolder(const CheckEndpoints& endpoints);
// Where the bootstrap file is kept.
std::filesystem::path BootstrapCacheFile(const CheckEndpoints& endpoints);

class RdapBootstrap {
public:
    using Bases = std::map<std::string, std::string>;

    explicit RdapBootstrap(const CheckEndpoints& endpoints) : endpoints_(endpoints) {}

    // The zone -> base URL map; nullopt when neither a fetch nor a kept copy gives one. Thread-safe; a
    // fresh map is used again for a week, an old copy or a failure for a minute before the next try.
    std::optional<Bases> Get(const CancelToken& cancel, const web::Deadline& deadline);

private:
    // The map and whether it is fresh (fetched now, or a copy younger than a week).
    std::pair<std::optional<Bases>, bool> Load(const CancelToken& cancel, const web::Deadline& deadline);

    const CheckEndpoints& endpoints_;
    std::mutex mutex_;
    std::optional<Bases> bases_;
    std::optional<std::chrono::steady_clock::time_point> nextTry_;
};

}  // namespace vantle::registry
