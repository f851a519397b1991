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

// "rdap:<host>" of an RDAP URL.
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
    std::string url = base + "domain/" + domain;
    bool retried = false;
    // Redirects are followed here, each asked under the pace of the server it leads to.
    for (int hops = 0;;) {
        const std::string key = RdapPaceKey(url);
        bool limited = false;
        std::optional<Limiter::Lease> lease = cancel.Pace(key, &limited);
        if (!lease) {
            return RegistryCells::Failure(limited ? std::string(registry::kRateLimited) : "cancelled");
        }
        registry::HttpAnswer answer = registry::HttpGet(url, "application/rdap+json", registry::kRdapCap,
                                                        endpoints_, cancel, deadline, false);
        lease->Release();
        if (!answer.failure.empty()) {
            return RegistryCells::Failure(std::move(answer.failure));
        }
        if (answer.status == 429) {
            // Every domain waits for the server: for the time it asks, else a minute doubled for each
            // such answer in a row. This one asks once more if the wait it named fits its time.
            Millis wait(answer.retryAfterMs);
            if (answer.retryAfterMs >= 0) {
                cancel.Backoff(key, wait);
            } else {
                wait = cancel.BackoffDoubling(key);
            }
            if (retried || answer.retryAfterMs < 0 || wait.count() > endpoints_.maxRetryAfterMs ||
                wait.count() >= deadline.LeftMs()) {
                return RegistryCells::Failure(std::string(registry::kRateLimited));
            }
            retried = true;
            continue;
        }
        cancel.Answered(key);
        if (answer.status >= 300 && answer.status < 400 && !answer.redirectUrl.empty()) {
            const bool web =
                answer.redirectUrl.starts_with("https://") || answer.redirectUrl.starts_with("http://");
            if (!web || ++hops > endpoints_.maxRedirects) {
                return RegistryCells::Failure("error");
            }
            url = std::move(answer.redirectUrl);
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

void RegistryCheck::RunStarts() {
    const std::lock_guard lock(serversMutex_);
    std::erase_if(whoisServers_, [](const auto& entry) { return !entry.second.asking; });
}

RegistryCells RegistryCheck::WhoisViaIana(const std::string& zone, const std::string& domain,
                                          const CancelToken& cancel, const web::Deadline& deadline,
                                          bool& ianaFailed) {
    std::optional<std::string> server;
    {
        // One referral per zone: the other names of the zone wait for the answer to the first.
        std::unique_lock lock(serversMutex_);
        const SteadyTime until = cancel.clock().Now() + Millis(deadline.LeftMs());
        const auto settled = [&] {
            const auto it = whoisServers_.find(zone);
            return it == whoisServers_.end() || !it->second.asking;
        };
        if (!cancel.clock().WaitUntil(lock, referralAnswered_, until, cancel.Stop(), settled)) {
            return RegistryCells::Failure(cancel.Cancelled() ? "cancelled" : "timeout");
        }
        Referral& referral = whoisServers_[zone];
        if (referral.server) {
            server = referral.server;
        } else {
            referral.asking = true;
        }
    }
    if (!server) {
        const registry::WhoisAnswer answer =
            registry::AskWhois(endpoints_.whoisIana, zone, endpoints_, cancel, deadline);
        {
            const std::lock_guard lock(serversMutex_);
            if (answer.failure.empty()) {
                server = registry::ReadIanaReferral(answer.text);
                whoisServers_[zone] = Referral{false, server};
            } else {
                whoisServers_.erase(zone);  // the next name of the zone asks again
            }
        }
        referralAnswered_.notify_all();
        if (!answer.failure.empty()) {
            ianaFailed = true;
            return RegistryCells::Failure(answer.failure);
        }
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
    // The .ru registry blocks an address that keeps asking after its limit notice: nobody asks the
    // server again for a minute, doubled for each notice in a row.
    if (cells.created == registry::kRateLimited) {
        cancel.BackoffDoubling(registry::WhoisPaceKey(server));
    } else {
        cancel.Answered(registry::WhoisPaceKey(server));
    }
    return cells;
}

}  // namespace vantle
