#pragma once
// From the answers of the three queries of one name (A, AAAA, MX) to the cells of the DNS check.
// Nothing here touches the network: the statuses are c-ares status codes (ARES_SUCCESS, ARES_ENODATA,
// ARES_ENOTFOUND, ...) as the query callback gave them, so the decisions can be tried on any input.

#include <string>
#include <vector>

namespace vantle {

// Cell texts of the check.
inline constexpr const char* kDnsNxDomain = "NXDOMAIN";
inline constexpr const char* kDnsNoAddress = "no A";
inline constexpr const char* kDnsError = "DNS error";
inline constexpr const char* kDnsMxYes = "yes";
inline constexpr const char* kDnsMxNo = "no";

// The addresses of an A or AAAA query, in the order of the answer, in text form.
struct AddressAnswer {
    int status = 0;
    std::vector<std::string> addresses;
};

struct MxHost {
    unsigned short preference = 0;
    std::string host;  // "" or "." for the root: a null MX
};

struct MxAnswer {
    int status = 0;
    std::vector<MxHost> hosts;
};

// The raw answer of one query: its callback status and the bytes of the packet (may be empty).
struct RawAnswer {
    int status = 0;
    std::string bytes;
};

// The "IP" cell: the first IPv4 address; the first IPv6 address once A said there is none; "NXDOMAIN"
// when either query says the name does not exist; "no A" when it exists without addresses; "DNS error"
// when a query that still matters failed.
std::string DecideIp(const AddressAnswer& a, const AddressAnswer& aaaa);

// The "MX" cell: "yes" with at least one mail host other than the root, "no" without (no records, no
// name, or only a null MX), "DNS error" on a failure.
std::string DecideMx(const MxAnswer& mx);

// Reads the packet of a successful query. A packet that does not parse turns the status into its parse
// error (ARES_EBADRESP and the like); one without records of the type, into ARES_ENODATA. Other
// statuses pass through with nothing read.
AddressAnswer ParseA(const RawAnswer& raw);
AddressAnswer ParseAaaa(const RawAnswer& raw);
MxAnswer ParseMx(const RawAnswer& raw);

// Where the web checks connect: every address of the answers, IPv4 first; or why there is none, "no
// address" (the name does not exist or has no address) or "DNS error" (a query that matters failed).
struct HostAddresses {
    std::vector<std::string> addresses;
    std::string failure;
};
inline constexpr const char* kNoAddressWord = "no address";
HostAddresses DecideAddresses(const AddressAnswer& a, const AddressAnswer& aaaa);

// The cells {IP, MX} from the raw answers of the three queries.
std::vector<std::string> DecideDns(const RawAnswer& a, const RawAnswer& aaaa, const RawAnswer& mx);

}  // namespace vantle
