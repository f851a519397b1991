// Lists from tables, saved results opened again, and the question before unsaved rows are replaced,
// through the real main window against the simulator.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppTitle.h"
#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "io/CsvExport.h"
#include "io/XlsxExport.h"
#include "sim/CheckServices.h"

namespace vantle::testing {
namespace {

const QString kStartQuestion = QStringLiteral("Сохранить результаты?");
const QString kEndQuestion = QStringLiteral("Проверка завершена. Сохранить результаты?");
const QString kSaved = QStringLiteral("Информация сохранена");
const QString kCsvFilter = QStringLiteral("CSV, Windows-1251 (*.csv)");
const QString kUtf8Filter = QStringLiteral("CSV, UTF-8 (*.csv)");
const QString kXlsxFilter = QStringLiteral("Книга Excel (*.xlsx)");

class OpenFilesTest : public MainWindowFixture {
protected:
    QTemporaryDir dir;
    sim::CheckServices services;

    void SetUp() override {
        MainWindowFixture::SetUp();
        form->UseCheckEndpoints(services.Endpoints());
    }
    void Choose(const char* name) { form->Checks().Item(name)->trigger(); }
    QAction* OpenResults() const { return Find<QAction>("OpenResults1"); }
    QString Write(const char* name, const std::string& bytes) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    // The dialog reads its folder on a thread of its own and then selects the file chosen before: what
    // a test types must come after that, however loaded the machine.
    static void WaitForTheFolder(QFileDialog* d) {
        auto* model = d->findChild<QFileSystemModel*>();
        const QString folder = d->directory().absolutePath();
        if (model != nullptr && model->rowCount(model->index(folder)) == 0) {
            bool loaded = false;
            const auto connection = QObject::connect(
                model, &QFileSystemModel::directoryLoaded,
                [&loaded, folder](const QString& path) { loaded = loaded || path == folder; });
            for (int i = 0; i < 500 && !loaded; ++i) {
                QTest::qWait(10);
            }
            QObject::disconnect(connection);
        }
        QTest::qWait(100);
    }
    // Picks path in the next file dialog; the dialog's filters are kept in filters when given, and
    // then is done before the dialog closes (to arm what comes after it).
    static void ChooseInNextFileDialog(const QString& path, QStringList* filters = nullptr,
                                       const std::function<void()>& then = {}) {
        OnNextModal<QFileDialog>([path, filters, then](QFileDialog* d) {
            if (filters != nullptr) {
                *filters = d->nameFilters();
            }
            WaitForTheFolder(d);
            if (then) {
                then();
            }
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }
    // Saves the table through the context menu's save dialog in that format.
    void SaveAs(const QString& filter, const QString& path) {
        OnNextModal<QFileDialog>([filter, path](QFileDialog* d) {
            AnswerNextBox(QMessageBox::Ok);
            WaitForTheFolder(d);
            d->selectNameFilter(filter);
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        form->csv1Click();
    }
    std::vector<std::vector<std::string>> Table() const {
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < RowCount(); ++r) {
            rows.push_back(Model()->Table().RowCells(r));
        }
        return rows;
    }
    QStringList ListLines() const {
        QStringList lines;
        for (int i = 0; i < form->Form2()->LineCount(); ++i) {
            lines << FromCp1251(form->Form2()->Line(i));
        }
        return lines;
    }
};

TEST_F(OpenFilesTest, TheListFileMayBeACsvOrAWorkbook) {
    const std::vector<std::vector<std::string>> sheet = {
        {"Note", "URL"}, {"x", "https://www.a.test/page?q"}, {"", ""}, {"y", "b.test"}};
    const CsvTable table{4, 2, [&sheet](int col, int row) { return sheet[row][col]; }};
    SaveXlsxFile(dir.filePath(Ascii("list.xlsx")).toStdString(), table);
    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"CSV", Write("list.csv", "\"Domain\";\"Note\"\r\n\"www.a.test\";\"x;y\"\r\n\"b.test\";\"\"\r\n")},
        {"a workbook", dir.filePath(Ascii("list.xlsx"))},
        {"a workbook by another name", dir.filePath(Ascii("list.xlsx"))},
    };
    QFile::copy(dir.filePath(Ascii("list.xlsx")), dir.filePath(Ascii("named.txt")));
    for (const auto& c : cases) {
        EnterList(Ascii("old.test\n"));
        QStringList filters;
        ChooseInNextFileDialog(c.path, &filters);
        Button("Button4")->click();
        EXPECT_EQ(ListLines(), (QStringList{Ascii("www.a.test"), Ascii("b.test")})) << c.what;
        EXPECT_EQ(form->PanelText(0), QStringLiteral("Загружено: 2")) << c.what;
        ASSERT_FALSE(filters.isEmpty());
        EXPECT_EQ(filters.front(), QStringLiteral("Списки доменов (*.txt *.csv *.xlsx)"))
            << "every list format in the first filter";
        EXPECT_TRUE(filters.contains(Ascii("txt (*.txt)"))) << "the old filter is kept";
        EXPECT_TRUE(filters.join(u';').contains(Ascii("*.xlsx")));
        EXPECT_TRUE(filters.join(u';').contains(Ascii("*.csv")));
    }
    ChooseInNextFileDialog(dir.filePath(Ascii("named.txt")));
    Button("Button4")->click();
    EXPECT_EQ(ListLines(), (QStringList{Ascii("www.a.test"), Ascii("b.test")})) << "the content decides";
}

TEST_F(OpenFilesTest, ATableWithoutDomainsIsNoListAndChangesNothing) {
    EnterList(Ascii("keep.test\n"));
    ChooseInNextFileDialog(Write("numbers.csv", "a;b\r\n1;2\r\n"));
    auto box = AnswerNextBox(QMessageBox::Ok);
    Button("Button4")->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QStringLiteral("Необходимо составить список доменов"));
    EXPECT_EQ(box->caption, QStringLiteral("Инфо"));
    EXPECT_EQ(ListLines(), QStringList{Ascii("keep.test")});
}

TEST_F(OpenFilesTest, EachSavedFormatOpensAgainWithItsColumnsAndChecks) {
    Choose("bar");
    Choose("dns");
    Find<QCheckBox>("CheckBox2")->click();  // PR
    EnterList(QStringLiteral("a.test\nпример.рф\nb.test\n"));
    Start();
    ASSERT_EQ(RowCount(), 4);
    Model()->SetCell(0, 2, ToCp1251(QStringLiteral("пример.рф")));
    const auto saved = Table();
    const QString kinds[] = {kCsvFilter, kUtf8Filter, kXlsxFilter};
    int n = 0;
    for (const QString& filter : kinds) {
        const QString path = dir.filePath(QStringLiteral("saved%1").arg(++n));
        SaveAs(filter, path);
        const QString file =
            QFile::exists(path) ? path : path + (filter == kXlsxFilter ? Ascii(".xlsx") : Ascii(".csv"));
        ASSERT_TRUE(QFile::exists(file)) << filter.toStdString();
        EnterList(Ascii("other.test\n"));  // a clean table with the bar chosen again below
        Choose("dns");
        ASSERT_FALSE(form->Checks().Chosen("dns"));
        ChooseInNextFileDialog(file);
        OpenResults()->trigger();
        EXPECT_EQ(Table(), saved) << filter.toStdString();
        EXPECT_FALSE(form->Checks().Chosen("bar"));
        EXPECT_TRUE(form->Checks().Chosen("dns"));
        EXPECT_TRUE(form->Checks().Chosen("pr"));
        EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
        EXPECT_TRUE(Grid()->isColumnHidden(1)) << "without the bar its columns stay hidden";
        EXPECT_TRUE(Find<QAction>("csv1")->isEnabled());
        EXPECT_EQ(ListLines(), (QStringList{Ascii("a.test"), QStringLiteral("пример.рф"), Ascii("b.test")}));
        EXPECT_EQ(ResumeLabel()->text(), Ascii("0")) << "Пуск checks the list afresh";
    }
}

TEST_F(OpenFilesTest, AnOpenedTableIsRecheckedAndSavedAgain) {
    form->EnableSafetyNet(dir.filePath(Ascii("state")));
    Choose("bar");
    Choose("dns");
    const QString path = Write("saved.csv",
                               "\"Domain\";\"IP\";\"MX\"\r\n\"a.test\";\"DNS error\";\"DNS error\"\r\n"
                               "\"b.test\";\"1.2.3.4\";\"no\"\r\n");
    ChooseInNextFileDialog(path);
    OpenResults()->trigger();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Cell(4, 1), Ascii("DNS error"));
    // The filter keeps the failed row, Ctrl+A selects it and Ctrl+R checks it again.
    QApplication::setActiveWindow(form.get());
    QTest::keyClicks(Find<QLineEdit>("FilterEdit"), Ascii("IP=\"DNS error\""));
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Grid(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_NE(Cell(4, 1), Ascii("DNS error"));
    EXPECT_EQ(Cell(4, 2), Ascii("1.2.3.4")) << "the row filtered out is left alone";
    Find<QLineEdit>("FilterEdit")->clear();
    const QString again = dir.filePath(Ascii("again.csv"));
    SaveAs(kCsvFilter, again);
    QFile file(again);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::string expected;
    for (const auto& row : Table()) {
        std::vector<std::string> cells = {row[0]};
        cells.insert(cells.end(), row.begin() + 4, row.end());
        expected += CsvLine(cells);
    }
    EXPECT_EQ(file.readAll().toStdString(), expected);
}

TEST_F(OpenFilesTest, AFileThatIsNoSavedTableSaysWhyAndChangesNothing) {
    EnterList(Ascii("keep.test\n"));
    const struct {
        const char* name;
        std::string bytes;
        QString reason;
    } cases[] = {
        {"foo.csv", "\"Domain\";\"Foo\"\r\n\"a.test\";\"1\"\r\n",
         QStringLiteral("неизвестный столбец «Foo»")},
        {"list.txt", "a.test\r\n", QStringLiteral("неизвестный столбец «a.test»")},
        {"nodomain.csv", "\"IP\"\r\n\"1.2.3.4\"\r\n", QStringLiteral("нет столбца «Domain»")},
        {"header.csv", "\"Domain\";\"IP\"\r\n", QStringLiteral("в таблице нет ни одной строки")},
        {"broken.xlsx", "PK\x03\x04 broken", QStringLiteral("это не CSV и не книга Excel")},
    };
    for (const auto& c : cases) {
        ChooseInNextFileDialog(Write(c.name, c.bytes));
        auto box = AnswerNextBox(QMessageBox::Ok);
        OpenResults()->trigger();
        ASSERT_TRUE(box->shown) << c.name;
        EXPECT_EQ(box->text, QStringLiteral("Файл не похож на сохранённую таблицу результатов: ") + c.reason);
        EXPECT_EQ(box->caption, ApplicationTitle());
        EXPECT_EQ(ListLines(), QStringList{Ascii("keep.test")});
        EXPECT_EQ(RowCount(), 2);
        EXPECT_EQ(Cell(0, 1), QString());
    }
}

TEST_F(OpenFilesTest, OpeningIsRefusedWhileARunGoes) {
    EnterList(Lines(Domains(4, [](const sim::SimSite&) { return true; })));
    const auto fileDialogShown = RejectNextFileDialog();
    bool tried = false;
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [&]() {
        if (form->PanelText(0) == QStringLiteral("Всего: 1/4") && !tried) {
            tried = true;
            EXPECT_FALSE(OpenResults()->isEnabled());
            form->OpenResultsClick();
        }
    });
    timer->start(1);
    Start();
    timer->stop();
    EXPECT_TRUE(tried);
    EXPECT_FALSE(*fileDialogShown);
    EXPECT_TRUE(OpenResults()->isEnabled());
    EXPECT_EQ(RowCount(), 5);
}

// The three commands that replace the table ask first about rows that were never saved.
TEST_F(OpenFilesTest, ReplacingUnsavedRowsAsksFirst) {
    form->EnableSafetyNet(dir.filePath(Ascii("state")));
    const QString list = Write("list.txt", "new.test\r\n");
    const QString results =
        Write("results.csv", "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n\"new.test\";\"5\";\"\";\"\"\r\n");
    enum class Command { OpenList, OpenResults, HandOver };
    struct Case {
        const char* what;
        Command command;
        QMessageBox::StandardButton answer;
        bool replaced;
        bool saved;
    };
    const Case cases[] = {
        {"list: Cancel", Command::OpenList, QMessageBox::Cancel, false, false},
        {"list: No", Command::OpenList, QMessageBox::No, true, false},
        {"list: Yes", Command::OpenList, QMessageBox::Yes, true, true},
        {"results: Cancel", Command::OpenResults, QMessageBox::Cancel, false, false},
        {"results: No", Command::OpenResults, QMessageBox::No, true, false},
        {"results: Yes", Command::OpenResults, QMessageBox::Yes, true, true},
        {"hand-over: Cancel", Command::HandOver, QMessageBox::Cancel, false, false},
        {"hand-over: No", Command::HandOver, QMessageBox::No, true, false},
        {"hand-over: Yes", Command::HandOver, QMessageBox::Yes, true, true},
    };
    for (const Case& c : cases) {
        {
            QObject before;  // the rows of the case before are let go
            AnswerByText(&before, {{kEndQuestion, QMessageBox::No}, {kStartQuestion, QMessageBox::No}});
            EnterList(Ascii("old.test\n"));
            Button("Button2")->click();
        }
        ASSERT_EQ(Cell(0, 1), Ascii("old.test")) << c.what;
        QObject scope;
        auto seen = AnswerByText(&scope, {{kStartQuestion, c.answer}, {kSaved, QMessageBox::Ok}});
        const QString saveTo = dir.filePath(QString::fromUtf8(c.what).replace(u':', u'_') + Ascii(".csv"));
        const std::function<void()> thenSave = [saveTo, &c]() {
            if (c.answer == QMessageBox::Yes) {
                ChooseInNextFileDialog(saveTo);  // the save dialog comes after the open dialog
            }
        };
        bool dialogStayed = false;
        if (c.command == Command::OpenList) {
            ChooseInNextFileDialog(list, nullptr, thenSave);
            Button("Button4")->click();
        } else if (c.command == Command::OpenResults) {
            ChooseInNextFileDialog(results, nullptr, thenSave);
            OpenResults()->trigger();
        } else {
            thenSave();
            OnNextModal<TForm2>([&dialogStayed](TForm2* dialog) {
                auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
                memo->setPlainText(QStringLiteral("new.test"));
                dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
                dialogStayed = dialog->isVisible();
                if (dialogStayed) {
                    dialog->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
                }
            });
            Button("Button1")->click();
        }
        EXPECT_EQ(seen->count(kStartQuestion), 1) << c.what;
        EXPECT_EQ(Cell(0, 1), c.replaced && c.command == Command::OpenResults ? Ascii("new.test")
                              : c.replaced                                    ? QString()
                                                                              : Ascii("old.test"))
            << c.what;
        EXPECT_EQ(ListLines(), QStringList{c.replaced ? Ascii("new.test") : Ascii("old.test")}) << c.what;
        EXPECT_EQ(QFile::exists(saveTo), c.saved) << c.what;
        EXPECT_EQ(dialogStayed, c.command == Command::HandOver && !c.replaced) << c.what;
    }
}

}  // namespace
}  // namespace vantle::testing
