#pragma once
// Requests and answers of the two rank services, as pure functions.

#include <cstdint>
#include <string>
#include <string_view>

#include "check/ServiceHosts.h"

namespace vantle {

// "info:" + url, with "http://" put in front unless its first seven characters, ASCII-lowered, are
// "http://".
std::string PageRankQueryText(std::string_view url);

// "http://<toolbar>/tbr?client=navclient-auto-ff&ch=6<signed checksum>&features=Rank&q=<query text>"
std::string PageRankRequestUrl(const ServiceHosts& hosts, std::string_view url);

// The PageRank in an answer ("Rank_1:1:5" gives 5), or -1.
std::int32_t ParsePageRank(std::string_view answer);

// "http://<alexa>/data?cli=10&dat=snbamz&url=<host of url>"
std::string AlexaRequestUrl(const ServiceHosts& hosts, std::string_view url);

// The reach rank after the first REACH RANK=" marker, or -1.
std::int32_t ParseAlexaRank(std::string_view answer);

}  // namespace vantle
