#pragma once
// The registration check: when the registrable name (example.co.uk for mail.example.co.uk) was
// registered, when it expires and with which registrar. Asked over RDAP where IANA's bootstrap file
// names a server for the zone, else over WHOIS: .ru, .su and .рф at the .ru registry's server, other
// zones at the server that IANA's WHOIS names for them. A name under a registry that itself lies below
// a public suffix (shop.com.ru, shop.uk.com) is asked of that registry's WHOIS server (ChooseRegistry).

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "registry/RdapBootstrap.h"
#include "registry/RegistryReaders.h"

namespace vantle {

class RegistryCheck : public Check {
public:
    explicit RegistryCheck(CheckEndpoints endpoints = {});

    std::string_view Name() const override { return "registry"; }
    // {"Created", "Expires", "Registrar"}
    std::vector<std::string> Columns() const override;
    // Created and Expires as YYYY-MM-DD (empty when the registry gives none), the registrar's name in
    // Windows-1251; "registered" in Created for a held name whose registry gives no dates (the registrar
    // may stand beside it). A failure leaves its word in Created and the others empty: "free", "rate
    // limited", "bad answer", "no RDAP", "no whois", "no domain", "timeout", "refused", "no address",
    // "cancelled", "error". Ends within endpoints.checkTimeoutMs (plus a honoured Retry-After's wait, itself
    // bounded by it).
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;
    // The zones' WHOIS servers that IANA named are asked again in the next run.
    void RunStarts() override;

private:
    registry::RegistryCells Rdap(const std::string& base, const std::string& domain,
                                 const CancelToken& cancel, const web::Deadline& deadline);
    // Asks the server that IANA names for zone (remembered for the run; one referral per zone is asked
    // at a time, the other names of the zone waiting for it). ianaFailed: IANA could
    // not be asked, or named no server ("no whois").
    registry::RegistryCells WhoisViaIana(const std::string& zone, const std::string& domain,
                                         const CancelToken& cancel, const web::Deadline& deadline,
                                         bool& ianaFailed);
    registry::RegistryCells Whois(const std::string& server, const std::string& domain,
                                  const CancelToken& cancel, const web::Deadline& deadline);

    CheckEndpoints endpoints_;
    registry::RdapBootstrap bootstrap_;
    struct Referral {
        bool asking = false;                // a name of the zone asks IANA right now
        std::optional<std::string> server;  // what IANA named, "" for none
    };
    std::mutex serversMutex_;
    std::condition_variable_any referralAnswered_;
    std::map<std::string, Referral> whoisServers_;  // by zone
};

}  // namespace vantle
