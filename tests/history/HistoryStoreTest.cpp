#include "history/HistoryStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "history/ChangePhrase.h"
#include "history/Freshness.h"
#include "history/RunHistory.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1'800'000'000;

class HistoryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantle-history-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "history.sqlite").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::unique_ptr<HistoryStore> Open(std::string& problem, HistoryStore::Options options = {}) {
        options.busyTimeoutMs = 200;
        return HistoryStore::Open(path_, kNow, options, problem);
    }

    // The store's file made anew by sql.
    bool MakeFile(const char* sql) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        sqlite3* db = nullptr;
        const bool made = sqlite3_open(path_.c_str(), &db) == SQLITE_OK &&
                          sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return made;
    }

    fs::path dir_;
    std::string path_;
};

bool Says(std::string_view column, std::string_view cell) {
    return !SaysNothing(column, cell);
}

StoredAnswer Registry(const std::string& expires, std::int64_t at) {
    return {"registry", {"Created", "Expires", "Registrar"}, {"2020-01-01", expires, "A"}, at};
}

TEST_F(HistoryStoreTest, TwoCopiesWritingAtOnceLoseNothing) {
    std::string problem;
    auto first = Open(problem);
    auto second = Open(problem);
    ASSERT_TRUE(first && second) << problem;
    const auto write = [](HistoryStore& store, int from) {
        for (int i = 0; i < 3000; ++i) {
            store.Add("d" + std::to_string(i % 50) + ".ru", Registry("2027-01-01", kNow + from + i * 2));
        }
        store.Flush();
    };
    std::thread a(write, std::ref(*first), 0);
    std::thread b(write, std::ref(*second), 1);
    a.join();
    b.join();
    EXPECT_FALSE(first->TakeProblem());
    EXPECT_FALSE(second->TakeProblem());
    EXPECT_EQ(first->Count(), 6000);
    const std::vector<StoredAnswer> answers = second->Answers("D7.RU");
    ASSERT_EQ(answers.size(), 120u);
    EXPECT_GT(answers.front().at, answers.back().at);  // newest first
    EXPECT_EQ(answers.front().columns, Registry("", 0).columns);
    EXPECT_EQ(answers.front().cells, Registry("2027-01-01", 0).cells);
}

TEST_F(HistoryStoreTest, AnswersPastTheKeptPeriodAreDroppedOnOpening) {
    std::string problem;
    {
        auto store = Open(problem);
        store->Add("a.ru", Registry("old", kNow - 30 * 86400 - 1));
        store->Add("a.ru", Registry("kept", kNow - 30 * 86400));
    }
    HistoryStore::Options options;
    options.keptDays = 30;
    auto store = Open(problem, options);
    store->Add("b.ru", Registry("x", kNow));
    store->Flush();  // the writer drops the old ones before its first batch
    const std::vector<StoredAnswer> answers = store->Answers("a.ru");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].cells[1], "kept");
}

// A store of an earlier layout is taken over when it opens: the first one kept answers by the domain's
// name, the next one by the domain's number without chains, the last one with its newest answers
// kept by the pair of domain and check. Nothing is lost, nothing twice, it goes on from there, and
// opening it again changes nothing.
TEST_F(HistoryStoreTest, AStoreOfAnEarlierLayoutIsTakenOver) {
    const char* const kLayouts[] = {
        "PRAGMA application_id=1450079340; PRAGMA user_version=1;"
        "CREATE TABLE kinds(id INTEGER PRIMARY KEY, check_name TEXT NOT NULL,"
        " columns TEXT NOT NULL, UNIQUE(check_name, columns));"
        "CREATE TABLE answers(domain TEXT NOT NULL, kind INTEGER NOT NULL, at INTEGER NOT NULL,"
        " cells TEXT NOT NULL, PRIMARY KEY(domain, kind, at)) WITHOUT ROWID;"
        "INSERT INTO kinds VALUES(7, 'rank', 'Rank');"
        "INSERT INTO answers VALUES('b.ru', 7, 1800000000, '5'), ('a.ru', 7, 1800000000, '9'),"
        " ('b.ru', 7, 1800000100, '6');",
        "PRAGMA application_id=1450079340; PRAGMA user_version=3;"
        "CREATE TABLE kinds(id INTEGER PRIMARY KEY, check_name TEXT NOT NULL,"
        " columns TEXT NOT NULL, UNIQUE(check_name, columns));"
        "CREATE TABLE domains(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
        "CREATE TABLE said(domain INTEGER NOT NULL, kind INTEGER NOT NULL, at INTEGER NOT NULL,"
        " cells TEXT NOT NULL, PRIMARY KEY(domain, kind, at)) WITHOUT ROWID;"
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
        "INSERT INTO kinds VALUES(7, 'rank', 'Rank'), (8, 'web', 'HTTP');"
        "INSERT INTO domains VALUES(1, 'b.ru'), (2, 'a.ru');"
        "INSERT INTO said VALUES(1, 7, 1800000100, '6'), (2, 7, 1800000000, '9'), (1, 8, 1800000050, '200'),"
        " (1, 7, 1800000000, '5');"
        "INSERT INTO meta VALUES('oldest', 1800000000);",
        "PRAGMA application_id=1450079340; PRAGMA user_version=4;"
        "CREATE TABLE kinds(id INTEGER PRIMARY KEY, check_name TEXT NOT NULL,"
        " columns TEXT NOT NULL, UNIQUE(check_name, columns));"
        "CREATE TABLE domains(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
        "CREATE TABLE said(id INTEGER PRIMARY KEY, domain INTEGER NOT NULL, kind INTEGER NOT NULL,"
        " at INTEGER NOT NULL, cells TEXT NOT NULL, prev INTEGER);"
        "CREATE TABLE newest(domain INTEGER NOT NULL, kind INTEGER NOT NULL, id INTEGER NOT NULL,"
        " at INTEGER NOT NULL, PRIMARY KEY(domain, kind)) WITHOUT ROWID;"
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
        "INSERT INTO kinds VALUES(7, 'rank', 'Rank'), (8, 'web', 'HTTP');"
        "INSERT INTO domains VALUES(1, 'b.ru'), (2, 'a.ru');"
        "INSERT INTO said VALUES(1, 1, 7, 1800000000, '5', NULL), (2, 1, 7, 1800000100, '6', 1),"
        " (3, 1, 8, 1800000050, '200', NULL), (4, 2, 7, 1800000000, '9', NULL);"
        "INSERT INTO newest VALUES(1, 7, 2, 1800000100), (1, 8, 3, 1800000050), (2, 7, 4, 1800000000);"
        "INSERT INTO meta VALUES('oldest', 1800000000), ('said', 4);"};
    for (const char* layout : kLayouts) {
        SCOPED_TRACE(layout);
        ASSERT_TRUE(MakeFile(layout));
        const std::int64_t had = layout == kLayouts[0] ? 3 : 4;
        std::string problem;
        {
            auto store = Open(problem);
            ASSERT_TRUE(store) << problem;
            store->Add("b.ru", {"rank", {"Rank"}, {"7"}, kNow + 200});
            store->Flush();
            EXPECT_EQ(store->Count(), had + 1);
        }
        auto store = Open(problem);
        ASSERT_TRUE(store) << problem;
        EXPECT_EQ(store->Count(), had + 1);
        std::vector<std::string> b;
        for (const StoredAnswer& answer : store->Answers("B.ru")) {
            if (answer.check == "rank") {
                b.push_back(answer.cells[0] + "@" + std::to_string(answer.at - kNow));
            }
        }
        EXPECT_EQ(b, (std::vector<std::string>{"7@200", "6@100", "5@0"}));
        const auto said = store->LastSaid("a.ru", "rank", {"Rank"}, Says);
        ASSERT_TRUE(said[0]);
        EXPECT_EQ(said[0]->cell, "9");
    }
}

// An answer older than its check's newest (another copy's, begun earlier) takes its place by its time,
// at its next free second, whether it meets the newest in the store or in its own batch: what a check
// said last is then read past a newer answer that says nothing.
TEST_F(HistoryStoreTest, AnAnswerOlderThanTheNewestTakesItsPlaceInTime) {
    std::string problem;
    auto store = Open(problem);
    const int kind = store->Kind("rank", {"Rank"});
    const auto batch = [&](std::vector<std::pair<std::string, std::int64_t>> answers) {
        HistoryStore::Batch queued;
        for (const auto& [cell, at] : answers) {
            queued.Add("a.ru", kind, std::span(&cell, 1), kNow + at, {});
        }
        store->Add(queued);
        EXPECT_TRUE(queued.empty());  // (given back to be filled again)
        store->Flush();
    };
    const auto times = [&] {
        std::vector<std::string> a;
        for (const StoredAnswer& answer : store->Answers("a.ru")) {
            a.push_back(answer.cells[0] + "@" + std::to_string(answer.at - kNow));
        }
        return a;
    };
    batch({{"timeout", 300}});
    batch({{"9", 100}, {"7", 200}, {"8", 200}});
    EXPECT_EQ(times(), (std::vector<std::string>{"timeout@300", "8@201", "7@200", "9@100"}));
    auto said = store->LastSaid("a.ru", "rank", {"Rank"}, Says);
    ASSERT_TRUE(said[0]);
    EXPECT_EQ(said[0]->cell + "@" + std::to_string(said[0]->at - kNow), "8@201");
    batch({{"6", 300}, {"5", 300}});  // 300 and 301 are taken: the second goes past the newest
    EXPECT_EQ(times(),
              (std::vector<std::string>{"5@302", "6@301", "timeout@300", "8@201", "7@200", "9@100"}));
    said = store->LastSaid("a.ru", "rank", {"Rank"}, Says);
    ASSERT_TRUE(said[0]);
    EXPECT_EQ(said[0]->cell, "5");
}

// A batch gives back each answer as it was added, whatever the length of its name and cells, empty
// cells too; a cell cannot hold the separator that joins the cells (it becomes a space).
TEST_F(HistoryStoreTest, ABatchKeepsEachAnswerAsGiven) {
    std::string problem;
    auto store = Open(problem);
    const int kind = store->Kind("registry", {"Created", "Expires", "Registrar"});
    const std::string name = "a-name-far-longer-than-a-string-holds-in-itself.example";
    const std::string wide(300, 'z');
    HistoryStore::Batch batch;
    batch.Add(name, kind,
              std::vector<std::string>{"2020-01-01", "",
                                       "A\x1f"
                                       "B"},
              kNow, {});
    batch.Add("b.ru", kind, std::vector<std::string>{"", "", ""}, kNow + 1, {});
    batch.Add(name, kind, std::vector<std::string>{"x", "y", wide}, kNow + 2, {});
    ASSERT_EQ(batch.size(), 3u);
    store->Add(batch);
    store->Flush();
    const std::vector<StoredAnswer> a = store->Answers(name);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].cells, (std::vector<std::string>{"x", "y", wide}));
    EXPECT_EQ(a[0].at, kNow + 2);
    EXPECT_EQ(a[1].cells, (std::vector<std::string>{"2020-01-01", "", "A B"}));
    const std::vector<StoredAnswer> b = store->Answers("b.ru");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].cells, (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(b[0].at, kNow + 1);
}

// Answers of a domain's check given in one second (a recheck) all stay, each in the next free second,
// whatever case the name is written in, and whether they meet in one batch or one is stored already
// (as for a whole run's answers, written many at a time).
TEST_F(HistoryStoreTest, AnswersOfOneSecondAllStay) {
    std::string problem;
    auto store = Open(problem);
    const int kind = store->Kind("rank", {"Rank"});
    HistoryStore::Batch run;
    for (int i = 0; i < 70; ++i) {
        const std::string cell = std::to_string(i);
        run.Add("d" + cell + ".ru", kind, std::span(&cell, 1), kNow, {});
    }
    HistoryStore::Batch first = run;
    store->Add(first);
    store->Flush();
    for (const char* name : {"a.ru", "A.ru", "a.RU"}) {
        run.Add(name, kind, std::vector<std::string>{name}, kNow, {});
    }
    run.Add("b.ru", kind, std::vector<std::string>{"b"}, kNow, {});
    store->Add(run);
    store->Flush();
    std::vector<std::string> a;
    for (const StoredAnswer& answer : store->Answers("a.ru")) {
        a.push_back(answer.cells[0] + "@" + std::to_string(answer.at - kNow));
    }
    EXPECT_EQ(a, (std::vector<std::string>{"a.RU@2", "A.ru@1", "a.ru@0"}));
    for (const char* name : {"d0.ru", "d40.ru", "d69.ru"}) {
        const std::vector<StoredAnswer> d = store->Answers(name);
        ASSERT_EQ(d.size(), 2u) << name;
        EXPECT_EQ(d[0].at, kNow + 1);
        EXPECT_EQ(d[1].at, kNow);
    }
    EXPECT_EQ(store->Answers("b.ru").size(), 1u);
    EXPECT_EQ(store->Count(), 144);
}

// A run hands the store the domain's number its read found. Another copy that drops the domain in
// between (its answers outlived the kept period) may give the number to a new name: the run's answer
// still goes to its own domain.
TEST_F(HistoryStoreTest, ANumberReadBeforeTheDomainWasDroppedIsNotTaken) {
    std::string problem;
    auto store = Open(problem);
    store->Add("old.ru", {"rank", {"Rank"}, {"1"}, kNow - 40 * 86400});
    store->Flush();
    RunHistory run(*store, {{"rank", 1, {"Rank"}}}, std::make_shared<Served>());
    run.Finished("old.ru", {"old.ru", "2"}, kNow);  // read now, written at the Flush below
    {
        HistoryStore::Options options;
        options.keptDays = 30;
        auto other = Open(problem, options);
        other->Add("new.ru", {"rank", {"Rank"}, {"3"}, kNow});
        other->Flush();
    }
    run.Flush();
    ASSERT_EQ(store->Answers("new.ru").size(), 1u);
    const std::vector<StoredAnswer> old = store->Answers("old.ru");
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old[0].cells, std::vector<std::string>{"2"});
}

// A damaged file is set aside with its day, and a second one damaged the same day beside the first,
// never over it; each time a new store is made.
TEST_F(HistoryStoreTest, DamagedFileIsSetAsideWithItsDayAndANewStoreMade) {
    const auto bytes = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::pair<std::string, char> kDamaged[] = {{".damaged-2027-01-15", 'x'},
                                                     {".damaged-2027-01-15-1", 'y'}};
    for (const auto& [aside, fill] : kDamaged) {
        fs::remove(path_);
        { std::ofstream(path_, std::ios::binary) << std::string(8192, fill); }
        std::string problem;
        auto store = Open(problem);
        ASSERT_TRUE(store);
        EXPECT_NE(problem.find(aside), std::string::npos) << problem;
        EXPECT_EQ(bytes(path_ + aside), std::string(8192, fill));
        store->Add("a.ru", Registry("x", kNow));
        store->Flush();
        EXPECT_EQ(store->Count(), 1);
    }
    EXPECT_EQ(bytes(path_ + kDamaged[0].first), std::string(8192, 'x'));
}

// Some other program's database, and a store of a later version's layout, are named and not written.
TEST_F(HistoryStoreTest, ForeignOrNewerDatabaseIsNamedAndLeftAlone) {
    const std::pair<const char*, const char16_t*> kFiles[] = {
        {"CREATE TABLE notes(x); INSERT INTO notes VALUES(1);", u"файл истории не из Vantle, он не тронут"},
        {"PRAGMA application_id=12345; PRAGMA user_version=1;", u"файл истории не из Vantle, он не тронут"},
        {"PRAGMA application_id=1450079340; PRAGMA user_version=6; CREATE TABLE said(x);",
         u"история записана более новой версией Vantle, она не тронута"}};
    for (const auto& [sql, said] : kFiles) {
        ASSERT_TRUE(MakeFile(sql));
        const auto size = fs::file_size(path_);
        std::string problem;
        EXPECT_FALSE(Open(problem));
        EXPECT_EQ(problem.substr(0, problem.find(':')), Utf16ToCp1251(said));
        EXPECT_EQ(fs::file_size(path_), size);
        EXPECT_FALSE(fs::exists(path_ + "-wal"));
    }
}

TEST_F(HistoryStoreTest, LockedStoreIsNamedWithinItsBusyTime) {
    std::string problem;
    Open(problem).reset();  // a store made
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_FALSE(Open(problem));
    EXPECT_FALSE(problem.empty());
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_TRUE(Open(problem)) << problem;
}

TEST_F(HistoryStoreTest, FullStoreIsToldOnceAndTakesNoMore) {
    HistoryStore::Options options;
    options.maxBytes = 64 * 1024;
    std::string problem;
    auto store = Open(problem, options);
    ASSERT_TRUE(store) << problem;
    for (int i = 0; i < 5000; ++i) {
        store->Add("domain-" + std::to_string(i) + ".ru", Registry("2027-01-01", kNow));
    }
    store->Flush();
    const std::optional<std::string> told = store->TakeProblem();
    ASSERT_TRUE(told);
    EXPECT_FALSE(store->TakeProblem());
    store->Add("later.ru", Registry("x", kNow));
    store->Flush();
    EXPECT_TRUE(store->Answers("later.ru").empty());
    EXPECT_FALSE(store->TakeProblem());
}

// The newest answer of each domain and check is kept under one number with room for 2^20 kinds: the
// last kind that fits is written, the first one past it is refused and told, never kept under another
// domain's number.
TEST_F(HistoryStoreTest, AKindPastTheNewestKeysRoomIsToldAndNotWritten) {
    std::string problem;
    Open(problem).reset();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "INSERT INTO kinds VALUES(1048574, 'other', 'X')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto store = Open(problem);
    ASSERT_TRUE(store) << problem;
    store->Add("a.ru", {"web", {"HTTP"}, {"200"}, kNow});
    store->Flush();
    EXPECT_FALSE(store->TakeProblem());
    store->Add("a.ru", {"rank", {"Rank"}, {"4"}, kNow});
    store->Flush();
    EXPECT_TRUE(store->TakeProblem());
    const std::vector<StoredAnswer> answers = store->Answers("a.ru");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].check, "web");
    EXPECT_EQ(answers[0].cells[0], "200");
}

// A check that counts how often it is asked.
class CountingCheck : public Check {
public:
    std::string_view Name() const override { return "archive"; }
    std::vector<std::string> Columns() const override { return {"Archive"}; }
    std::vector<std::string> Run(const DomainNames&, const CancelToken&) override {
        ++asked;
        return {answer};
    }
    int asked = 0;
    std::string answer = "none";
};

// A run's answers go to the store a few hundred at a time as its rows finish, not all at its end: a
// run that is killed loses no more than those.
TEST_F(HistoryStoreTest, AnswersGoToTheStoreAsTheRowsFinish) {
    std::string problem;
    auto store = Open(problem);
    RunHistory run(*store, {{"rank", 1, {"Rank"}}}, std::make_shared<Served>());
    for (int i = 0; i < 600; ++i) {
        const std::string domain = "d" + std::to_string(i) + ".ru";
        run.Finished(domain, {domain, "5"}, kNow);
    }
    store->Flush();  // the store's own: what the run has given it so far
    EXPECT_GE(store->Count(), 300);
    run.Flush();
    EXPECT_EQ(store->Count(), 600);
}

TEST_F(HistoryStoreTest, RunRemembersChangesAndAsksNoLastingFactTwice) {
    std::string problem;
    auto store = Open(problem);
    auto served = std::make_shared<Served>();
    auto inner = std::make_shared<CountingCheck>();
    std::int64_t now = kNow;
    // A first capture stored under other columns (another version of the check) is not served.
    store->Add("a.ru", {"archive", {"First capture"}, {"2010-01-01"}, now - 60});
    store->Flush();
    RememberingCheck archive(inner, *store, served, [&now] { return now; });
    RunHistory run(
        *store, {{"registry", 1, {"Created", "Expires", "Registrar"}}, {"archive", 4, {"Archive"}}}, served);
    const auto finish = [&](const std::vector<std::string>& registry) {
        DomainNames names{"a.ru", "a.ru", "a.ru"};
        std::vector<std::string> row{"a.ru"};
        row.insert(row.end(), registry.begin(), registry.end());
        row.push_back(archive.Run(names, CancelToken())[0]);
        RowChanges changes = run.Finished("a.ru", row, now);
        run.Flush();
        return changes;
    };

    RowChanges first = finish({"2020-01-01", "2026-12-01", "A"});
    EXPECT_EQ(first.text, "");  // never seen
    EXPECT_EQ(inner->asked, 1);

    now += 86400;
    RowChanges second = finish({"2020-01-01", "timeout", "B"});
    EXPECT_EQ(second.text, "Registrar A " + EscapeOf(U'\u2192') + " B");
    EXPECT_EQ(second.changedCols, std::vector<int>{3});
    EXPECT_NE(second.tip.find("2027-01-15"), std::string::npos);
    EXPECT_EQ(inner->asked, 1);  // "none" of a day ago stands
    ASSERT_EQ(second.cellTips.count(4), 1u);
    EXPECT_NE(second.cellTips[4].find("2027-01-15"), std::string::npos);

    // The timeout said nothing: the expiry is compared with the answer before it.
    now += kNoneKeptSeconds;
    inner->answer = "2019-05-04";
    RowChanges third = finish({"2020-01-01", "2027-12-01", "B"});
    EXPECT_EQ(third.changedCols, (std::vector<int>{2, 4}));
    EXPECT_EQ(third.tip, Utf16ToCp1251(u"прежний ответ: ") + "2027-01-15");  // both columns' day, once
    EXPECT_EQ(inner->asked, 2);  // "none" a week old is asked again, and not refreshed by serving it

    now += 365 * 86400;
    finish({"2020-01-01", "2027-12-01", "B"});
    EXPECT_EQ(inner->asked, 2);  // a first capture found is never asked again
    // All eight answers but the two served from the store, and the one of the other columns.
    EXPECT_EQ(store->Answers("a.ru").size(), 7u);
}

// A check whose cells are all empty was not asked, except where empty is the answer: a name that
// left the top-sites list is a change; a web check not asked is none.
TEST_F(HistoryStoreTest, AnEmptyRankIsAnAnswerAndEmptyWebCellsAreNot) {
    std::string problem;
    auto store = Open(problem);
    RunHistory run(*store, {{"web", 1, {"HTTP", "Mirror"}}, {"rank", 3, {"Rank"}}},
                   std::make_shared<Served>());
    const auto finish = [&](std::vector<std::string> row, std::int64_t at) {
        RowChanges changes = run.Finished("a.ru", row, at);
        run.Flush();
        return changes.text;
    };
    const std::string arrow = " " + EscapeOf(U'\u2192') + " ";
    EXPECT_EQ(finish({"a.ru", "200", "www", "4"}, kNow), "");
    EXPECT_EQ(finish({"a.ru", "", "", ""}, kNow + 86400), "Rank 4" + arrow + "none");
    EXPECT_EQ(finish({"a.ru", "200", "", "4"}, kNow + 2 * 86400),
              "Mirror www" + arrow + "none; Rank: none" + arrow + "4");
    EXPECT_EQ(finish({"a.ru"}, kNow + 3 * 86400), "Rank 4" + arrow + "none");  // a row short of the spans
}

// What a check said last is read per kind of its answers: when its columns changed between versions,
// each column comes from the newest answer that has it and says something (never from another
// check's column of the same name). A domain's history lists the answers of one time in the order of
// their checks' names.
TEST_F(HistoryStoreTest, LastSaidTakesEachColumnFromTheNewestAnswerThatSaysIt) {
    std::string problem;
    auto store = Open(problem);
    store->Add("a.ru", {"web", {"HTTP", "Mirror"}, {"200", "www"}, kNow});
    store->Add("a.ru", {"web", {"HTTP"}, {"301"}, kNow + 10});
    store->Add("a.ru", {"web", {"HTTP"}, {"timeout"}, kNow + 20});
    store->Add("a.ru", {"web", {"HTTP", "Mirror"}, {"timeout", "error"}, kNow + 30});
    store->Add("b.ru", {"web", {"HTTP", "Mirror"}, {"404", ""}, kNow + 40});
    store->Add("a.ru", {"links", {"HTTP"}, {"418"}, kNow + 50});  // another check's column of that name
    store->Add("b.ru", {"archive", {"Archive"}, {"none"}, kNow + 40});
    store->Add("b.ru", {"rank", {"Rank"}, {"3"}, kNow + 40});
    store->Flush();
    std::vector<std::string> checks;  // of one time, in the order of the checks' names
    for (const StoredAnswer& answer : store->Answers("b.ru")) {
        checks.push_back(answer.check);
    }
    EXPECT_EQ(checks, (std::vector<std::string>{"archive", "rank", "web"}));
    const auto said = store->LastSaid("A.RU", "web", {"HTTP", "Mirror", "SSL"}, Says);
    ASSERT_EQ(said.size(), 3u);
    ASSERT_TRUE(said[0] && said[1]);
    EXPECT_EQ(said[0]->cell, "301");  // the newer kind's, past its timeout and the older kind's timeout
    EXPECT_EQ(said[0]->at, kNow + 10);
    EXPECT_EQ(said[1]->cell, "www");  // only the older kind has Mirror; "error" says nothing
    EXPECT_EQ(said[1]->at, kNow);
    EXPECT_FALSE(said[2]);  // no answer has SSL
    EXPECT_FALSE(store->LastSaid("a.ru", "rank", {"Rank"}, Says)[0]);
}

// Read ahead by list line, what each row is compared with is what the store held when the run began,
// whether the read-ahead has the line (from the first line or from a resumed one), or the row is
// another domain than the line's (read at once).
TEST_F(HistoryStoreTest, RowsReadAheadAreComparedAsRowsReadAtOnce) {
    std::string problem;
    auto store = Open(problem);
    constexpr int kBound = 2048;
    constexpr int kLines = kBound * 2 + 600;  // past the read-ahead's bound
    std::vector<std::string> domains;
    for (int i = 0; i < kLines; ++i) {
        domains.push_back(i % 7 == 3 ? std::string() : "d" + std::to_string(i) + ".ru");
        if (!domains.back().empty()) {
            store->Add(domains.back(), {"rank", {"Rank"}, {std::to_string(i)}, kNow});
        }
    }
    store->Add("other.ru", {"rank", {"Rank"}, {"5"}, kNow});
    store->Flush();
    const std::string arrow = " " + EscapeOf(U'\u2192') + " ";
    for (const int first : {0, 2000}) {
        // The first pass answers 9 for every row, the second (a run resumed at line 2000) 8.
        const std::string now = first == 0 ? "9" : "8";
        RunHistory run(*store, {{"rank", 1, {"Rank"}}}, std::make_shared<Served>());
        run.ReadAhead(domains, kBound);
        // The first pass waits until the reading is a bound ahead, so that its first rows all come
        // from what was read ahead (later ones may be read at once, where the rows overtake it).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (first == 0 && run.ReadAheadTo() < kBound - 64 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(first > 0 || run.ReadAheadTo() >= kBound - 64);
        for (int line = first; line < kLines; ++line) {
            const std::string domain =
                line == first + 5 ? "other.ru" : domains[static_cast<std::size_t>(line)];
            if (domain.empty()) {
                continue;
            }
            const std::string before = first > 0 ? "9" : domain == "other.ru" ? "5" : std::to_string(line);
            const std::string text =
                run.Finished(domain, {domain, now}, kNow + 86400 * (first + 1), line).text;
            ASSERT_EQ(text, before == now ? "" : "Rank " + before + arrow + now)
                << "line " << line << " from " << first;
        }
        run.Flush();
    }
}

// Many domains gathered at once are read in sweeps of the store; each must come out as its own
// look-up gives it, whether gathered in the order the store numbered them or in another: asked in any
// order, twice, in another case, absent, Cyrillic (bytes past 0x7f, which sort after Latin ones),
// alike in their first eight bytes, or far apart in the store (the sweep seeks anew); and a Flush
// drops what was gathered, so that a look-up after it sees what was written since.
TEST_F(HistoryStoreTest, DomainsGatheredAtOnceReadAsEachAlone) {
    std::string problem;
    auto store = Open(problem);
    auto alone = Open(problem);  // never gathers
    ASSERT_TRUE(store && alone) << problem;
    const std::string cyrillic = Utf16ToCp1251(u"домен");
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i) {
        const std::string number = std::to_string(i);
        names.push_back(i % 4 == 0   ? "d" + number + ".ru"
                        : i % 4 == 1 ? "longdomainname" + number + ".com"
                        : i % 4 == 2 ? cyrillic + number + ".su"
                                     : (i % 8 == 3 ? "x" + cyrillic : "x") + number + ".ru");
    }
    std::mt19937 random(7);
    for (int pass = 0; pass < 3; ++pass) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (random() % 5 == 0) {
                continue;  // some domains lack an answer of a pass, some kinds of a domain
            }
            store->Add(names[i], {"rank", {"Rank"}, {std::to_string(random() % 9)}, kNow + pass});
            if (i % 4 == 0) {
                store->Add(names[i], {"web",
                                      {"HTTP", "Mirror"},
                                      {pass == 2 && i % 8 == 0 ? "timeout" : "20" + std::to_string(pass), ""},
                                      kNow + pass});
            }
        }
    }
    std::vector<std::string> ordered;  // a list written in one run, so numbered in its order
    for (int i = 0; i < 400; ++i) {
        ordered.push_back((i % 3 == 0 ? cyrillic : std::string("o")) + std::to_string(i) + ".ru");
        store->Add(ordered.back(), {"rank", {"Rank"}, {std::to_string(i % 9)}, kNow});
    }
    store->Flush();

    std::vector<std::string> list;  // the first 300 in a shuffled order, then every 20th: far apart
    for (std::size_t i = 0; i < names.size(); i += i < 300 ? 1 : 20) {
        list.push_back(names[i]);
    }
    std::shuffle(list.begin(), list.end(), random);
    list.insert(list.begin() + 10, {"", "absent.ru", "D3.RU", list[20], "zzz.ru"});
    // In the order written, with a name the store lacks, one twice, one in another case, one written
    // long before, and a gap.
    ordered.insert(ordered.begin() + 30, {"absent.ru", ordered[29], "O31.RU", names[5]});
    ordered.erase(ordered.begin() + 200, ordered.begin() + 250);
    const auto lastSaid = [](HistoryStore& from, const std::string& domain) {
        HistoryStore::Number number;
        std::vector<std::optional<HistoryStore::Said>> said(3);
        from.LastSaid(domain, "rank", {"Rank"}, Says, said.data(), &number);
        from.LastSaid(domain, "web", {"HTTP", "Mirror"}, Says, said.data() + 1, &number);
        std::string text = std::to_string(number.id);
        for (const auto& cell : said) {
            text += cell ? "|" + cell->cell + "@" + std::to_string(cell->at) : "|-";
        }
        return text;
    };
    for (const std::vector<std::string>& gathered : {list, ordered}) {
        const std::vector<std::string> asked[] = {
            gathered,                                              // in the order gathered
            {gathered.rbegin(), gathered.rend()},                  // the other way round
            {"d3.ru", names[1000], names[1001], "absent.ru", ""},  // far from the next one, or not gathered
        };
        for (const std::vector<std::string>& order : asked) {
            store->Gather(gathered);
            for (const std::string& domain : order) {
                ASSERT_EQ(lastSaid(*store, domain), lastSaid(*alone, domain)) << domain;
                EXPECT_EQ(store->Answers(domain).size(), alone->Answers(domain).size()) << domain;
            }
        }
    }
    store->Gather(list);
    store->Add("d3.ru", {"rank", {"Rank"}, {"77"}, kNow + 5});
    store->Flush();
    EXPECT_EQ(store->LastSaid("d3.ru", "rank", {"Rank"}, Says)[0]->cell, "77");
    EXPECT_FALSE(store->TakeProblem());
}

}  // namespace
}  // namespace vantle::history
