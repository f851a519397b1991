#include "dns/DnsCheck.h"

#include "dns/DnsVerdict.h"
#include "dns/NameLookup.h"

namespace vantle {

DnsCheck::DnsCheck(CheckEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

std::vector<std::string> DnsCheck::Run(const DomainNames& names, const CancelToken& cancel) {
    try {
        const NameAnswers answers = DomainAnswers(names, endpoints_, cancel);
        return DecideDns(answers.a, answers.aaaa, answers.mx);
    } catch (...) {
        return {kDnsError, kDnsError};
    }
}

}  // namespace vantle
