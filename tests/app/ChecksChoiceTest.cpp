// The choice of checks through the real main window: the menu, the refusal on a table with results, a
// run without the bar query, every check at once, the recheck and the CSV with the new columns.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "io/CsvExport.h"
#include "sim/CheckServices.h"
#include "sim/TopList.h"

namespace vantle::testing {
namespace {

class ChecksChoiceTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        CheckEndpoints endpoints = services.Endpoints();
        endpoints.checkTimeoutMs = 3000;
        form->UseCheckEndpoints(endpoints);
    }
    QAction* Item(const char* name) const { return form->Checks().Item(name); }
    void Choose(const char* name) { Item(name)->trigger(); }
    // Saves the table through the save dialog under path, answering "Информация сохранена".
    void SaveTo(const QString& path) {
        OnNextModal<QFileDialog>([path](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        AnswerNextBox(QMessageBox::Ok);
        form->csv1Click();
    }
    int Col(const char* header) const { return static_cast<int>(Headers().indexOf(Ascii(header))); }
    sim::CheckServices services;
};

TEST_F(ChecksChoiceTest, ItemsFollowTheOptionBoxesAndLayTheNewColumnsAfterThem) {
    EXPECT_TRUE(Item("bar")->isChecked());
    EXPECT_FALSE(Item("dns")->isChecked());
    Choose("ssl");
    Choose("dns");
    Find<QCheckBox>("CheckBox2")->click();
    EXPECT_TRUE(Item("pr")->isChecked());
    Choose("yapages");
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_EQ(Headers().join(u','), Ascii("Domain,Tic,Status,Yaca,PR,YaPages,IP,MX,SSL"));
    Choose("pr");
    Choose("web");
    EXPECT_EQ(Headers().join(u','), Ascii("Domain,Tic,Status,Yaca,YaPages,IP,MX,HTTP,Mirror,SSL"));
}

// Taking a check away from a checked table (here the bar) is refused; adding one of today's is not
// (ParallelRunWindowTest).
TEST_F(ChecksChoiceTest, ChangeOnATableWithResultsIsRefusedAndTheItemGoesBack) {
    Choose("dns");
    EnterList(Ascii("site.test\n"));
    Start();
    const QStringList before = Headers();
    auto box = AnswerNextBox(QMessageBox::Ok);
    Choose("dns");
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(
        box->text,
        QStringLiteral("Манипуляции со столбцами возможны только с чистой таблицей, перед началом проверки"));
    EXPECT_TRUE(Item("dns")->isChecked());
    EXPECT_EQ(Headers(), before);
}

TEST_F(ChecksChoiceTest, RunWithoutTheBarAsksNoBarAndKeepsEveryDomain) {
    Threshold()->setText(Ascii("50"));
    Choose("bar");
    Choose("dns");
    Choose("web");
    Choose("ssl");
    EXPECT_FALSE(Threshold()->isEnabled());
    EXPECT_EQ(Threshold()->text(), Ascii("50"));
    EnterList(Ascii("site.test\njunk\nshop.example\n"));
    Start();
    EXPECT_EQ(sim.Count("/u"), 0);
    ASSERT_EQ(RowCount(), 3);
    auto* grid = Find<QTableView>("RzStringGrid1");
    EXPECT_TRUE(grid->isColumnHidden(1) && grid->isColumnHidden(2) && grid->isColumnHidden(3));
    for (int row = 1; row <= 2; ++row) {
        EXPECT_EQ(Cell(Col("IP"), row), QString::fromStdString(services.ExpectedIp(Model()->Cell(0, row))));
        EXPECT_FALSE(Cell(Col("HTTP"), row).isEmpty());
        EXPECT_FALSE(Cell(Col("SSL"), row).isEmpty());
    }
    EXPECT_EQ(form->PanelText(1), QString());
}

TEST_F(ChecksChoiceTest, EveryCheckAtOnceThenRecheckAndSave) {
    for (const char* name : {"yapages", "pr", "dns", "web", "ssl"}) {
        Choose(name);
    }
    EnterList(Ascii("site.test\nshop.example\n"));
    Start();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Headers().size(), 11);
    EXPECT_FALSE(Cell(1, 1).isEmpty());
    EXPECT_FALSE(Cell(Col("MX"), 2).isEmpty());

    const QString ip = Cell(Col("IP"), 1);
    Model()->SetCell(Col("IP"), 1, "old");
    auto* grid = Find<QTableView>("RzStringGrid1");
    QApplication::setActiveWindow(form.get());
    grid->setCurrentIndex(Model()->index(0, 0));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Cell(Col("IP"), 1), ip);

    QTemporaryDir dir;
    const QString path = dir.filePath(Ascii("all.csv"));
    SaveTo(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::string expected;
    for (int r = 0; r < RowCount(); ++r) {
        expected += CsvLine(Model()->Table().RowCells(r));
    }
    EXPECT_EQ(file.readAll().toStdString(), expected);
}

TEST_F(ChecksChoiceTest, CsvWithoutTheBarLeavesItsColumnsOut) {
    Choose("bar");
    Choose("dns");
    EnterList(Ascii("site.test\n"));
    Start();
    QTemporaryDir dir;
    const QString path = dir.filePath(Ascii("dns.csv"));
    SaveTo(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string expected =
        CsvLine({"Domain", "IP", "MX"}) +
        CsvLine({"site.test", Model()->Cell(Col("IP"), 1), Model()->Cell(Col("MX"), 1)});
    EXPECT_EQ(file.readAll().toStdString(), expected);
}

TEST_F(ChecksChoiceTest, StopAndResumeWithTheNewColumnsAndAHostileSite) {
    CheckEndpoints endpoints = services.Endpoints();
    endpoints.checkTimeoutMs = 300;
    form->UseCheckEndpoints(endpoints);
    Choose("bar");
    Choose("web");
    const auto names = Domains(4, [](const sim::SimSite&) { return true; });
    services.Web().SetRule(names[1], sim::WebRule::Trickle);
    EnterList(Lines(names));
    // Stopped while the hostile site's row is being checked: the rows after it may be done by then,
    // and the panel may go from 1/4 straight to 3/4 once it has timed out.
    StopWhenPanelReads(QStringLiteral("Всего: 1/4"));
    Start();
    EXPECT_EQ(RowCount(), 2);
    Start();
    ASSERT_EQ(RowCount(), 5);
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)]));
        EXPECT_FALSE(Cell(Col("HTTP"), r).isEmpty());
    }
    EXPECT_EQ(Cell(Col("HTTP"), 2), Ascii("timeout"));
}

TEST_F(ChecksChoiceTest, RegistrationArchiveAndRankRunAndRecheck) {
    for (const char* name : {"registry", "archive", "rank"}) {
        Choose(name);
    }
    EXPECT_EQ(Headers().mid(4).join(u','), Ascii("Created,Expires,Registrar,Archive,Rank"));
    const std::string top = sim::DemoTopDomains().front();
    EnterList(Ascii("site.test\n") + QString::fromStdString(top) + u'\n');
    Start();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_FALSE(Cell(Col("Created"), 1).isEmpty());
    EXPECT_EQ(Cell(Col("Archive"), 1),
              QString::fromStdString(sim::ArchiveServer::DefaultDay("site.test").empty()
                                         ? std::string("none")
                                         : sim::ArchiveServer::DefaultDay("site.test")));
    EXPECT_EQ(Cell(Col("Rank"), 2), Ascii("1"));
    EXPECT_EQ(Cell(Col("Rank"), 1), QString());

    Model()->SetCell(Col("Rank"), 2, "old");
    QApplication::setActiveWindow(form.get());
    auto* grid = Find<QTableView>("RzStringGrid1");
    grid->setCurrentIndex(Model()->index(1, 0));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Cell(Col("Rank"), 2), Ascii("1"));

    QTemporaryDir dir;
    const QString path = dir.filePath(Ascii("registry.csv"));
    SaveTo(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(
        saved.startsWith("\"Domain\";\"Tic\";\"Status\";\"Yaca\";\"Created\";\"Expires\";\"Registrar\";"
                         "\"Archive\";\"Rank\"\r\n"));
    EXPECT_EQ(saved.toStdString(), CsvLine(Model()->Table().RowCells(0)) +
                                       CsvLine(Model()->Table().RowCells(1)) +
                                       CsvLine(Model()->Table().RowCells(2)));
}

TEST_F(ChecksChoiceTest, TopListFileIsAskedForOnceAndRemembered) {
    CheckEndpoints endpoints = services.Endpoints();
    endpoints.topListFile.clear();
    form->UseCheckEndpoints(endpoints);
    const QString file = QString::fromStdString(services.TopListFile());
    OnNextModal<QFileDialog>([file](QFileDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(file);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Choose("rank");
    TForm1 next(sim.Hosts());
    next.UseCheckEndpoints(endpoints);
    next.Checks().Item("rank")->trigger();  // no dialog now: the file is remembered
    next.Form2()->SetListText(sim::DemoTopDomains().front() + "\n");
    next.HandOver(1);
    auto end = AnswerNextBox(QMessageBox::No);
    next.Button2Click();
    EXPECT_EQ(FromCp1251(next.Model()->Cell(4, 1)), Ascii("1"));
}

// Typed in the entry dialog, a name beyond Windows-1251 is shown as typed and checked in its IDNA form; a
// name with an empty label is no request at all.
TEST_F(ChecksChoiceTest, NameBeyondWindows1251IsShownAsTypedAndCheckedInIdnaForm) {
    Choose("bar");
    Choose("dns");
    OnNextModal<TForm2>([](TForm2* dialog) {
        auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        for (const QChar ch : QStringLiteral("münchen.de\nпример..рф")) {
            if (ch == QLatin1Char('\n')) {
                QTest::keyClick(memo, Qt::Key_Return);
            } else {
                QTest::sendKeyEvent(QTest::Click, memo, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            }
        }
        dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
    Button("Button1")->click();
    QApplication::setActiveWindow(form.get());
    Start();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Shown(0).mid(0, 2), QStringList({QStringLiteral("münchen.de"), QStringLiteral("пример..рф")}));
    const std::string ip = services.ExpectedIp("xn--mnchen-3ya.de");
    EXPECT_NE(ip, "bad name");
    EXPECT_EQ(Cell(Col("IP"), 1), QString::fromStdString(ip));
    EXPECT_EQ(Cell(Col("IP"), 2), Ascii("bad name"));
    EXPECT_EQ(Cell(Col("MX"), 2), Ascii("bad name"));

    Find<QLineEdit>("FilterEdit")->setText(QStringLiteral("MÜN"));  // the filter keeps the letter too
    EXPECT_EQ(Shown(0), QStringList({QStringLiteral("münchen.de")}));
}

}  // namespace
}  // namespace vantle::testing
