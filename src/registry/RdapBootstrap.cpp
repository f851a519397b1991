#include "registry/RdapBootstrap.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "io/UserDirs.h"
#include "registry/RegistryFetch.h"
#include "registry/RegistryReaders.h"

namespace vantle::registry {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::minutes kRetryAfterFailure{1};

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) {
        return std::nullopt;
    }
    return std::move(text).str();
}

// Written beside the old copy and renamed over it, so that a reader never sees half a file.
void WriteFile(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    fs::path temporary = path;
    temporary += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            fs::remove(temporary, error);
            return;
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
    }
}

bool Fresh(const fs::path& path) {
    std::error_code error;
    const auto written = fs::last_write_time(path, error);
    return !error && fs::file_time_type::clock::now() - written < kBootstrapMaxAge;
}

}  // namespace

fs::path CacheFolder(const CheckEndpoints& endpoints) {
    if (!endpoints.cacheDir.empty()) {
        return endpoints.cacheDir;
    }
    const fs::path base = UserDir("XDG_CACHE_HOME", ".cache");
    return base.empty() ? fs::path() : base / "vantle";
}

fs::path BootstrapCacheFile(const CheckEndpoints& endpoints) {
    const fs::path folder = CacheFolder(endpoints);
    return folder.empty() ? fs::path() : folder / "rdap-dns.json";
}

std::optional<RdapBootstrap::Bases> RdapBootstrap::Get(const CancelToken& cancel,
                                                       const web::Deadline& deadline) {
    std::lock_guard lock(mutex_);
    const auto now = cancel.clock().Now();
    if (nextTry_ && now < *nextTry_) {
        return bases_;  // maybe none
    }
    auto [loaded, fresh] = Load(cancel, deadline);
    if (cancel.Cancelled() && !loaded) {
        return bases_;
    }
    if (loaded) {
        bases_ = std::move(loaded);
    }
    nextTry_ =
        now + (fresh ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(kBootstrapMaxAge)
                     : std::chrono::duration_cast<std::chrono::steady_clock::duration>(kRetryAfterFailure));
    return bases_;
}

std::pair<std::optional<RdapBootstrap::Bases>, bool> RdapBootstrap::Load(const CancelToken& cancel,
                                                                         const web::Deadline& deadline) {
    const fs::path file = BootstrapCacheFile(endpoints_);
    std::optional<std::string> kept = file.empty() ? std::nullopt : ReadFile(file);
    std::optional<Bases> fromKept = kept ? ReadBootstrap(*kept) : std::nullopt;
    if (fromKept && Fresh(file)) {
        return {std::move(fromKept), true};
    }
    const HttpAnswer answer =
        HttpGet(endpoints_.rdapBootstrapUrl, "application/json", kRdapCap, endpoints_, cancel, deadline);
    if (answer.failure.empty() && answer.status == 200) {
        if (std::optional<Bases> fetched = ReadBootstrap(answer.body)) {
            if (!file.empty()) {
                WriteFile(file, answer.body);
            }
            return {std::move(fetched), true};
        }
    }
    return {std::move(fromKept), false};
}

}  // namespace vantle::registry
