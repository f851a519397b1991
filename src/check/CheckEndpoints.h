#pragma once
// Where the checks beyond the old services go, and their bounds. Production leaves every address
// empty: the system's resolver (/etc/resolv.conf) and the system's trusted certificates. Tests and the
// demo point them at the simulator on 127.0.0.1 and use short bounds.

#include <cstddef>
#include <string>
#include <vector>

namespace vantle {

struct CheckEndpoints {
    // DNS servers as "address:port" ("127.0.0.1:5353"); empty: the system's resolver.
    std::vector<std::string> dnsServers;
    // PEM file of the certificate authorities trusted by the https checks; empty: the system's store.
    std::string caFile;
    // libcurl CONNECT_TO entries ("HOST:PORT:CONNECT-TO-HOST:CONNECT-TO-PORT"; an empty HOST or PORT
    // matches any) for the web checks; empty in production. The requests themselves (Host header, SNI,
    // the certificate's name) stay as in production.
    std::vector<std::string> connectTo;

    // Registration data: IANA's RDAP bootstrap file, the WHOIS servers asked by name ("host" or
    // "host:port"), and the folder the bootstrap file is kept in (empty: the user's cache folder).
    std::string rdapBootstrapUrl = "https://data.iana.org/rdap/dns.json";
    std::string whoisIana = "whois.iana.org";
    std::string whoisRu = "whois.tcinet.ru";
    // The WHOIS servers of registries under a public suffix: the Russian regional and generic zones
    // (com.ru, msk.ru, spb.ru, ru.net, most .su city zones), the regional zones answered at whois.nic.ru
    // (amursk.ru, yekaterinburg.ru, komi.su, ...), net.ru, org.ru and pp.ru, and the "country.com"
    // zones (uk.com, us.com).
    std::string whoisRuRegional = "whois.flexireg.net";
    std::string whoisNicRu = "whois.nic.ru";
    std::string whoisNetRu = "whois.nic.net.ru";
    std::string whoisCountryCom = "whois.centralnic.com";
    std::string cacheDir;
    // Empty in production; else "address:port" that every WHOIS connection goes to instead (tests).
    std::string whoisConnectTo;
    // The web archive's capture index.
    std::string archiveUrl = "https://web.archive.org/cdx/search/cdx";
    // The top-sites list (rank,domain lines or a CSV with a header, or a zip of one); empty: none.
    std::string topListFile;
    // The web graph's ranks file of the links check (.txt.gz or plain text); empty: none.
    std::string graphRanksFile;
    // The longest Retry-After honoured before a 429 becomes "rate limited".
    long maxRetryAfterMs = 60000;

    // Bounds of every check: connecting, the whole check, the body kept, the redirects followed.
    long connectTimeoutMs = 10000;
    long checkTimeoutMs = 20000;
    std::size_t maxBody = 1u << 20;
    int maxRedirects = 10;
};

}  // namespace vantle
