#pragma once
// The rank query object: asks the toolbar PageRank service and the Alexa data service about one site.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "check/ServiceHosts.h"

namespace vantle {

enum TRankKind : std::uint8_t { rkAlexa = 1, rkPageRank = 2 };

// Set of TRankKind flags.
struct TRankKinds {
    std::uint8_t bits = 0;
    bool Has(TRankKind k) const { return (bits & k) != 0; }
};

// One GET of an absolute "http://" URL; answer receives the body bytes, or stays empty on failure.
using RankFetcher = std::function<void(std::string_view url, std::string& answer)>;

class TFWURLPosition {
public:
    std::int32_t PageRank = -1;
    std::int32_t AlexaRank = -1;

    // Create: both results -1. Requests go to the hosts' rank services through fetch (in the program
    // that is DirectFetcher of FetchURL.h).
    TFWURLPosition(ServiceHosts hosts, RankFetcher fetch);

    // Alexa first (when asked), then PageRank (when asked); both get url exactly as given.
    void Query(std::string_view url, TRankKinds kinds);
    void QueryPageRank(std::string_view url);
    void QueryAlexaRank(std::string_view url);

private:
    ServiceHosts hosts_;
    RankFetcher fetch_;
};

}  // namespace vantle
