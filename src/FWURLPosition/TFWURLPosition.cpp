#include "FWURLPosition/TFWURLPosition.h"

#include <utility>

#include "FWURLPosition/RankAnswers.h"

namespace vantle {

TFWURLPosition::TFWURLPosition(ServiceHosts hosts, RankFetcher fetch)
    : hosts_(std::move(hosts)), fetch_(std::move(fetch)) {}

void TFWURLPosition::Query(std::string_view url, TRankKinds kinds) {
    if (kinds.Has(rkAlexa)) {
        QueryAlexaRank(url);
    }
    if (kinds.Has(rkPageRank)) {
        QueryPageRank(url);
    }
}

// Each query catches everything: a rank that cannot be had is -1, never an error for the caller.
void TFWURLPosition::QueryPageRank(std::string_view url) {
    try {
        std::string answer;
        fetch_(PageRankRequestUrl(hosts_, url), answer);
        PageRank = ParsePageRank(answer);
    } catch (...) {
        PageRank = -1;
    }
}

void TFWURLPosition::QueryAlexaRank(std::string_view url) {
    try {
        std::string answer;
        fetch_(AlexaRequestUrl(hosts_, url), answer);
        AlexaRank = ParseAlexaRank(answer);
    } catch (...) {
        AlexaRank = -1;
    }
}

}  // namespace vantle
