// The expiry date of the SSL cell: any text gives a well-formed day or nothing, and a day read once
// reads the same again in both of the forms libcurl reports.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "web/CertDate.h"

namespace {

using vantle::fuzz::Check;

constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool WellFormed(const std::string& date) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') {
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (date[i] < '0' || date[i] > '9') {
            return false;
        }
    }
    const int month = std::stoi(date.substr(5, 2));
    const int day = std::stoi(date.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::string date = vantle::CertDate(text);
    if (date.empty()) {
        return 0;
    }
    Check(WellFormed(date), "a malformed day");
    Check(vantle::CertDate(date + " 00:00:00 GMT") == date, "the day does not read back in the ISO form");
    const std::string month(kMonths[std::stoi(date.substr(5, 2)) - 1]);
    const std::string day = date[8] == '0' ? " " + date.substr(9, 1) : date.substr(8, 2);
    Check(vantle::CertDate(month + " " + day + " 12:00:00 " + date.substr(0, 4) + " GMT") == date,
          "the day does not read back in OpenSSL's form");
    return 0;
}
