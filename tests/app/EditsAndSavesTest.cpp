// What the user gives is not lost: a save asks before it replaces a file and says what a filter left
// out, the save dialog keeps its folder and format, a cell typed over can be taken back and says it
// was changed by hand (also after a restore), and the status bar and the filter say what is going on.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/ChecksMenu.h"
#include "app/GridDelegate.h"
#include "app/MainWindowFixture.h"
#include "io/Journal.h"

namespace vantle::testing {
namespace {

const QStringList kHeaders = {Ascii("Domain"), Ascii("Tic"), Ascii("Status"), Ascii("Yaca"),
                              Ascii("Expires")};

class EditsAndSavesTest : public MainWindowFixture {
protected:
    QTemporaryDir dir;

    QString Path(const char* name) const { return dir.filePath(Ascii(name)); }
    QLineEdit* FilterBox() const { return Find<QLineEdit>("FilterEdit"); }
    // Ten rows a.test .. j.test, Tic 0..9, Expires a day apart from 2027-01-01 on.
    void FillTen() {
        std::vector<QStringList> rows;
        for (int i = 0; i < 10; ++i) {
            rows.push_back({QString(QChar(u'a' + i)) + Ascii(".test"), QString::number(i), Ascii("OK"),
                            QString(), QStringLiteral("2027-01-%1").arg(i + 1, 2, 10, QLatin1Char('0'))});
        }
        Fill(kHeaders, rows);
    }
    // Answers every box until the scope ends: Yes where there is one (the replace question, as given),
    // else Ok; the texts seen, in turn.
    std::shared_ptr<QStringList> AnswerBoxes(QMessageBox::StandardButton replace) {
        auto seen = std::make_shared<QStringList>();
        auto* timer = new QTimer(AnswerScope());
        QObject::connect(timer, &QTimer::timeout, [seen, replace]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                *seen << box->text();
                box->button(box->button(QMessageBox::Yes) != nullptr ? replace : QMessageBox::Ok)->click();
            }
        });
        timer->start(10);
        return seen;
    }
    // The save dialog: what it started with, then the name typed and Enter (or a cancel when empty).
    struct DialogStart {
        QString folder;
        QString name;
        QString filter;
        int shown = 0;
    };
    std::shared_ptr<DialogStart> SaveTyping(const QString& name, const QString& filter = QString()) {
        auto start = std::make_shared<DialogStart>();
        OnNextModal<QFileDialog>([start, name, filter](QFileDialog* d) {
            ++start->shown;
            start->folder = d->directory().absolutePath();
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            start->name = edit->text();
            start->filter = d->selectedNameFilter();
            if (!filter.isEmpty()) {
                d->selectNameFilter(filter);
            }
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        form->csv1Click();
        return start;
    }
    // A run of a.test .. j.test: a table the save takes.
    void RunTen() {
        QString list;
        for (int i = 0; i < 10; ++i) {
            list += QString(QChar(u'a' + i)) + Ascii(".test\n");
        }
        EnterList(list);
        Start();
        ASSERT_EQ(RowCount(), 11);
    }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Type(int row, int col, const char* text) {
        QApplication::setActiveWindow(form.get());
        Grid()->setFocus();
        Grid()->setCurrentIndex(Grid()->model()->index(row - 1, col));
        QTest::keyClicks(Grid(), Ascii(text));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
};

TEST_F(EditsAndSavesTest, ASaveAsksBeforeReplacingAFileAndKeepsItsFolderAndFormat) {
    RunTen();
    auto boxes = AnswerBoxes(QMessageBox::No);
    // A name without an extension gets the chosen format's, the Windows-1251 CSV's too.
    auto first = SaveTyping(Path("run1"));
    EXPECT_EQ(first->filter, QStringLiteral("CSV, Windows-1251 (*.csv)"));
    EXPECT_EQ(first->name, QString());
    ASSERT_TRUE(QFile::exists(Path("run1.csv")));
    EXPECT_EQ(*boxes, QStringList({QStringLiteral("Информация сохранена")}));
    const QByteArray saved = Bytes(Path("run1.csv"));

    // The same name again: the question, No goes back to the dialog, which is then cancelled.
    boxes->clear();
    Model()->SetCell(1, 1, "99");
    OnNextModal<QFileDialog>([](QFileDialog* d) {
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("run1"));
        QTest::keyClick(d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")), Qt::Key_Return);
        OnNextModal<QFileDialog>([](QFileDialog* again) { again->reject(); });
    });
    form->csv1Click();
    EXPECT_EQ(*boxes, QStringList({QStringLiteral("Файл «run1.csv» уже существует. Заменить его?")}));
    EXPECT_EQ(Bytes(Path("run1.csv")), saved) << "No keeps the file";

    // Yes replaces it; the dialog opened in the folder saved to last, with an empty name.
    delete AnswerScope();
    AnswerScope() = new QObject();
    boxes = AnswerBoxes(QMessageBox::Yes);
    auto third = SaveTyping(Path("run1.csv"));
    EXPECT_EQ(third->folder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(third->name, QString());
    EXPECT_NE(Bytes(Path("run1.csv")), saved);
    EXPECT_EQ(boxes->size(), 2);

    // The workbook chosen once is where the next save starts, and its name gets ".xlsx".
    SaveTyping(Path("run2"), QStringLiteral("Книга Excel (*.xlsx)"));
    EXPECT_TRUE(Bytes(Path("run2.xlsx")).startsWith("PK"));
    auto fourth = SaveTyping(Path("run3"));
    EXPECT_EQ(fourth->filter, QStringLiteral("Книга Excel (*.xlsx)"));
    EXPECT_TRUE(QFile::exists(Path("run3.xlsx")));
}

TEST_F(EditsAndSavesTest, ASaveOfFilteredRowsSaysHowManyItWroteOfHowMany) {
    RunTen();
    auto boxes = AnswerBoxes(QMessageBox::Yes);
    struct Case {
        const char* filter;
        QString said;
    };
    const Case cases[] = {
        {"Domain<b", QStringLiteral("Сохранена 1 строка из 10: остальные скрыты фильтром")},
        {"Domain<c", QStringLiteral("Сохранено 2 строки из 10: остальные скрыты фильтром")},
        {"Domain<f", QStringLiteral("Сохранено 5 строк из 10: остальные скрыты фильтром")},
        {"Domain<k", QStringLiteral("Информация сохранена")},
    };
    for (const Case& c : cases) {
        FilterBox()->setText(Ascii(c.filter));
        boxes->clear();
        SaveTyping(Path("f.csv"));
        EXPECT_EQ(boxes->value(boxes->size() - 1), c.said) << c.filter;
    }
}

TEST_F(EditsAndSavesTest, CtrlZTakesBackCellEditsOneByOneAndTheMarkGoesWithThem) {
    FillTen();
    Type(5, 4, "h");
    Type(5, 1, "77");
    Type(2, 1, "5");
    EXPECT_EQ(Cell(4, 5), Ascii("h"));
    const QModelIndex edited = Model()->index(4, 4);
    EXPECT_EQ(edited.data(Qt::ToolTipRole).toString(), QStringLiteral("Изменено вручную"));
    EXPECT_TRUE(edited.data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(Model()->index(5, 4).data(Qt::ToolTipRole).isValid());

    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(1, 2), Ascii("1"));
    QTest::keyClick(Grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(1, 5), Ascii("4"));
    EXPECT_EQ(Cell(4, 5), Ascii("h")) << "one step at a time";
    QTest::keyClick(Grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(4, 5), Ascii("2027-01-05"));
    EXPECT_FALSE(Model()->index(4, 4).data(Qt::ToolTipRole).isValid()) << "undone: no longer changed by hand";
    EXPECT_FALSE(Find<QAction>("UndoEdit")->isEnabled());

    // An answer written over an edited cell is the check's again, and an undo leaves it alone.
    Type(3, 1, "50");
    Model()->SetCell(1, 3, "8");
    EXPECT_FALSE(Model()->index(2, 1).data(Qt::ToolTipRole).isValid());
    QTest::keyClick(Grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(1, 3), Ascii("8"));
}

TEST_F(EditsAndSavesTest, AnEditIsJournaledAsAnEditAndComesBackTintedAfterARestore) {
    QTemporaryDir state;
    form->EnableSafetyNet(state.path());
    EnterList(Ascii("a.test\nb.test\n"));
    Start();
    ASSERT_EQ(RowCount(), 3);
    const QString tic = Cell(1, 2);
    // What the cell editor hands over as it closes (typing is the test above).
    ASSERT_TRUE(Grid()->model()->setData(Grid()->model()->index(1, 1), Ascii("12345")));
    ASSERT_EQ(Cell(1, 2), Ascii("12345"));
    // The journal is written in group commits off the window's thread: the edit is on disk soon.
    const auto editedOnDisk = [&] {
        const auto journal = ReadJournal(state.path().toStdString());
        return journal.has_value() ? journal->edited : std::set<std::pair<int, int>>{};
    };
    QTRY_COMPARE_WITH_TIMEOUT(editedOnDisk(), (std::set<std::pair<int, int>>{{2, 1}}), 5000);

    form.reset();  // ended without a save: its slot is free again
    TForm1 next(sim.Hosts());
    next.EnableSafetyNet(state.path());
    AnswerNextBox(QMessageBox::Yes);
    ASSERT_TRUE(next.OfferRecovery());
    EXPECT_EQ(FromCp1251(next.Model()->Cell(1, 2)), Ascii("12345"));
    EXPECT_EQ(next.Model()->index(1, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("Изменено вручную"));
    EXPECT_FALSE(next.Model()->index(0, 1).data(Qt::ToolTipRole).isValid());
    EXPECT_NE(tic, Ascii("12345"));
}

// The editor hands its text over as the grid goes, after the journal has gone: that must reach no
// journal (it was a write through a freed one, to a path of garbage; the sanitizer pass sees it).
TEST_F(EditsAndSavesTest, AnEditorStillOpenAsTheWindowGoesWritesNoJournal) {
    QTemporaryDir state;
    form->EnableSafetyNet(state.path());
    FillTen();
    Grid()->setFocus();
    Grid()->setCurrentIndex(Grid()->model()->index(1, 1));
    QTest::keyClicks(Grid(), Ascii("7"));
    ASSERT_NE(Grid()->viewport()->findChild<QLineEdit*>(), nullptr) << "the editor is open";
    form.reset();
    EXPECT_FALSE(QFile::exists(state.filePath(Ascii("journal"))));
}

TEST_F(EditsAndSavesTest, TheRealProgramSaysTheOldServicesAreClosedUntilTheChecksChange) {
    form->TellRetiredServices();
    auto* hint = form->findChild<QLabel*>(QStringLiteral("RetiredHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("Службы бара Яндекса и PageRank закрыты; проверки, которые "
                                           "работают сегодня, — в меню «Проверки»"));
    form->Checks().Item("dns")->trigger();
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("RetiredHint")), nullptr) << "a change of checks";
    form->Checks().Item("bar")->trigger();
    form->TellRetiredServices();
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("RetiredHint")), nullptr) << "no old service chosen";
    form->Checks().Item("bar")->trigger();
    form->TellRetiredServices();
    ASSERT_NE(form->findChild<QLabel*>(QStringLiteral("RetiredHint")), nullptr);
    Start();  // no list: the run is asked for all the same
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("RetiredHint")), nullptr) << "the first run";
}

TEST_F(EditsAndSavesTest, TheFilterCountsFromTodayNamesHiddenColumnsAndFollowsNewRows) {
    form->Checks().Item("bar")->trigger();  // on the clean table: the bar's columns hidden
    FilterBox()->setText(Ascii("Tic >= 5"));
    auto* error = Find<QLabel>("FilterError");
    EXPECT_TRUE(error->isVisible());
    EXPECT_EQ(error->text(), QStringLiteral("столбца «Tic» нет в этой таблице: его проверка не выбрана"));
    form->Checks().Item("bar")->trigger();
    EXPECT_FALSE(error->isVisible()) << "shown again, the column is named rightly";
    FilterBox()->clear();

    FillTen();
    Model()->SetToday([] { return QDate(2026, 12, 29); });
    FilterBox()->setText(Ascii("Expires<today+5"));  // before 2027-01-03
    EXPECT_EQ(Shown(0), QStringList({Ascii("a.test"), Ascii("b.test")}));
    FilterBox()->setText(QStringLiteral("Expires>=сегодня+10"));  // from 2027-01-08
    EXPECT_EQ(Shown(0), QStringList({Ascii("h.test"), Ascii("i.test"), Ascii("j.test")}));
    auto* count = Find<QLabel>("FilterCount");
    EXPECT_EQ(count->text(), QStringLiteral("Показано: 3 из 10"));
    // A row that arrives hidden still counts.
    Model()->SetCell(0, 11, "k.test");
    Model()->SetCell(4, 11, "2026-01-01");
    Model()->SetRowCount(12);
    EXPECT_EQ(count->text(), QStringLiteral("Показано: 3 из 11"));
}

TEST_F(EditsAndSavesTest, ShiftF10OpensTheTablesMenuAndCtrlShiftOOpensResults) {
    FillTen();
    auto* popup = Find<QMenu>("PopupMenu1");
    bool shown = false;
    QTimer::singleShot(200, [popup, &shown]() {
        shown = popup->isVisible();
        popup->close();
    });
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(shown);

    const auto dialog = RejectNextFileDialog();
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(*dialog);
}

TEST_F(EditsAndSavesTest, TabGoesLeftToRightAlongTheBottomRowWithManyInFlight) {
    form->Checks().Item("bar")->trigger();
    form->Checks().Item("dns")->trigger();
    ASSERT_TRUE(Find<QSpinBox>("SpinEdit1")->isVisible());
    Find<QLineEdit>("FilterEdit")->setFocus();
    const char* expected[] = {"RzStringGrid1", "SpinEdit1", "ChecksButton", "Button1"};
    for (const char* name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(name));
    }
}

TEST_F(EditsAndSavesTest, AnOpenedTableShowsItsColumnsWholeAndNoBarTotalsWithoutTheBar) {
    const std::string header =
        "\"Domain\";\"IP\";\"MX\";\"HTTP\";\"Mirror\";\"SSL\";\"Created\";\"Expires\";"
        "\"Registrar\";\"Archive\";\"Rank\"\r\n";
    const std::string row =
        "\"a.test\";\"1.2.3.4\";\"yes\";\"no address\";\"\";\"no address\";"
        "\"rate limited\";\"rate limited\";\"x\";\"none\";\"\"\r\n";
    const QString path = Path("eleven.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((header + row).c_str());
    file.close();
    const int narrow = form->width();
    OnNextModal<QFileDialog>([path](QFileDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Find<QAction>("OpenResults1")->trigger();
    ASSERT_EQ(Model()->ColCount(), 14);
    EXPECT_GT(form->width(), narrow) << "the window grows for the table's columns";
    EXPECT_EQ(form->PanelText(1), QString()) << "no bar totals without the bar's columns";
    for (int c = 4; c < Model()->ColCount(); ++c) {
        const QString text = Cell(c, 1);
        EXPECT_FALSE(GridDelegate::CutShort(text, Grid()->fontMetrics(), Grid()->columnWidth(c), Grid()))
            << Cell(c, 0).toStdString() << ": " << text.toStdString();
    }
}

TEST_F(EditsAndSavesTest, SettingsAreWrittenAsTheyChangeAndASecondWindowOpensAside) {
    Combo()->setCurrentIndex(4);
    QTest::qWait(800);
    EXPECT_EQ(QSettings().value(QStringLiteral("rate")).toString(), Ascii("5")) << "without a close";

    QTemporaryDir state;
    form->EnableSafetyNet(state.path());
    TForm1 second(sim.Hosts());
    second.move(form->pos());
    second.EnableSafetyNet(state.path());
    EXPECT_EQ(second.pos() - form->pos(), QPoint(32, 32));
}

}  // namespace
}  // namespace vantle::testing
