// The store of answers through the real main window: the Changes column after a recheck, its tint and
// tooltip, the filter's terms, and "История домена..." with its copy.
#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "app/WindowHistory.h"
#include "history/HistoryStore.h"
#include "sim/CheckServices.h"
#include "text/Cp1251.h"

namespace vantle::testing {
namespace {

class HistoryWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        CheckEndpoints endpoints = services.Endpoints();
        endpoints.topListFile = dir.filePath(QStringLiteral("top.csv")).toStdString();
        WriteTop("rank,domain\n1,a.test\n2,b.test\n");
        form->UseCheckEndpoints(endpoints);
        form->EnableHistory(dir.filePath(QStringLiteral("history.sqlite")));
        form->Checks().Item("bar")->trigger();  // off: the rank alone, read from the file
        form->Checks().Item("rank")->trigger();
    }
    void WriteTop(const std::string& text) {
        QFile file(dir.filePath(QStringLiteral("top.csv")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    QVariant Data(int col, int row, int role) const { return Grid()->model()->index(row, col).data(role); }

    QTemporaryDir dir;
    sim::CheckServices services;
};

TEST_F(HistoryWindowTest, RecheckShowsWhatChangedAndTheDomainsHistory) {
    EXPECT_EQ(Headers(), QStringList({Ascii("Domain"), Ascii("Tic"), Ascii("Status"), Ascii("Yaca"),
                                      Ascii("Rank"), Ascii("Changes")}));
    EnterList(Ascii("a.test\nb.test\n"));
    Start();
    ASSERT_EQ(Shown(4), QStringList({Ascii("1"), Ascii("2")}));
    EXPECT_EQ(Shown(5), QStringList({QString(), QString()}));  // never seen before

    WriteTop("rank,domain\n1,b.test\n2,a.test\n3,c.test\n");
    Grid()->selectRow(0);
    form->N5Click();
    EXPECT_EQ(Shown(4), QStringList({Ascii("2"), Ascii("2")}));
    EXPECT_EQ(Shown(5), QStringList({QStringLiteral("Rank 1 → 2"), QString()}));
    const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
    EXPECT_TRUE(Data(5, 0, Qt::ToolTipRole).toString().contains(today))
        << Data(5, 0, Qt::ToolTipRole).toString().toStdString();
    EXPECT_TRUE(Data(4, 0, Qt::BackgroundRole).isValid());   // the changed cell is tinted
    EXPECT_FALSE(Data(4, 1, Qt::BackgroundRole).isValid());  // the unchanged one is not

    auto* filter = Find<QLineEdit>("FilterEdit");
    for (const auto& [term, shown] :
         std::vector<std::pair<QString, QStringList>>{{Ascii("Changes"), {Ascii("a.test")}},
                                                      {Ascii("Changes=Rank"), {Ascii("a.test")}},
                                                      {Ascii("Changes=Expires"), {}},
                                                      {Ascii("Changes!=Rank"), {Ascii("b.test")}}}) {
        filter->setText(term);
        EXPECT_EQ(Shown(0), shown) << term.toStdString();
    }
    filter->clear();

    QStringList history;
    QString copied;
    QString selected;
    OnNextModal<QDialog>([&history, &copied, &selected](QDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("HistoryTable"));
        for (int r = 0; r < table->rowCount(); ++r) {
            history << table->item(r, 1)->text() + Ascii(" ") + table->item(r, 2)->text();
        }
        auto* copy = dialog->findChild<QPushButton*>(QStringLiteral("HistoryCopy"));
        copy->click();
        copied = QGuiApplication::clipboard()->text();
        table->clearSelection();
        table->item(1, 2)->setSelected(true);  // a selection: its rows only, its cells in their places
        copy->click();
        selected = QGuiApplication::clipboard()->text();
        dialog->reject();
    });
    Grid()->selectRow(0);
    Find<QAction>("HistoryItem1")->trigger();
    EXPECT_EQ(history, QStringList({Ascii("rank 2"), Ascii("rank 1")}));  // newest first
    EXPECT_TRUE(copied.startsWith(Ascii("Time (UTC)\tCheck\tRank\n" + today.toLatin1())))
        << copied.toStdString();
    EXPECT_EQ(copied.count(QLatin1Char('\n')), 3);
    EXPECT_EQ(selected, Ascii("\t\t1\n"));
}

TEST_F(HistoryWindowTest, ColumnComesOnlyWithACheckOfToday) {
    form->Checks().Item("rank")->trigger();  // off again: no check of today
    EXPECT_EQ(Headers(), QStringList({Ascii("Domain"), Ascii("Tic"), Ascii("Status"), Ascii("Yaca")}));
    TForm1 plain(sim.Hosts());  // a window whose program did not enable the store
    plain.UseCheckEndpoints(services.Endpoints());
    plain.Checks().Item("rank")->trigger();
    EXPECT_EQ(FromCp1251(plain.Model()->Cell(plain.Model()->ColCount() - 1, 0)), Ascii("Rank"));
    EXPECT_EQ(plain.findChild<QAction*>(QStringLiteral("HistoryItem1")), nullptr);
}

TEST_F(HistoryWindowTest, FirstCaptureComesFromTheStoreUntilEverythingIsAskedAfresh) {
    form->Checks().Item("rank")->trigger();
    form->Checks().Item("archive")->trigger();
    const int archive = static_cast<int>(Headers().indexOf(Ascii("Archive")));
    ASSERT_GT(archive, 0);
    EnterList(Ascii("site1.test\n"));
    Start();
    const QString first = Cell(archive, 1);
    ASSERT_FALSE(first.isEmpty());
    const std::size_t asked = services.Archive().RequestCount();
    EXPECT_FALSE(Data(archive, 0, Qt::ToolTipRole).isValid());

    Grid()->selectRow(0);
    form->N5Click();
    EXPECT_EQ(services.Archive().RequestCount(), asked);  // "none" or a day: both stand today
    EXPECT_EQ(Cell(archive, 1), first);
    const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
    EXPECT_EQ(Data(archive, 0, Qt::ToolTipRole).toString(), QStringLiteral("из истории, ") + today);

    Find<QAction>("HistoryFresh1")->trigger();
    form->N5Click();
    EXPECT_EQ(services.Archive().RequestCount(), asked + 1);
    EXPECT_FALSE(Data(archive, 0, Qt::ToolTipRole).isValid());
    Find<QAction>("HistoryFresh1")->trigger();  // the setting is remembered: put back
}

// A damaged store is named in the status bar and set aside untouched; the run goes on with a new one.
TEST_F(HistoryWindowTest, ADamagedStoreIsNamedSetAsideAndTheRunGoesOn) {
    const QString path = dir.filePath(QStringLiteral("damaged.sqlite"));
    const QByteArray garbage(8192, 'x');
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    form->EnableHistory(path);
    const QString said = form->statusBar()->currentMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("история была повреждена и отложена: ")))
        << said.toStdString();
    const QString aside = said.mid(said.indexOf(QStringLiteral(": ")) + 2);
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << aside.toStdString();
    EXPECT_EQ(kept.readAll(), garbage);

    EnterList(Ascii("a.test\nb.test\n"));
    Start();
    EXPECT_EQ(Shown(4), QStringList({Ascii("1"), Ascii("2")}));
}

// A kept period in the settings that is no number of days (a settings file edited by hand) is the
// default one: answers younger than a year stay, older ones go, as when nothing was set.
TEST_F(HistoryWindowTest, AKeptPeriodOfNoDaysIsTheDefaultOne) {
    const QString path = dir.filePath(QStringLiteral("kept.sqlite"));
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    history::HistoryStore::Options keepAll;  // (the test's own opening drops nothing)
    keepAll.keptDays = 0;
    for (const QVariant& days : {QVariant(-1), QVariant(0), QVariant(QStringLiteral("many"))}) {
        QFile::remove(path);
        std::string problem;
        auto store = history::HistoryStore::Open(path.toStdString(), now, keepAll, problem);
        ASSERT_TRUE(store) << problem;
        store->Add("a.test", {"rank", {"Rank"}, {"1"}, now - 10 * 86400});
        store->Add("a.test", {"rank", {"Rank"}, {"2"}, now - 400 * 86400});
        store->Flush();
        store.reset();
        QSettings().setValue(QStringLiteral("history/keptDays"), days);
        form->EnableHistory(path);
        form->EnableHistory(dir.filePath(QStringLiteral("other.sqlite")));  // (the first closes, pruned)
        store = history::HistoryStore::Open(path.toStdString(), now, keepAll, problem);
        ASSERT_TRUE(store) << problem;
        const std::vector<history::StoredAnswer> left = store->Answers("a.test");
        ASSERT_EQ(left.size(), 1u) << days.toString().toStdString();
        EXPECT_EQ(left[0].cells, std::vector<std::string>{"1"});
    }
    QSettings().remove(QStringLiteral("history/keptDays"));
}

}  // namespace
}  // namespace vantle::testing
