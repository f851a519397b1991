#pragma once
// The rank check: the name's place in the top-sites list file of endpoints.topListFile. The file is
// read on the first Run and again only when its path, size or time of change differ from the ones read.

#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

class TopListTable;

class RankCheck : public Check {
public:
    explicit RankCheck(CheckEndpoints endpoints = {});
    ~RankCheck() override;

    std::string_view Name() const override { return "rank"; }
    bool Local() const override { return true; }
    // From now on the file is looked at once a run, not at every name.
    void RunStarts() override;
    std::vector<std::string> Columns() const override { return {"Rank"}; }
    // The rank of the name as given if the list holds it, else that of its registrable domain, else "".
    // "" for every name when no list file is chosen; "no list" when the file cannot be read or is no
    // list. Calls may overlap on different threads.
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    // What the file was when it was read.
    struct Stamp {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = -1;
        std::timespec changed{};
        bool operator==(const Stamp& other) const;
    };

    // The table of the file as it is now; null when it cannot be read.
    std::shared_ptr<const TopListTable> Current();
    // Whether the file's stamp is to be read for this name: always, until a run says it begins;
    // then once a run.
    bool LookAtFile();

    CheckEndpoints endpoints_;
    std::mutex mutex_;
    std::optional<Stamp> read_;  // the file's stamp at the last reading, if any
    std::shared_ptr<const TopListTable> table_;
    bool inRuns_ = false;  // a run said it begins: the file is looked at once a run
    bool lookedThisRun_ = false;
};

// The registrable domain of an ASCII name by the public suffix list ("mail.example.co.uk" ->
// "example.co.uk"); empty when the name has none (a public suffix itself, or not a domain).
std::string RegistrableDomain(const std::string& name);

// Reads a list file whole; nothing when it cannot be read, is larger than kMaxTopListBytes or is no list.
std::optional<TopListTable> ReadTopListFile(const std::string& path);

}  // namespace vantle
