// The WHOIS readers on any bytes: the dates whole days or nothing, a failure word alone in its row,
// "registered" only without dates, a referral that is a plain host name or nothing, and a day read from
// any text read again as itself.
//
// Input: the first line is the name asked, the rest the server's answer.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "registry/RegistryReaders.h"

namespace {

using namespace vantle::registry;
using vantle::fuzz::Check;

bool IsDayOrEmpty(const std::string& cell) {
    return cell.empty() || (cell.size() == 10 && DayOf(cell) == cell);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t lineEnd = std::min(input.find('\n'), input.size());
    const std::string_view domain = input.substr(0, lineEnd);
    const std::string_view text = input.substr(std::min(lineEnd + 1, input.size()));
    const RegistryCells cells = ReadWhois(text, domain);
    if (cells.created == kBadAnswer || cells.created == kFree || cells.created == kRateLimited) {
        Check(cells.expires.empty() && cells.registrar.empty(), "cells beside a failure word");
    } else if (cells.created == kRegistered) {
        Check(cells.expires.empty(), "\"registered\" beside an Expires date");
        Check(cells.registrar.find_first_of("\r\n\t") == std::string::npos,
              "a control character in Registrar");
    } else {
        Check(IsDayOrEmpty(cells.created), "a Created cell that is not a day");
        Check(IsDayOrEmpty(cells.expires), "an Expires cell that is not a day");
        Check(!(cells.created.empty() && cells.expires.empty() && cells.registrar.empty()),
              "no cell and no word");
        Check(cells.registrar.find_first_of("\r\n\t") == std::string::npos,
              "a control character in Registrar");
    }
    const std::string day = DayOf(text.substr(0, 64));
    Check(IsDayOrEmpty(day), "a day that does not read as itself");
    const std::string server = ReadIanaReferral(text);
    Check(server.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") == std::string::npos,
          "a referral that is not a host name");
    return 0;
}
