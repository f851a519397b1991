#include "FWURLPosition/RankAnswers.h"

#include "FWURLPosition/FetchURL.h"
#include "FWURLPosition/ToolbarChecksum.h"
#include "text/IntText.h"
#include "text/TextCut.h"

namespace vantle {

namespace {

constexpr long long kWholeRest = 2147483647;
constexpr std::string_view kHttp = "http://";
constexpr std::string_view kPageRankMarker = "RANK_";
constexpr std::string_view kAlexaMarker = "REACH RANK=\"";

std::int32_t ToRankOrMinusOne(std::string_view text) {
    return TryStrToInt(text).value_or(-1);
}

}  // namespace

std::string PageRankQueryText(std::string_view url) {
    const bool prefixed = LowerAscii(Copy(url, 1, 7)) == kHttp;
    return "info:" + (prefixed ? std::string(url) : std::string(kHttp) + std::string(url));
}

std::string PageRankRequestUrl(const ServiceHosts& hosts, std::string_view url) {
    const std::string queryText = PageRankQueryText(url);
    const std::uint32_t checksum = ToolbarChecksum(TDynByteArray(queryText.begin(), queryText.end()));
    // Written as a signed 32-bit number: a checksum with its top bit set reads "6-...".
    const auto signedChecksum = static_cast<std::int32_t>(checksum);
    return "http://" + hosts.toolbar + "/tbr?client=navclient-auto-ff&ch=6" + IntToStr(signedChecksum) +
           "&features=Rank&q=" + queryText;
}

// The answer reads like "Rank_1:1:5": past the marker and the two characters after it, past the next
// ":", the first character is the rank, or the first two when the second is "0" (a rank of 10).
std::int32_t ParsePageRank(std::string_view answer) {
    const std::size_t marker = Pos(kPageRankMarker, UpperAscii(answer));
    if (marker == 0) {
        return -1;
    }
    std::string rest = Copy(answer, static_cast<long long>(marker) + 7, kWholeRest);
    rest = Copy(rest, static_cast<long long>(Pos(":", rest)) + 1, kWholeRest);
    const std::size_t digits = rest.size() >= 2 && rest[1] == '0' ? 2 : 1;
    return ToRankOrMinusOne(Copy(rest, 1, static_cast<long long>(digits)));
}

std::string AlexaRequestUrl(const ServiceHosts& hosts, std::string_view url) {
    std::string host;
    ExtractHost(url, host);
    return "http://" + hosts.alexa + "/data?cli=10&dat=snbamz&url=" + host;
}

std::int32_t ParseAlexaRank(std::string_view answer) {
    const std::size_t marker = Pos(kAlexaMarker, answer);
    if (marker == 0) {
        return -1;
    }
    const std::string rest = Copy(answer, static_cast<long long>(marker + kAlexaMarker.size()), kWholeRest);
    const std::size_t quote = Pos("\"", rest);
    if (quote == 0) {
        return -1;
    }
    return ToRankOrMinusOne(Copy(rest, 1, static_cast<long long>(quote) - 1));
}

}  // namespace vantle
