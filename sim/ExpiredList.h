#pragma once
// A long list of expired domains as the long-list benchmarks meet it, planted in the simulated web: of
// every five names one does not exist, of every ten one black-holes its connections, of every twenty
// one hangs after the head of its answer; the others answer 200. The benchmark inside one process and
// the standalone simulator for other programs plant the same list.

#include <string>

#include "sim/WebServer.h"

namespace vantle::sim {

inline constexpr int kExpiredListNames = 10000;

// The i-th name (from 0): "nx<i>.test" for the ones that do not exist (the DNS server's default answer
// for an "nx" name is NXDOMAIN), "p<i>.test" for the others.
std::string ExpiredListName(int i);

// Sets the web rules of the first count names of the list.
void PlantExpiredList(WebServer& web, int count = kExpiredListNames);

}  // namespace vantle::sim
