#include "check/InPlaceChecks.h"

#include "text/IntText.h"

namespace vantle {

std::vector<std::string> PageRankCheck::Run(const DomainNames& names, const CancelToken&) {
    TFWURLPosition rank(hosts_, fetch_);
    try {
        rank.Query(names.ascii, TRankKinds{rkPageRank});
    } catch (...) {
        // A query that raised leaves PageRank at -1: the cell says "N/A".
    }
    return {rank.PageRank <= -1 ? std::string("N/A") : IntToStr(rank.PageRank)};
}

}  // namespace vantle
