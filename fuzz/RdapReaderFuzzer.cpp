// The RDAP and bootstrap readers on any bytes: no crash however deep the nesting, the dates whole days
// or nothing, a failure word alone in its row, and every base of a bootstrap map an http(s) URL ending
// in "/".
//
// Input: the bytes as the answer's body.
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
    const RegistryCells cells = ReadRdap(text);
    if (cells.created == kBadAnswer) {
        Check(cells.expires.empty() && cells.registrar.empty(), "cells beside a failure word");
    } else {
        Check(IsDayOrEmpty(cells.created), "a Created cell that is not a day");
        Check(IsDayOrEmpty(cells.expires), "an Expires cell that is not a day");
        Check(cells.registrar.find_first_of("\r\n\t") == std::string::npos,
              "a control character in Registrar");
    }
    if (const auto bases = ReadBootstrap(text)) {
        for (const auto& [zone, base] : *bases) {
            Check(!zone.empty() && base.back() == '/', "an empty zone or a base without its slash");
            std::string scheme = base.substr(0, base.find(':'));
            for (char& c : scheme) {
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            }
            Check(scheme == "http" || scheme == "https", "a base that is not an http URL");
            Check(!RdapBaseFor(*bases, zone).empty(), "a listed zone without its base");
        }
    }
    return 0;
}
