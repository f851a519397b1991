// The DNS check's reading of answer packets on bytes from memory: the packets of the A, AAAA and MX
// queries go through the parsers and the decisions. Nothing may crash or leak, and each cell must be
// one of its shapes: an address in text form or a fixed word.
//
// Input: three status choices and two lengths first, then the packets one after the other.
#include <ares.h>
#include <arpa/inet.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "dns/DnsVerdict.h"

namespace {

using namespace vantle;

// Mostly successes, so that the packets get read.
constexpr std::array<int, 8> kStatuses{ARES_SUCCESS, ARES_SUCCESS,   ARES_SUCCESS,   ARES_SUCCESS,
                                       ARES_ENODATA, ARES_ENOTFOUND, ARES_ESERVFAIL, ARES_ETIMEOUT};

int Status(FuzzedDataProvider& input) {
    return kStatuses[input.ConsumeIntegralInRange<std::size_t>(0, kStatuses.size() - 1)];
}

bool IsAddress(const std::string& text) {
    std::array<unsigned char, 16> bytes{};
    return inet_pton(AF_INET, text.c_str(), bytes.data()) == 1 ||
           inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    RawAnswer a{Status(input), {}};
    RawAnswer aaaa{Status(input), {}};
    RawAnswer mx{Status(input), {}};
    const auto aSize = input.ConsumeIntegralInRange<std::size_t>(0, 1024);
    const auto aaaaSize = input.ConsumeIntegralInRange<std::size_t>(0, 1024);
    a.bytes = input.ConsumeBytesAsString(aSize);
    aaaa.bytes = input.ConsumeBytesAsString(aaaaSize);
    mx.bytes = input.ConsumeRemainingBytesAsString();

    const auto cells = DecideDns(a, aaaa, mx);
    fuzz::Check(cells.size() == 2, "not two cells");
    const std::string& ip = cells[0];
    fuzz::Check(ip == kDnsNxDomain || ip == kDnsNoAddress || ip == kDnsError || IsAddress(ip),
                "an IP cell of no known shape");
    fuzz::Check(cells[1] == kDnsMxYes || cells[1] == kDnsMxNo || cells[1] == kDnsError,
                "an MX cell of no known shape");
    const AddressAnswer parsedA = ParseA(a);
    if (parsedA.status == ARES_SUCCESS) {
        fuzz::Check(!parsedA.addresses.empty() && ip == parsedA.addresses.front(),
                    "the first IPv4 not shown");
    }
    return 0;
}
