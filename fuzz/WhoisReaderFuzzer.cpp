// The WHOIS readers on any bytes: the dates whole days or nothing, a failure word alone in its row,
// and a referral that is a plain host name or nothing.
//
// Input: the bytes as the server's answer.
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
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const RegistryCells cells = ReadWhois(text, "example.com");
    if (cells.created == kBadAnswer || cells.created == kFree || cells.created == kRateLimited) {
        Check(cells.expires.empty() && cells.registrar.empty(), "cells beside a failure word");
    } else {
        Check(IsDayOrEmpty(cells.created), "a Created cell that is not a day");
        Check(IsDayOrEmpty(cells.expires), "an Expires cell that is not a day");
        Check(!(cells.created.empty() && cells.expires.empty() && cells.registrar.empty()),
              "no cell and no word");
        Check(cells.registrar.find_first_of("\r\n\t") == std::string::npos,
              "a control character in Registrar");
    }
    const std::string server = ReadIanaReferral(text);
    Check(server.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") == std::string::npos,
          "a referral that is not a host name");
    return 0;
}
