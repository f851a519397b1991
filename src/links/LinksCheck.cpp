#include "links/LinksCheck.h"

#include <cstdio>
#include <utility>

#include "registry/RdapBootstrap.h"
#include "toplist/RankCheck.h"

namespace vantle {

std::filesystem::path GraphIndexFile(const CheckEndpoints& endpoints) {
    const std::filesystem::path folder = registry::CacheFolder(endpoints);
    if (folder.empty()) {
        return {};
    }
    std::error_code ignored;
    const std::filesystem::path source = std::filesystem::absolute(endpoints.graphRanksFile, ignored);
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.idx",
                  static_cast<unsigned long long>(GraphKey(source.string())));
    return folder / "links" / name;
}

LinkGraph PrepareLinkGraph(const CheckEndpoints& endpoints, const PassProgress& progress,
                           std::stop_token stop) {
    LinkGraph graph;
    const std::optional<FileStamp> stamp = StampOf(endpoints.graphRanksFile);
    if (!stamp) {
        graph.pass = PassRanksFile(endpoints.graphRanksFile, {});  // says why it cannot be opened
        if (graph.pass.problem == RanksProblem::None) {
            graph.pass.problem = RanksProblem::CannotOpen;
        }
        return graph;
    }
    const std::filesystem::path file = GraphIndexFile(endpoints);
    if (file.empty()) {
        graph.pass.problem = RanksProblem::CannotIndex;
        graph.pass.detail = "no cache folder (HOME is not set)";
        return graph;
    }
    std::optional<GraphIndex> index = GraphIndex::Open(file, *stamp);
    if (!index) {
        graph.pass = BuildGraphIndex(endpoints.graphRanksFile, file, progress, stop);
        index = GraphIndex::Open(file, *stamp);
        if (!index) {
            if (graph.pass.problem == RanksProblem::None) {
                graph.pass.problem = RanksProblem::CannotIndex;  // the file changed while it was read
            }
            return graph;
        }
    }
    graph.pass = index->Pass();
    if (graph.pass.problem == RanksProblem::None) {
        graph.index = std::make_shared<const GraphIndex>(std::move(*index));
    }
    return graph;
}

LinksCheck::LinksCheck(CheckEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

void LinksCheck::RunStarts() {
    const std::lock_guard lock(mutex_);
    inRuns_ = true;
    lookedThisRun_ = false;
}

// Opening the index costs a few system calls: once a run, not at every name. The first look of a
// file without an index builds it here.
std::shared_ptr<const GraphIndex> LinksCheck::Current(const CancelToken& cancel) {
    const std::lock_guard lock(mutex_);
    if (!inRuns_ || !lookedThisRun_) {
        lookedThisRun_ = true;
        index_ = PrepareLinkGraph(endpoints_, {}, cancel.Stop()).index;
    }
    return index_;
}

std::vector<std::string> LinksCheck::Run(const DomainNames& names, const CancelToken& cancel) {
    try {
        if (endpoints_.graphRanksFile.empty()) {
            return {"", ""};
        }
        const std::shared_ptr<const GraphIndex> index = Current(cancel);
        if (!index) {
            return {"no graph", "no graph"};
        }
        const std::string registrable = RegistrableDomain(names.full);
        const std::optional<LinkRanks> ranks = index->Find(registrable.empty() ? names.full : registrable);
        if (!ranks) {
            return {"", ""};
        }
        return {std::to_string(ranks->harmonic), std::to_string(ranks->pagerank)};
    } catch (...) {
        return {"error", "error"};
    }
}

}  // namespace vantle
