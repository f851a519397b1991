#pragma once
// The index and PageRank queries as checks: they ask the old services one request at a time, on the
// run's own thread, exactly as before.

#include "FWURLPosition/TFWURLPosition.h"
#include "check/Check.h"
#include "check/IndexQuery.h"
#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"

namespace vantle {

class IndexCheck : public Check {
public:
    IndexCheck(HttpGetter& http, const ServiceHosts& hosts, FailedIndexGet onFailure)
        : http_(http), hosts_(hosts), onFailure_(onFailure) {}
    std::string_view Name() const override { return "yapages"; }
    std::vector<std::string> Columns() const override { return {"YaPages"}; }
    bool InPlace() const override { return true; }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken&) override {
        return {IndexQuery(http_, hosts_, names.ascii, onFailure_)};
    }

private:
    HttpGetter& http_;
    const ServiceHosts& hosts_;
    FailedIndexGet onFailure_;
};

class PageRankCheck : public Check {
public:
    PageRankCheck(const ServiceHosts& hosts, const RankFetcher& fetch) : hosts_(hosts), fetch_(fetch) {}
    std::string_view Name() const override { return "pr"; }
    std::vector<std::string> Columns() const override { return {"PR"}; }
    bool InPlace() const override { return true; }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken&) override;

private:
    const ServiceHosts& hosts_;
    const RankFetcher& fetch_;
};

}  // namespace vantle
