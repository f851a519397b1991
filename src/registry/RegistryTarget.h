#pragma once
// Which registry to ask about a host name, and about which name. Most names belong to the registry of
// their public suffix (the ICANN part of the Public Suffix List): example.co.uk for mail.example.co.uk,
// asked over RDAP or WHOIS. Some second-level names are registries of their own (com.ru, msk.ru, uk.com
// and the like): shop.com.ru is a name of the com.ru registry, never com.ru's own registration.

#include <string>
#include <string_view>

#include "check/CheckEndpoints.h"

namespace vantle::registry {

struct RegistryTarget {
    enum class Way {
        Usual,    // the zone's RDAP server, or the .ru registry's or IANA's WHOIS
        Whois,    // the WHOIS server of a registry under a public suffix
        NoWhois,  // a registry under a public suffix whose WHOIS server the program does not know
    };
    Way way = Way::Usual;
    std::string domain;  // the registered name asked about; empty when there is none
    std::string server;  // for Whois: the server ("host" or "host:port")

    bool operator==(const RegistryTarget&) const = default;
};

// ascii: the host name, every label in its ASCII form, lower case.
RegistryTarget ChooseRegistry(std::string_view ascii, const CheckEndpoints& endpoints);

}  // namespace vantle::registry
