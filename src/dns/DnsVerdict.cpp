#include "dns/DnsVerdict.h"

#include <ares.h>
#include <arpa/inet.h>

#include <array>
#include <climits>

namespace vantle {

namespace {

// Room for the addresses read from one answer; only the first is shown.
constexpr int kMaxAddresses = 16;

bool Failed(int status) {
    return status != ARES_SUCCESS && status != ARES_ENODATA && status != ARES_ENOTFOUND;
}

bool HasAddress(const AddressAnswer& answer) {
    return answer.status == ARES_SUCCESS && !answer.addresses.empty();
}

bool IsRoot(const std::string& host) {
    return host.empty() || host == ".";
}

// Whether the bytes can be handed to the parsers at all (they take the length as an int).
bool Parseable(const RawAnswer& raw) {
    return !raw.bytes.empty() && raw.bytes.size() <= INT_MAX;
}

const unsigned char* Bytes(const RawAnswer& raw) {
    return reinterpret_cast<const unsigned char*>(raw.bytes.data());
}

}  // namespace

std::string DecideIp(const AddressAnswer& a, const AddressAnswer& aaaa) {
    if (HasAddress(a)) {
        return a.addresses.front();
    }
    if (a.status == ARES_ENOTFOUND || aaaa.status == ARES_ENOTFOUND) {
        return kDnsNxDomain;
    }
    // An IPv6 address stands in only once A has said for sure that there is no IPv4 one.
    if (Failed(a.status)) {
        return kDnsError;
    }
    if (HasAddress(aaaa)) {
        return aaaa.addresses.front();
    }
    if (Failed(aaaa.status)) {
        return kDnsError;
    }
    return kDnsNoAddress;
}

HostAddresses DecideAddresses(const AddressAnswer& a, const AddressAnswer& aaaa) {
    HostAddresses found;
    for (const AddressAnswer* answer : {&a, &aaaa}) {
        if (HasAddress(*answer)) {
            found.addresses.insert(found.addresses.end(), answer->addresses.begin(), answer->addresses.end());
        }
    }
    if (!found.addresses.empty()) {
        return found;
    }
    const bool nameMissing = a.status == ARES_ENOTFOUND || aaaa.status == ARES_ENOTFOUND;
    found.failure = !nameMissing && (Failed(a.status) || Failed(aaaa.status)) ? kDnsError : kNoAddressWord;
    return found;
}

std::string DecideMx(const MxAnswer& mx) {
    if (Failed(mx.status)) {
        return kDnsError;
    }
    if (mx.status == ARES_SUCCESS) {
        for (const MxHost& host : mx.hosts) {
            if (!IsRoot(host.host)) {
                return kDnsMxYes;
            }
        }
    }
    return kDnsMxNo;
}

namespace {

// One address family: its c-ares record, parser, address field and text length.
template <class Record, int Family, std::size_t TextLength, class Parser, class AddressOf>
AddressAnswer ParseAddresses(const RawAnswer& raw, Parser parse, AddressOf addressOf) {
    AddressAnswer answer{raw.status, {}};
    if (raw.status != ARES_SUCCESS) {
        return answer;
    }
    if (!Parseable(raw)) {
        answer.status = ARES_EBADRESP;
        return answer;
    }
    std::array<Record, kMaxAddresses> found{};
    int count = kMaxAddresses;
    answer.status = parse(Bytes(raw), static_cast<int>(raw.bytes.size()), nullptr, found.data(), &count);
    if (answer.status != ARES_SUCCESS) {
        return answer;
    }
    for (int i = 0; i < count && i < kMaxAddresses; ++i) {
        std::array<char, TextLength> text{};
        if (inet_ntop(Family, addressOf(found[static_cast<std::size_t>(i)]), text.data(), text.size()) !=
            nullptr) {
            answer.addresses.emplace_back(text.data());
        }
    }
    if (answer.addresses.empty()) {
        answer.status = ARES_ENODATA;
    }
    return answer;
}

}  // namespace

AddressAnswer ParseA(const RawAnswer& raw) {
    return ParseAddresses<ares_addrttl, AF_INET, INET_ADDRSTRLEN>(
        raw, ares_parse_a_reply, [](const ares_addrttl& r) { return &r.ipaddr; });
}

AddressAnswer ParseAaaa(const RawAnswer& raw) {
    return ParseAddresses<ares_addr6ttl, AF_INET6, INET6_ADDRSTRLEN>(
        raw, ares_parse_aaaa_reply, [](const ares_addr6ttl& r) { return &r.ip6addr; });
}

MxAnswer ParseMx(const RawAnswer& raw) {
    MxAnswer answer{raw.status, {}};
    if (raw.status != ARES_SUCCESS) {
        return answer;
    }
    if (!Parseable(raw)) {
        answer.status = ARES_EBADRESP;
        return answer;
    }
    ares_mx_reply* list = nullptr;
    answer.status = ares_parse_mx_reply(Bytes(raw), static_cast<int>(raw.bytes.size()), &list);
    for (const ares_mx_reply* mx = list; mx != nullptr; mx = mx->next) {
        answer.hosts.push_back(MxHost{mx->priority, mx->host != nullptr ? mx->host : ""});
    }
    if (list != nullptr) {
        ares_free_data(list);
    }
    if (answer.status == ARES_SUCCESS && answer.hosts.empty()) {
        answer.status = ARES_ENODATA;
    }
    return answer;
}

std::vector<std::string> DecideDns(const RawAnswer& a, const RawAnswer& aaaa, const RawAnswer& mx) {
    return {DecideIp(ParseA(a), ParseAaaa(aaaa)), DecideMx(ParseMx(mx))};
}

}  // namespace vantle
