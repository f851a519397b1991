// The web check's decider, fed a chain the way the fetch feeds it: each new hop asks for the URL the
// decider named. The chain must end within the redirect bound, end with a known kind of HTTP cell, and
// name a Mirror only when a redirect was followed.
//
// Input: the bound and each hop's answer are taken from the front; the texts of URLs from what follows.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "web/WebVerdict.h"

namespace {

using namespace vantle;
using vantle::fuzz::Check;

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

const char* const kWords[] = {"refused", "timeout", "TLS error", "no address", ""};
const char* const kTargets[] = {"http://site.ru/", "https://site.ru/", "http://www.site.ru/", "/", "x",
                                "ftp://a/"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    const int maxRedirects = input.ConsumeIntegralInRange<int>(0, 12);
    const std::string start =
        input.ConsumeBool() ? "http://site.ru/" : "http://" + input.ConsumeRandomLengthString(40) + "/";
    std::vector<WebHop> hops;
    WebVerdict verdict = DecideWeb(start, hops, maxRedirects);
    Check(verdict.next == start, "the first request is not the start");
    while (verdict.next) {
        Check(hops.size() <= static_cast<std::size_t>(maxRedirects), "more hops than the bound allows");
        WebHop hop;
        hop.url = *verdict.next;
        hop.status = input.ConsumeIntegralInRange<int>(0, 599);
        if (input.ConsumeBool()) {
            hop.failure = kWords[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kWords) - 1)];
        }
        hop.redirectUrl =
            input.ConsumeBool()
                ? kTargets[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kTargets) - 1)]
                : input.ConsumeRandomLengthString(60);
        hop.cookiesChanged = input.ConsumeBool();
        hops.push_back(hop);
        verdict = DecideWeb(start, hops, maxRedirects);
        if (verdict.next) {
            Check(verdict.http.empty() && verdict.mirror.empty(), "cells before the chain ended");
            // A redirect to a non-ASCII host is followed in the host's ASCII form.
            const bool ascii = std::all_of(hop.redirectUrl.begin(), hop.redirectUrl.end(),
                                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
            Check(
                *verdict.next == hop.redirectUrl || !ascii || hop.redirectUrl.find('%') != std::string::npos,
                "the next request is not the redirect");
        }
    }
    const WebHop& last = hops.back();
    Check(IsNumber(verdict.http) || verdict.http == "loop" || verdict.http == "bad redirect" ||
              verdict.http == "no answer" || verdict.http == last.failure,
          "an unknown HTTP cell");
    if (hops.size() == 1 && (verdict.http != "loop")) {
        Check(verdict.mirror.empty(), "a Mirror without a redirect followed");
    }
    Check(MirrorCell(last.url, last.url).empty(), "a Mirror for the same URL");
    return 0;
}
