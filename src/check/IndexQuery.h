#pragma once
// The Yandex.Webmaster index query: how many pages of a domain are in the index.

#include <string>
#include <string_view>

#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"

namespace vantle {

// What a failed Get leaves as the index answer: the check run takes the empty text, the recheck
// works on with whatever the result variable holds after the failed call.
enum class FailedIndexGet { Empty, KeepVariable };

// "http://" + hosts.webmaster + "/check.xml?hostname=" + prefix + queryName
std::string IndexQueryUrl(const ServiceHosts& hosts, std::string_view prefix, std::string_view queryName);

// The count cut from an index answer (see the steps in IndexQuery.cpp).
std::string ExtractIndexCount(std::string_view answer);

// One or two Gets; the result is the text for the "YaPages" cell ("-" when the cut still holds ">").
std::string IndexQuery(HttpGetter& http, const ServiceHosts& hosts, std::string_view queryName,
                       FailedIndexGet onFailure);

}  // namespace vantle
