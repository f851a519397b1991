#pragma once
// Asking the resolver about a name: the one way every check learns a name's addresses, so that the
// DNS check and the connections of the web checks never disagree. The name is taken as complete (no
// search list, no hosts file): what the DNS servers of endpoints (else the system's) say of it.

#include <string>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "dns/DnsVerdict.h"

namespace vantle {

// The raw answers of the A, AAAA and MX queries of one name. A query not asked, or not answered in
// time, counts as timed out (ARES_ETIMEOUT).
struct NameAnswers {
    RawAnswer a;
    RawAnswer aaaa;
    RawAnswer mx;
};

// Asks the queries at once (MX only withMx), paced as "dns", within endpoints.checkTimeoutMs and what
// cancel leaves. Never throws: a failure is the status of the answers.
NameAnswers LookUpName(const std::string& name, const CheckEndpoints& endpoints, const CancelToken& cancel,
                       bool withMx);

// The three answers about the domain's own name (names.full), asked once for all its checks of a run
// when names carries facts.
NameAnswers DomainAnswers(const DomainNames& names, const CheckEndpoints& endpoints,
                          const CancelToken& cancel);

// Where to connect to host (ASCII, lower case): its addresses as the DNS says, the domain's own name
// through DomainAnswers; an address literal is its own address. The failure "cancelled" when cancel
// was set meanwhile.
HostAddresses ResolveHost(const std::string& host, const DomainNames& names, const CheckEndpoints& endpoints,
                          const CancelToken& cancel);

}  // namespace vantle
