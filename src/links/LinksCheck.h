#pragma once
// The links check: the registrable domain's two positions in the web graph's ranks file of
// endpoints.graphRanksFile, by harmonic centrality (LinkRank) and by PageRank (LinkPR). The file is
// answered from its index (GraphIndex.h), built on first use and again only when the file changes.

#include <filesystem>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "links/GraphIndex.h"

namespace vantle {

// Where the index of endpoints.graphRanksFile is kept: links/ in the user's cache folder, one file
// per ranks file's path.
std::filesystem::path GraphIndexFile(const CheckEndpoints& endpoints);

// The index of the ranks file, usable when pass.problem is None.
struct LinkGraph {
    std::shared_ptr<const GraphIndex> index;
    RanksPass pass;
};

// The index of endpoints.graphRanksFile, built first when there is none for the file as it is now.
// What a user waits for before a run; the check itself calls it too.
LinkGraph PrepareLinkGraph(const CheckEndpoints& endpoints, const PassProgress& progress = {},
                           std::stop_token stop = {});

class LinksCheck : public Check {
public:
    explicit LinksCheck(CheckEndpoints endpoints = {});

    std::string_view Name() const override { return "links"; }
    bool Local() const override { return true; }
    // From now on the file is looked at once a run, not at every name.
    void RunStarts() override;
    std::vector<std::string> Columns() const override { return {"LinkRank", "LinkPR"}; }
    // Both positions of the name's registrable domain (of the name itself when it is a public
    // suffix), "" when the graph does not hold it or no file is chosen, "no graph" when the file
    // cannot be read or is no ranks file.
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    std::shared_ptr<const GraphIndex> Current(const CancelToken& cancel);

    CheckEndpoints endpoints_;
    std::mutex mutex_;
    std::shared_ptr<const GraphIndex> index_;
    bool inRuns_ = false;
    bool lookedThisRun_ = false;
};

}  // namespace vantle
