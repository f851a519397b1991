#include "history/ChangePhrase.h"

#include <gtest/gtest.h>

#include "history/Freshness.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

const std::string kArrow = " " + EscapeOf(U'\u2192') + " ";

struct PhraseRow {
    const char* column;
    const char* before;
    const char* after;
    std::string phrase;  // "" when nothing is said
};

TEST(ChangePhraseTest, SaysWhatMovedAndNothingElse) {
    const PhraseRow rows[] = {
        {"Expires", "2026-12-01", "2027-12-01", "Expires 2026-12-01" + kArrow + "2027-12-01"},
        {"Expires", "2026-12-01", "2026-12-01", ""},
        {"Expires", "2026-12-01", " 2026-12-01 ", ""},  // spaces around are no change
        {"Created", "free", "2026-11-30", "Created: free" + kArrow + "2026-11-30"},
        {"Created", "2026-11-30", "free", "Created 2026-11-30" + kArrow + "free"},
        {"Rank", "4", "9", "Rank 4" + kArrow + "9"},
        {"Rank", "9", "9", ""},
        {"Rank", "9", "10", "Rank 9" + kArrow + "10"},  // bytes, not the first digit only
        {"HTTP", "200", "no address", "HTTP 200" + kArrow + "no address"},
        {"HTTP", "no address", "200", "HTTP: no address" + kArrow + "200"},
        {"HTTP", "no address", "refused", "HTTP no address" + kArrow + "refused"},  // no value either
        {"Registrar", "A", "B", "Registrar A" + kArrow + "B"},
        {"Registrar", "REG-RU", "reg-ru", ""},  // the case of Latin letters is no change
        {"Registrar", "", "B", ""},             // never answered before
        {"Registrar", "A", "", ""},             // not answered now
        {"Expires", "2026-12-01", "timeout", ""},
        {"Expires", "timeout", "2026-12-01", ""},
        {"Archive", "none", "rate limited", ""},
        {"Mirror", "a.ru", "cancelled", ""},
        {"SSL", "error", "2027-01-01", ""},
        {"Archive", "none", "2019-05-04", "Archive: none" + kArrow + "2019-05-04"},
        // Failures of the question, not facts of the domain.
        {"HTTP", "200", "DNS error", ""},
        {"Created", "bad answer", "2001-01-01", ""},
        {"LinkRank", "12", "no graph", ""},
        {"Rank", "no list", "3", ""},
        {"IP", "1.2.3.4", "no resources", ""},
        // Where empty is an answer: no redirect, not listed.
        {"Mirror", "www", "", "Mirror www" + kArrow + "none"},
        {"Mirror", "", "https", "Mirror: none" + kArrow + "https"},
        {"Rank", "4", "", "Rank 4" + kArrow + "none"},
        {"LinkPR", "", "77", "LinkPR: none" + kArrow + "77"},
        {"LinkRank", "", "", ""},
    };
    for (const PhraseRow& row : rows) {
        EXPECT_EQ(ChangePhrase(row.column, row.before, row.after), row.phrase)
            << row.column << " '" << row.before << "' '" << row.after << "'";
    }
}

TEST(ChangePhraseTest, ColumnsReadBackFromTheCell) {
    const std::string cell = JoinPhrases({ChangePhrase("Created", "free", "2026-11-30"), "",
                                          ChangePhrase("Expires", "2026-12-01", "2027-12-01"),
                                          ChangePhrase("Registrar", "A b", "C")});
    EXPECT_EQ(ChangedColumns(cell), (std::vector<std::string>{"Created", "Expires", "Registrar"}));
    EXPECT_EQ(JoinPhrases({"Rank 4" + kArrow + "9", "", "IP a" + kArrow + "b"}),
              "Rank 4" + kArrow + "9; IP a" + kArrow + "b");
    EXPECT_TRUE(ChangedColumns("").empty());
}

struct FreshRow {
    const char* check;
    const char* cell;
    std::int64_t age;  // seconds between the answer and now
    bool lasting;
};

TEST(FreshnessTest, OnlyTheArchiveFirstCaptureLastsAndNoneForAWeek) {
    const std::int64_t now = 1'800'000'000;
    const FreshRow rows[] = {
        {"archive", "2019-05-04", 0, true},
        {"archive", "2019-05-04", 400LL * 86400, true},
        {"archive", "2019-05-04", -1, false},  // an answer from the future: a clock set back
        {"archive", "none", 0, true},
        {"archive", "none", kNoneKeptSeconds - 1, true},
        {"archive", "none", kNoneKeptSeconds, false},
        {"archive", "timeout", 0, false},
        {"archive", "rate limited", 0, false},
        {"archive", "2019-5-04", 0, false},
        {"archive", "2019-0x-04", 0, false},
        {"archive", "", 0, false},
        {"registry", "2019-05-04", 0, false},
        {"dns", "none", 0, false},
    };
    for (const FreshRow& row : rows) {
        EXPECT_EQ(Lasting(row.check, {row.cell}, now - row.age, now), row.lasting)
            << row.check << " '" << row.cell << "' " << row.age;
    }
    EXPECT_EQ(DayOf(0), "1970-01-01");
    EXPECT_EQ(DayOf(1'798'761'599), "2026-12-31");
    EXPECT_EQ(DayOf(1'798'761'600), "2027-01-01");
}

}  // namespace
}  // namespace vantle::history
