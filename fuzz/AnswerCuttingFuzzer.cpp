// The text cutting of the service answers on any bytes: the bar answer (TIC, mirror, status,
// catalogue), the index answer, the PageRank and the Alexa answers. No crash, and each cut keeps to
// the shape its callers rely on.
//
// Input: a query name (a length-prefixed piece at the start), then the answer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FWURLPosition/RankAnswers.h"
#include "FuzzCheck.h"
#include "check/BarQuery.h"
#include "check/IndexQuery.h"

namespace {

using namespace vantle;

using vantle::fuzz::Check;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void CheckBar(std::string_view queryName, std::string_view answer) {
    const std::string tic = ExtractTic(answer);
    Check(tic.size() <= 13, "TIC text longer than 13");
    Check(tic.find('"') == std::string::npos, "TIC text holds a quote");

    const std::string mirror = ExtractMirror(answer);
    Check(answer.find(mirror) != std::string_view::npos, "the mirror is not a part of the answer");
    Check(answer.find("\">") != std::string_view::npos || mirror.empty(), "a mirror without its tag end");

    const std::string status = ClassifyMirror(queryName, answer);
    const bool known = status.empty() || status == "(www)" || status == "Vantle: " + mirror ||
                       status == "Vantle(S): " + mirror;
    Check(known, "a status of another shape");
    Check(StartsWith(status, "Vantle: ") ==
              (answer.find(queryName) == std::string_view::npos || queryName.empty()),
          "glued without cause");

    ServiceHosts hosts;
    (void)InCatalogue(answer, hosts);
}

void CheckIndex(std::string_view answer) {
    const std::string count = ExtractIndexCount(answer);
    Check(count.find('<') == std::string::npos, "the index count holds a '<'");
    Check(answer.find(count) != std::string_view::npos, "the index count is not a part of the answer");
}

void CheckRanks(std::string_view answer) {
    const std::int32_t pageRank = ParsePageRank(answer);
    // One character, or two when the second is "0": at most "90".
    Check(pageRank >= -1 && pageRank <= 90, "PageRank out of its range");
    const std::int32_t alexa = ParseAlexaRank(answer);
    Check(alexa == -1 || answer.find("REACH RANK=\"") != std::string_view::npos, "Alexa rank without marker");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    const std::string queryName = input.ConsumeRandomLengthString(64);
    const std::string answer = input.ConsumeRemainingBytesAsString();
    CheckBar(queryName, answer);
    CheckIndex(answer);
    CheckRanks(answer);
    return 0;
}
