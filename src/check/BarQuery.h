#pragma once
// The Yandex bar query and what is read from its answer.

#include <string>
#include <string_view>

#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"

namespace vantle {

// "http://" + hosts.bar + "/u?ver=2&show=32&url=http://" + queryName
std::string BarQueryUrl(const ServiceHosts& hosts, std::string_view queryName);

// One Get of BarQueryUrl; any failure gives the empty text, nothing is retried.
std::string BarQuery(HttpGetter& http, const ServiceHosts& hosts, std::string_view queryName);

// The TIC text: up to 13 characters after the first "value=" and its quote, cut at the next quote
// (untrimmed; empty when no quote follows).
std::string ExtractTic(std::string_view answer);

// The main mirror: the text of the first <url domain="..."> up to its '">'.
std::string ExtractMirror(std::string_view answer);

// The mirror status: "", "(www)", "Vantle: <mirror>" or "Vantle(S): <mirror>".
std::string ClassifyMirror(std::string_view queryName, std::string_view answer);

// True when the answer holds the catalogue link "http://" + hosts.catalogue + "/yca/".
bool InCatalogue(std::string_view answer, const ServiceHosts& hosts);

}  // namespace vantle
