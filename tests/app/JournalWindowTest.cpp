// The journal between windows: a second window running at the same time keeps a journal of its own
// and never offers the first one's live run; a journal with values that do not fit neither crashes
// the window nor makes it allocate for them, and the window starts as usual.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStatusBar>
#include <QTemporaryDir>
#include <fstream>

#include "app/MainWindowFixture.h"
#include "io/Journal.h"
#include "support/Reaped.h"
#include "text/Plural.h"

namespace vantle::testing {
namespace {

class JournalWindowTest : public MainWindowFixture {
protected:
    QTemporaryDir state;
    std::string Base() const { return state.path().toStdString(); }

    // The rows the journal of folder keeps, as read back.
    static std::size_t JournalRows(const std::string& folder) {
        const auto journal = ReadJournal(folder);
        return journal ? journal->rows.size() : 0;
    }
};

TEST_F(JournalWindowTest, ASecondWindowKeepsItsOwnJournalBesideALiveRun) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(JOURNAL_CHILD, JOURNAL_CHILD, state.path().toLocal8Bit().constData(), "40", nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    Reaped reap{child};  // the child also goes when a check fails
    ASSERT_TRUE(sim::TestServer::waitFor([&] { return JournalRows(Base()) >= 2; }, std::chrono::seconds(20)));

    form->EnableSafetyNet(state.path());
    auto offer = AnswerNextBox(QMessageBox::Yes, 500);
    EXPECT_FALSE(form->OfferRecovery());
    QTest::qWait(50);
    EXPECT_FALSE(offer->shown) << "the live run of the other window is not offered";
    offer->cancelled = true;
    EnterList(Ascii("a.test\nb.test\n"));
    Start();
    ASSERT_EQ(RowCount(), 3);

    const std::size_t before = JournalRows(Base());
    ASSERT_TRUE(
        sim::TestServer::waitFor([&] { return JournalRows(Base()) > before; }, std::chrono::seconds(20)))
        << "the other window's journal goes on";
    const auto live = ReadJournal(Base());
    ASSERT_TRUE(live.has_value());
    EXPECT_EQ(live->rows.at(1).cells.at(0), "d1.test") << "neither replaced nor written over";
    EXPECT_EQ(live->start.lineCount, 40);
    const auto own = ReadJournal(Base() + "/2");
    ASSERT_TRUE(own.has_value()) << "this window's rows go to a slot of its own";
    ASSERT_EQ(own->rows.size(), 2u);
    EXPECT_EQ(own->rows.at(2).cells.at(0), "b.test");

    reap.End();
    const std::size_t kept = JournalRows(Base());
    TForm1 next(sim.Hosts());
    next.EnableSafetyNet(state.path());
    auto again = AnswerNextBox(QMessageBox::No);
    EXPECT_FALSE(next.OfferRecovery());
    EXPECT_EQ(again->text, QStringLiteral("Восстановить результаты прошлой проверки (%1)?")
                               .arg(QString::fromStdU16String(RowsCount(static_cast<long long>(kept)))))
        << "the journal of the killed window is offered at the next start";
}

// A journal whose list copy matches and whose start fits, with the rows given after it.
void HostileJournal(const std::string& folder, const std::vector<std::string>& rows) {
    const std::string list = "a.test\nb.test\nc.test\n";
    JournalWriter writer(folder);
    ASSERT_TRUE(writer.Start({{"Domain", "Tic", "Status", "Yaca"}, {"bar"}, 3, ListHash(list)}, list));
    std::ofstream journal(folder + "/journal", std::ios::app);
    for (const std::string& row : rows) {
        journal << row << '\n';
    }
}

TEST_F(JournalWindowTest, ValuesThatDoNotFitAreLeftOutAndTheWindowStarts) {
    HostileJournal(Base(), {
                               R"({"row":-5,"line":0,"cells":["x"],"totals":[0,0,0]})",
                               R"({"row":100000000,"line":0,"cells":["x"],"totals":[0,0,0]})",
                               R"({"row":2,"line":1,"cells":["b.test","7","","","","x"],"totals":[0,0,0]})",
                               R"({"row":1,"line":0,"cells":["a.test","5","","Yes"],"totals":[0,0,1]})",
                               R"({"resume":-1,"at":2})",
                           });
    form->EnableSafetyNet(state.path());
    auto offer = AnswerNextBox(QMessageBox::Yes);
    ASSERT_TRUE(form->OfferRecovery());
    EXPECT_EQ(offer->text, QStringLiteral("Восстановить результаты прошлой проверки (1 строка)?"));
    ASSERT_EQ(RowCount(), 2) << "only the row that fits";
    EXPECT_EQ(Cell(0, 1), Ascii("a.test"));
    EXPECT_EQ(Cell(1, 1), Ascii("5"));
    EXPECT_EQ(form->statusBar()->currentMessage(),
              QStringLiteral("Записей журнала не подошло и пропущено: 4"));

    Start();
    ASSERT_EQ(RowCount(), 4) << "the run goes on with the line after the row restored";
    EXPECT_EQ(Cell(0, 3), Ascii("c.test"));
    EXPECT_EQ(sim.Count("/u"), 2);
}

TEST_F(JournalWindowTest, AJournalWithNoRowThatFitsIsNotOffered) {
    HostileJournal(Base(), {R"({"row":-5,"line":0,"cells":["x"],"totals":[0,0,0]})",
                            R"({"row":4,"line":3,"cells":[],"totals":[0,0,0]})"});
    form->EnableSafetyNet(state.path());
    auto offer = AnswerNextBox(QMessageBox::Yes, 500);
    EXPECT_FALSE(form->OfferRecovery());
    QTest::qWait(50);
    EXPECT_FALSE(offer->shown);
    offer->cancelled = true;
    EnterList(Ascii("a.test\n"));
    Start();
    EXPECT_EQ(RowCount(), 2) << "the window works as after a clean start";
}

}  // namespace
}  // namespace vantle::testing
