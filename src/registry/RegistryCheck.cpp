#include "registry/RegistryCheck.h"

#include <thread>

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

// Waits out a Retry-After in short steps; false when cancel was set meanwhile.
bool Wait(long ms, const CancelToken& cancel) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (cancel.Cancelled()) {
            return false;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
    }
    return !cancel.Cancelled();
}

std::vector<std::string> Cells(const RegistryCells& cells) {
    return {cells.created, cells.expires, Utf8ToCp1251(cells.registrar)};
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
        const web::Deadline deadline(endpoints_.checkTimeoutMs);
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
    for (int attempt = 0;; ++attempt) {
        registry::HttpAnswer answer =
            registry::HttpGet(url, "application/rdap+json", registry::kRdapCap, endpoints_, cancel, deadline);
        if (!answer.failure.empty()) {
            return RegistryCells::Failure(std::move(answer.failure));
        }
        if (answer.status == 429) {
            const long waitMs = answer.retryAfterSeconds * 1000;
            if (attempt > 0 || answer.retryAfterSeconds < 0 || waitMs > endpoints_.maxRetryAfterMs ||
                waitMs >= deadline.LeftMs()) {
                return RegistryCells::Failure(std::string(registry::kRateLimited));
            }
            if (!Wait(waitMs, cancel)) {
                return RegistryCells::Failure("cancelled");
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
    return registry::ReadWhois(answer.text, domain);
}

}  // namespace vantle
