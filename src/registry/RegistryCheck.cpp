#include "registry/RegistryCheck.h"

#include <chrono>

#include "registry/RegistryFetch.h"
#include "registry/RegistryTarget.h"
#include "text/Utf8.h"

namespace vantle {

using registry::RegistryCells;

namespace {

// The zones of the .ru registry, which the bootstrap file does not list.
bool IsRuZone(std::string_view zone) {
    return zone == "ru" || zone == "su" || zone == "xn--p1ai";
}

std::string TopZone(const std::string& domain) {
    const auto dot = domain.rfind('.');
    return dot == std::string::npos ? domain : domain.substr(dot + 1);
}

// The .ru registry blocks an address that keeps asking after its limit notice: nobody asks it again
// for this long.
constexpr Millis kWhoisLimitBackoff = std::chrono::seconds(60);
// A 429 that names no wait.
constexpr Millis kDefaultRetry = std::chrono::seconds(1);

// "rdap:<host>" of an RDAP base URL.
std::string RdapPaceKey(const std::string& base) {
    const auto scheme = base.find("://");
    const std::size_t from = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t to = base.find_first_of(":/", from);
    return "rdap:" + base.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

std::vector<std::string> Cells(const RegistryCells& cells) {
    return {cells.created, cells.expires, Utf8ToCp1251Keeping(cells.registrar)};
}

}  // namespace

RegistryCheck::RegistryCheck(CheckEndpoints endpoints)
    : endpoints_(std::move(endpoints)), bootstrap_(endpoints_) {}

std::vector<std::string> RegistryCheck::Columns() const {
    return {"Created", "Expires", "Registrar"};
}

std::vector<std::string> RegistryCheck::Run(const DomainNames& names, const CancelToken& cancel) {
    try {
        const registry::RegistryTarget target = registry::ChooseRegistry(names.full, endpoints_);
        const std::string& domain = target.domain;
        if (domain.empty()) {
            return Cells(RegistryCells::Failure("no domain"));
        }
        if (target.way == registry::RegistryTarget::Way::NoWhois) {
            return Cells(RegistryCells::Failure("no whois"));
        }
        const web::Deadline deadline(cancel, endpoints_.checkTimeoutMs);
        if (target.way == registry::RegistryTarget::Way::Whois) {
            return Cells(Whois(target.server, domain, cancel, deadline));
        }
        const std::string zone = TopZone(domain);
        if (IsRuZone(zone)) {
            return Cells(Whois(endpoints_.whoisRu, domain, cancel, deadline));
        }
        const std::optional<registry::RdapBootstrap::Bases> bases = bootstrap_.Get(cancel, deadline);
        if (cancel.Cancelled()) {
            return Cells(RegistryCells::Failure("cancelled"));
        }
        if (bases) {
            if (const std::string base = registry::RdapBaseFor(*bases, domain); !base.empty()) {
                return Cells(Rdap(base, domain, cancel, deadline));
            }
        }
        bool ianaFailed = false;
        RegistryCells cells = WhoisViaIana(zone, domain, cancel, deadline, ianaFailed);
        if (ianaFailed && !bases && !cancel.Cancelled()) {
            // Neither way is open: without the bootstrap file the zone's RDAP server is unknown.
            return Cells(RegistryCells::Failure("no RDAP"));
        }
        return Cells(cells);
    } catch (...) {
        return Cells(RegistryCells::Failure("error"));
    }
}

RegistryCells RegistryCheck::Rdap(const std::string& base, const std::string& domain,
                                  const CancelToken& cancel, const web::Deadline& deadline) {
    const std::string url = base + "domain/" + domain;
    const std::string key = RdapPaceKey(base);
    for (int attempt = 0;; ++attempt) {
        bool limited = false;
        std::optional<Limiter::Lease> lease = cancel.Pace(key, &limited);
        if (!lease) {
            return RegistryCells::Failure(limited ? std::string(registry::kRateLimited) : "cancelled");
        }
        registry::HttpAnswer answer =
            registry::HttpGet(url, "application/rdap+json", registry::kRdapCap, endpoints_, cancel, deadline);
        lease->Release();
        if (!answer.failure.empty()) {
            return RegistryCells::Failure(std::move(answer.failure));
        }
        if (answer.status == 429) {
            // Every domain waits for the server; this one asks once more if the wait fits its time.
            const Millis wait = answer.retryAfterMs >= 0 ? Millis(answer.retryAfterMs) : kDefaultRetry;
            cancel.Backoff(key, wait);
            if (attempt > 0 || answer.retryAfterMs < 0 || wait.count() > endpoints_.maxRetryAfterMs ||
                wait.count() >= deadline.LeftMs()) {
                return RegistryCells::Failure(std::string(registry::kRateLimited));
            }
            continue;
        }
        if (answer.status == 404) {
            return RegistryCells::Failure(std::string(registry::kFree));
        }
        if (answer.status != 200) {
            return RegistryCells::Failure("error");
        }
        return registry::ReadRdap(answer.body);
    }
}

RegistryCells RegistryCheck::WhoisViaIana(const std::string& zone, const std::string& domain,
                                          const CancelToken& cancel, const web::Deadline& deadline,
                                          bool& ianaFailed) {
    std::optional<std::string> server;
    {
        std::lock_guard lock(serversMutex_);
        if (const auto it = whoisServers_.find(zone); it != whoisServers_.end()) {
            server = it->second;
        }
    }
    if (!server) {
        const registry::WhoisAnswer answer =
            registry::AskWhois(endpoints_.whoisIana, zone, endpoints_, cancel, deadline);
        if (!answer.failure.empty()) {
            ianaFailed = true;
            return RegistryCells::Failure(answer.failure);
        }
        server = registry::ReadIanaReferral(answer.text);
        std::lock_guard lock(serversMutex_);
        whoisServers_.emplace(zone, *server);
    }
    if (server->empty()) {
        ianaFailed = true;
        return RegistryCells::Failure("no whois");
    }
    return Whois(*server, domain, cancel, deadline);
}

RegistryCells RegistryCheck::Whois(const std::string& server, const std::string& domain,
                                   const CancelToken& cancel, const web::Deadline& deadline) {
    registry::WhoisAnswer answer = registry::AskWhois(server, domain, endpoints_, cancel, deadline);
    if (!answer.failure.empty()) {
        return RegistryCells::Failure(std::move(answer.failure));
    }
    RegistryCells cells = registry::ReadWhois(answer.text, domain);
    if (cells.created == registry::kRateLimited) {
        cancel.Backoff(registry::WhoisPaceKey(server), kWhoisLimitBackoff);
    }
    return cells;
}

}  // namespace vantle
