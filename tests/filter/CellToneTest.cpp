#include "filter/CellTone.h"

#include <gtest/gtest.h>

#include <string>

namespace vantle {
namespace {

TEST(CellTone, Should_MarkExpiriesAtHandFreeNamesAndFailures) {
    using namespace std::chrono;
    const sys_days today = year(2026) / December / 7;
    struct Case {
        std::string header;
        std::string cell;
        CellTone tone;
    };
    const Case cases[] = {
        {"Expires", "2026-12-06", CellTone::Past},
        {"Expires", "2026-12-07", CellTone::Soon},
        {"Expires", "2027-01-06", CellTone::Soon},  // today + 30 days
        {"Expires", "2027-01-07", CellTone::Plain},
        {"Expires", "2020-01-01", CellTone::Past},
        {"SSL", "2026-12-06", CellTone::Past},
        {"SSL", "2027-01-06", CellTone::Soon},
        {"SSL", "2027-01-07", CellTone::Plain},
        {"SSL", "invalid 2030-01-01", CellTone::Past},
        {"SSL", "no https", CellTone::Plain},
        {"Expires", "invalid 2030-01-01", CellTone::Plain},
        {"Created", "2026-12-06", CellTone::Plain},
        {"Archive", "2026-12-07", CellTone::Plain},
        {"Created", "free", CellTone::Free},
        {"Expires", "free", CellTone::Plain},
        {"Created", "Free", CellTone::Plain},
        {"HTTP", "timeout", CellTone::Failed},
        {"HTTP", " timeout ", CellTone::Failed},
        {"HTTP", "timeouts", CellTone::Plain},
        {"HTTP", "200", CellTone::Plain},
        {"IP", "DNS error", CellTone::Failed},
        {"IP", "NXDOMAIN", CellTone::Plain},
        {"Tic", "N/A", CellTone::Failed},
        {"Created", "rate limited", CellTone::Failed},
        {"IP", "bad name", CellTone::Failed},
        {"Mirror", "bad names", CellTone::Plain},
        {"Expires", "timeout", CellTone::Failed},
        {"Rank", "no list", CellTone::Failed},
        {"Archive", "none", CellTone::Plain},
        {"Registrar", "", CellTone::Plain},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToneOf(c.header, c.cell, today), c.tone) << c.header << " " << c.cell;
    }
}

}  // namespace
}  // namespace vantle
