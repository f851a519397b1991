#pragma once
// Every check a run can do, by the names that the window's choice and the command line share.

#include <memory>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

// In column order: "bar" (Tic, Status, Yaca), "yapages" (YaPages), "pr" (PR), then the checks that
// answer today: "dns" (IP, MX), "web" (HTTP, Mirror), "ssl" (SSL), "registry" (Created, Expires,
// Registrar), "archive" (Archive), "rank" (Rank), "links" (LinkRank, LinkPR).
const std::vector<std::string_view>& CheckNames();

// The names of the checks that run on workers beside the old services (from "dns" on).
const std::vector<std::string_view>& NetworkCheckNames();

// The checks that answer today and need nothing but the network: "dns", "web", "ssl", "registry",
// "archive" (what vantle-cli runs without --checks; "rank" joins them when a top-sites list is set).
const std::vector<std::string_view>& TodaysCheckNames();

// One of NetworkCheckNames() going to endpoints; nullptr for any other name.
std::unique_ptr<Check> MakeNetworkCheck(std::string_view name, const CheckEndpoints& endpoints);

}  // namespace vantle
