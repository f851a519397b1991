// Option columns, the recheck, the context menu with its links, the list import and the CSV export,
// through the real main window against the simulator.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>

#include "app/AppTitle.h"
#include "app/MainWindowFixture.h"
#include "io/CsvExport.h"

namespace vantle::testing {
namespace {

class ColumnsMenuFilesTest : public MainWindowFixture {
protected:
    QTemporaryDir dir;

    QAction* Action(const char* name) const { return Find<QAction>(name); }
    QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
    void SelectRow(int row) {
        QApplication::setActiveWindow(form.get());
        auto* grid = Find<QTableView>("RzStringGrid1");
        grid->setCurrentIndex(Model()->index(row - 1, 0));
        grid->setFocus();
    }
    // Picks path in the next file dialog.
    static void ChooseInNextFileDialog(const QString& path) {
        OnNextModal<QFileDialog>([path](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }
    void RunList(const QString& list) {
        EnterList(list);
        Start();
    }
};

TEST_F(ColumnsMenuFilesTest, SwitchesAddAndRemoveColumnsAsTheTableSays) {
    struct Case {
        std::vector<const char*> before;  // boxes clicked on first, in order
        const char* click;
        QStringList after;  // headers of positions 4 and 5
        int yaPagesCol, prCol;
    };
    const Case cases[] = {
        {{}, "CheckBox1", {"YaPages"}, 4, 0},
        {{}, "CheckBox2", {"PR"}, 0, 4},
        {{"CheckBox1"}, "CheckBox2", {"YaPages", "PR"}, 4, 5},
        {{"CheckBox2"}, "CheckBox1", {"PR", "YaPages"}, 5, 4},
        {{"CheckBox1"}, "CheckBox1", {}, 4, 0},
        {{"CheckBox2"}, "CheckBox2", {}, 0, 4},
        {{"CheckBox1", "CheckBox2"}, "CheckBox1", {"PR"}, 4, 4},
        {{"CheckBox2", "CheckBox1"}, "CheckBox1", {"PR"}, 5, 4},
        {{"CheckBox1", "CheckBox2"}, "CheckBox2", {"YaPages"}, 4, 5},
        {{"CheckBox2", "CheckBox1"}, "CheckBox2", {"YaPages"}, 4, 4},
    };
    for (const auto& c : cases) {
        form = std::make_unique<TForm1>(sim.Hosts());
        for (const char* name : c.before) {
            Box(name)->click();
        }
        Box(c.click)->click();
        const QStringList optional = Headers().mid(4);
        EXPECT_EQ(optional, c.after) << c.click << " after " << c.before.size();
        EXPECT_EQ(form->YaPagesCol(), c.yaPagesCol) << c.click << " after " << c.before.size();
        EXPECT_EQ(form->PRCol(), c.prCol) << c.click << " after " << c.before.size();
    }
}

TEST_F(ColumnsMenuFilesTest, RefusedSwitchPutsItsBoxBack) {
    RunList(Ascii("a.test\n"));
    auto box = AnswerNextBox(QMessageBox::Ok);
    Box("CheckBox1")->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(
        box->text,
        QStringLiteral("Манипуляции со столбцами возможны только с чистой таблицей, перед началом проверки"));
    EXPECT_EQ(box->caption, ApplicationTitle());
    EXPECT_EQ(box->icon, QMessageBox::NoIcon);
    EXPECT_FALSE(Box("CheckBox1")->isChecked());
    EXPECT_EQ(Model()->ColCount(), 4);

    EnterList(Ascii("b.test\n"));  // the hand-over cleans the table: the switch works again
    Box("CheckBox1")->click();
    EXPECT_EQ(Headers().mid(4), QStringList{Ascii("YaPages")});
}

TEST_F(ColumnsMenuFilesTest, RunWithBothOptionsFillsYaPagesAndPR) {
    const auto plain = Domains(
        2, [](const sim::SimSite& s) { return !s.webmasterDown && !s.pagesUnderWww && !s.toolbarDown; });
    const auto www = Domains(1, [](const sim::SimSite& s) { return s.pagesUnderWww && !s.webmasterDown; });
    const auto down = Domains(1, [](const sim::SimSite& s) { return s.webmasterDown && s.toolbarDown; });
    Box("CheckBox1")->click();
    Box("CheckBox2")->click();
    RunList(Lines({plain[0], www[0], down[0], plain[1]}));
    ASSERT_EQ(RowCount(), 5);
    auto site = [](const std::string& n) { return sim::SiteFor(n); };
    EXPECT_EQ(Cell(4, 1), QString::number(site(plain[0]).pages));
    EXPECT_EQ(Cell(5, 1), QString::number(site(plain[0]).pageRank));
    EXPECT_EQ(Cell(4, 2), QString::number(site(www[0]).pages));
    EXPECT_EQ(Cell(4, 3), QString());
    EXPECT_EQ(Cell(5, 3), Ascii("N/A"));
    EXPECT_EQ(Cell(5, 4), QString::number(site(plain[1]).pageRank));
    EXPECT_EQ(sim.Count("/check.xml"), 5);  // one retry under www.
    EXPECT_EQ(sim.Count("/tbr"), 4);
}

TEST_F(ColumnsMenuFilesTest, RecheckRewritesTheSelectedRowInPlace) {
    const auto names = Domains(3, [](const sim::SimSite& s) { return s.tic > 0; });
    RunList(Lines(names));
    Model()->SetCell(1, 2, "999");
    SelectRow(2);
    QTest::keyClick(Find<QTableView>("RzStringGrid1"), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Cell(1, 2), QString::number(sim::SiteFor(names[1]).tic));
    EXPECT_EQ(Cell(0, 2), FromCp1251(names[1]));
    EXPECT_EQ(RowCount(), 4);
    EXPECT_EQ(sim.Count("/u"), 4);
}

TEST_F(ColumnsMenuFilesTest, RowItemsFollowTheSaveItem) {
    SelectRow(1);
    QTest::keyClick(Find<QTableView>("RzStringGrid1"), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(sim.Count("/u"), 0);  // Ctrl+R on an empty table before any run does nothing
    form->PopupMenu1Popup();
    EXPECT_FALSE(Action("N5")->isEnabled());
    EXPECT_FALSE(Action("YandexBar1")->isEnabled());
    EXPECT_FALSE(Find<QMenu>("Whois1")->menuAction()->isVisible());
    EXPECT_FALSE(Action("csv1")->isEnabled());

    RunList(Ascii("a.test\n"));
    EXPECT_TRUE(Action("N5")->isEnabled());
    EXPECT_TRUE(Action("YandexBar1")->isEnabled());
    EXPECT_TRUE(Find<QMenu>("Whois1")->menuAction()->isVisible());
    EXPECT_TRUE(Action("csv1")->isEnabled());

    EnterList(Ascii("b.test\n"));
    EXPECT_FALSE(Action("N5")->isEnabled());
    EXPECT_FALSE(Action("csv1")->isEnabled());
}

TEST_F(ColumnsMenuFilesTest, BrowserLinksCarryTheAsciiForm) {
    RunList(QStringLiteral("site.test\nпример.рф\n"));
    const QString bar = QString::fromStdString(sim.Hosts().bar);
    struct Case {
        int row;
        const char* item;
        QString address;
    };
    const Case cases[] = {
        {1, "YandexBar1", Ascii("http://") + bar + Ascii("/u?ver=2&show=32&url=http://site.test")},
        {2, "YandexBar1",
         Ascii("http://") + bar + Ascii("/u?ver=2&show=32&url=http://xn--e1afmkfd.xn--p1ai")},
        {1, "WhoisItem1", Ascii("https://www.nic.ru/whois/?query=site.test")},
        {2, "WhoisItem1", Ascii("https://www.nic.ru/whois/?query=xn--e1afmkfd.xn--p1ai")},
        {1, "WhoisItem2", Ascii("http://whois.domaintools.com/site.test")},
        {2, "WhoisItem2", Ascii("http://whois.domaintools.com/xn--e1afmkfd.xn--p1ai")},
    };
    for (const auto& c : cases) {
        opened.clear();
        SelectRow(c.row);
        Action(c.item)->trigger();
        ASSERT_EQ(opened.size(), 1u) << c.item;
        EXPECT_EQ(opened[0].toString(), c.address);
    }
    EXPECT_EQ(Action("WhoisItem1")->text(), Ascii("www.nic.ru"));
    EXPECT_EQ(Action("WhoisItem2")->text(), Ascii("whois.domaintools.com"));
}

TEST_F(ColumnsMenuFilesTest, ImportLoadsTheFileAndResetsTheTable) {
    Box("CheckBox1")->click();
    RunList(Ascii("old.test\nolder.test\n"));
    const QString path = dir.filePath(Ascii("list.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a.test\r\nb.test\nc.test\rd.test");
    file.close();
    ChooseInNextFileDialog(path);
    Button("Button4")->click();
    EXPECT_EQ(form->Form2()->LineCount(), 4);
    EXPECT_EQ(form->Form2()->Line(2), "c.test");
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Загружено: 4"));
    EXPECT_EQ(form->PanelText(1), QString());
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(Model()->Table().RowCells(1), std::vector<std::string>(5));
    EXPECT_FALSE(Progress()->isVisible());
    EXPECT_FALSE(Action("csv1")->isEnabled());

    Start();
    EXPECT_EQ(Cell(0, 1), Ascii("a.test"));  // a start after an import begins at the first line
    EXPECT_EQ(RowCount(), 5);
}

TEST_F(ColumnsMenuFilesTest, ImportTellsUtf8FromWindows1251) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const QByteArray utf8 = QStringLiteral("пример.com\r\nb.test\r\n").toUtf8();
    const Case cases[] = {
        {"UTF-8", utf8},
        {"UTF-8 with its mark", QByteArray("\xEF\xBB\xBF") + utf8},
        {"Windows-1251", QByteArray("\xEF\xF0\xE8\xEC\xE5\xF0.com\r\nb.test\r\n")},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromUtf8(c.what) + QStringLiteral(".txt"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        ChooseInNextFileDialog(path);
        Button("Button4")->click();
        ASSERT_EQ(form->Form2()->LineCount(), 2) << c.what;
        EXPECT_EQ(FromCp1251(form->Form2()->Line(0)), QStringLiteral("пример.com")) << c.what;
        EXPECT_EQ(form->Form2()->Line(1), "b.test") << c.what;
    }
}

TEST_F(ColumnsMenuFilesTest, MissingFileShowsTheErrorBoxAndChangesNothing) {
    EnterList(Ascii("keep.test\n"));
    const QString path = dir.filePath(Ascii("missing.txt"));
    ChooseInNextFileDialog(path);
    auto box = AnswerNextBox(QMessageBox::Ok);
    Button("Button4")->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, Ascii("Cannot open file \"") + path + Ascii("\". No such file or directory."));
    EXPECT_EQ(box->caption, ApplicationTitle());
    EXPECT_EQ(form->Form2()->Line(0), "keep.test");
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Загружено: 1"));
}

TEST_F(ColumnsMenuFilesTest, ExportWritesEveryColumnAndSaysSo) {
    Box("CheckBox2")->click();
    Box("CheckBox1")->click();
    RunList(QStringLiteral("site.test\nпример.рф\n"));
    Model()->SetCell(2, 1, "say \"hi\"; ok");
    const QString path = dir.filePath(Ascii("table"));
    ChooseInNextFileDialog(path);
    auto info = AnswerNextBox(QMessageBox::Ok);
    SelectRow(1);
    QTest::keyClick(Find<QTableView>("RzStringGrid1"), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(info->shown);
    EXPECT_EQ(info->text, QStringLiteral("Информация сохранена"));
    EXPECT_EQ(info->caption, QStringLiteral("Инфо"));
    QFile file(path + Ascii(".csv"));  // the chosen format's extension is added
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::string expected;
    for (int r = 0; r < RowCount(); ++r) {
        expected += CsvLine(Model()->Table().RowCells(r));
    }
    EXPECT_EQ(file.readAll().toStdString(), expected);
    EXPECT_EQ(expected.substr(0, 40), "\"Domain\";\"Tic\";\"Status\";\"Yaca\";\"PR\";\"YaP");
    EXPECT_NE(expected.find("\"say \"\"hi\"\"; ok\""), std::string::npos);
    EXPECT_NE(expected.find("\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4"), std::string::npos);
}

TEST_F(ColumnsMenuFilesTest, YesToTheEndQuestionOpensTheSaveDialog) {
    const QString path = dir.filePath(Ascii("run.csv"));
    EnterList(Ascii("a.test\n"));
    std::shared_ptr<SeenBox> info;
    OnNextModal<QFileDialog>([path, &info](QFileDialog* d) {
        info = AnswerNextBox(QMessageBox::Ok);  // "Информация сохранена" comes once the dialog closes
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    auto question = AnswerNextBox(QMessageBox::Yes);
    Button("Button2")->click();
    ASSERT_TRUE(question->shown);
    ASSERT_TRUE(info && info->shown);
    EXPECT_TRUE(QFile::exists(path));
}

}  // namespace
}  // namespace vantle::testing
