// Nothing lost: the journal restored after the program was killed, a journal that cannot be written,
// the close question, the export formats, and Qt's own texts in Russian.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <fstream>
#include <map>
#include <thread>

#include "app/MainWindowFixture.h"
#include "app/Translations.h"
#include "io/Journal.h"
#include "sim/CheckServices.h"
#include "text/Plural.h"

namespace vantle::testing {
namespace {

int JournalRows(const QString& dir) {
    std::ifstream in((dir + QStringLiteral("/journal")).toStdString());
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        rows += line.rfind("{\"cells\"", 0) == 0 ? 1 : 0;
    }
    return rows;
}

class SafetyNetTest : public MainWindowFixture {
protected:
    QTemporaryDir state;
    // Picks the format and the name in the next save dialog, and answers "Информация сохранена".
    void SaveAs(const QString& filter, const QString& path) {
        OnNextModal<QFileDialog>([filter, path](QFileDialog* d) {
            AnswerNextBox(QMessageBox::Ok);
            d->selectNameFilter(filter);
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }
    // Saves through the dialog with that format and name; what the box after it said.
    std::shared_ptr<SeenBox> SaveSeen(const QString& filter, const QString& path) {
        OnNextModal<QFileDialog>([filter, path](QFileDialog* d) {
            d->selectNameFilter(filter);
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        auto box = AnswerNextBox(QMessageBox::Ok);
        form->csv1Click();
        return box;
    }
    // Hands a new list over, letting go of the rows of the case before (the hand-over asks about them).
    void LetGoAndEnter(const QString& list) {
        QObject scope;
        AnswerByText(&scope, {{QStringLiteral("Сохранить результаты?"), QMessageBox::No}});
        EnterList(list);
    }
    QByteArray Head(const QString& path, int bytes) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
    }
};

TEST_F(SafetyNetTest, KilledRunIsRestoredWithItsTotalsAndGoesOnWithTheNextLine) {
    const int lines = 12;
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(JOURNAL_CHILD, JOURNAL_CHILD, state.path().toLocal8Bit().constData(), "12", nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    ASSERT_TRUE(
        sim::TestServer::waitFor([&] { return JournalRows(state.path()) >= 4; }, std::chrono::seconds(20)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const int kept = JournalRows(state.path());

    form->EnableSafetyNet(state.path());
    auto offer = AnswerNextBox(QMessageBox::Yes);
    ASSERT_TRUE(form->OfferRecovery());
    EXPECT_EQ(offer->text, QStringLiteral("Восстановить результаты прошлой проверки (%1)?")
                               .arg(QString::fromStdU16String(RowsCount(static_cast<long long>(kept)))));
    ASSERT_EQ(RowCount(), kept + 1);
    for (int r = 1; r <= kept; ++r) {
        EXPECT_EQ(Cell(0, r), QStringLiteral("d%1.test").arg(r));
        EXPECT_EQ(Cell(1, r).toInt(), sim::SiteFor("d" + std::to_string(r) + ".test").tic);
    }
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));
    EXPECT_FALSE(ReadJournal(state.path().toStdString())->done) << "restored rows stay journaled";
    const QString restoredTotals = form->PanelText(1);
    EXPECT_FALSE(restoredTotals.isEmpty());

    Start();
    ASSERT_EQ(RowCount(), lines + 1);
    EXPECT_EQ(sim.Count("/u"), lines - kept) << "the run goes on with the line after the last row";
    EXPECT_EQ(Cell(0, lines), QStringLiteral("d12.test"));
}

// Many domains in flight: the journal holds rows in list order only, so what a kill leaves is the list's
// first lines, and the next "Пуск" goes on after them.
TEST_F(SafetyNetTest, KilledParallelRunIsRestoredInListOrderAndGoesOn) {
    const int lines = 40;
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(JOURNAL_CHILD, JOURNAL_CHILD, state.path().toLocal8Bit().constData(), "40", "parallel",
                nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    ASSERT_TRUE(
        sim::TestServer::waitFor([&] { return JournalRows(state.path()) >= 6; }, std::chrono::seconds(20)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const int kept = JournalRows(state.path());
    ASSERT_LT(kept, lines) << "killed during the run";

    sim::CheckServices services;
    form->UseCheckEndpoints(services.Endpoints());
    form->EnableSafetyNet(state.path());
    AnswerNextBox(QMessageBox::Yes);
    ASSERT_TRUE(form->OfferRecovery());
    ASSERT_EQ(RowCount(), kept + 1);
    EXPECT_EQ(Headers().mid(4).join(u','), Ascii("IP,MX"));
    for (int r = 1; r <= kept; ++r) {
        EXPECT_EQ(Cell(0, r), QStringLiteral("d%1.test").arg(r));
    }
    Start();
    ASSERT_EQ(RowCount(), lines + 1);
    for (int r = 1; r <= lines; ++r) {
        EXPECT_EQ(Cell(0, r), QStringLiteral("d%1.test").arg(r));
        EXPECT_FALSE(Cell(4, r).isEmpty()) << r;
    }
}

TEST_F(SafetyNetTest, JournalThatCannotBeWrittenNeverStopsTheRun) {
    QFile(state.filePath(Ascii("file"))).open(QIODevice::WriteOnly);
    form->EnableSafetyNet(state.filePath(Ascii("file/state")));
    EnterList(Ascii("a.test\nb.test\n"));
    Start();
    EXPECT_EQ(RowCount(), 3);
    EXPECT_TRUE(
        form->statusBar()->currentMessage().startsWith(QStringLiteral("Журнал проверки не записывается")));
}

TEST_F(SafetyNetTest, CloseQuestionAfterAndDuringARun) {
    form->EnableSafetyNet(state.path());
    EnterList(Ascii("a.test\nb.test\nc.test\n"));
    Start();

    auto cancel = AnswerNextBox(QMessageBox::Cancel);
    form->close();
    EXPECT_EQ(cancel->text, QStringLiteral("Сохранить результаты?"));
    EXPECT_TRUE(form->isVisible()) << "Cancel keeps the window";

    const QString path = state.filePath(Ascii("closing.csv"));
    SaveAs(QStringLiteral("CSV, Windows-1251 (*.csv)"), path);
    AnswerNextBox(QMessageBox::Yes);  // the question
    form->close();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ReadJournal(state.path().toStdString())->done);
}

TEST_F(SafetyNetTest, NoToTheCloseQuestionDuringARunStopsItAndCloses) {
    form->EnableSafetyNet(state.path());
    const auto names = Domains(6, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    auto no = AnswerNextBox(QMessageBox::No);
    QTimer::singleShot(250, form.get(), [this] { form->close(); });
    Button("Button2")->click();
    EXPECT_TRUE(no->shown);
    EXPECT_LT(RowCount() - 1, 6);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ReadJournal(state.path().toStdString())->done) << "No lets the rows go";
}

TEST_F(SafetyNetTest, CancelToTheCloseQuestionDuringARunLetsItGoOn) {
    form->EnableSafetyNet(state.path());
    const auto names = Domains(4, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    auto cancel = AnswerNextBox(QMessageBox::Cancel);
    QTimer::singleShot(150, form.get(), [this] { form->close(); });
    Start();
    EXPECT_TRUE(cancel->shown);
    EXPECT_EQ(RowCount(), 5) << "the run went through to the end";
    EXPECT_TRUE(form->isVisible());
}

TEST_F(SafetyNetTest, Utf8AndWorkbookFormatsGetTheirExtension) {
    EnterList(Ascii("site.test\n"));
    Start();
    SaveAs(QStringLiteral("CSV, UTF-8 (*.csv)"), state.filePath(Ascii("u")));
    form->csv1Click();
    QFile utf8(state.filePath(Ascii("u.csv")));
    ASSERT_TRUE(utf8.open(QIODevice::ReadOnly));
    EXPECT_TRUE(utf8.readAll().startsWith("\xEF\xBB\xBF\"Domain\";\"Tic\""));

    SaveAs(QStringLiteral("Книга Excel (*.xlsx)"), state.filePath(Ascii("w")));
    form->csv1Click();
    QFile book(state.filePath(Ascii("w.xlsx")));
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    EXPECT_TRUE(book.read(2) == "PK");
}

TEST_F(SafetyNetTest, TypedExtensionPicksTheFormatAndAFailedWorkbookSaysSo) {
    EnterList(Ascii("site.test\n"));
    Start();
    const QString csv = QStringLiteral("CSV, Windows-1251 (*.csv)");
    const QString xlsx = QStringLiteral("Книга Excel (*.xlsx)");
    struct Case {
        QString filter;
        const char* name;
        QByteArray head;
    };
    const Case cases[] = {
        {csv, "a.xlsx", "PK"},
        {csv, "b.csv", "\"Domain\""},
        {xlsx, "c.csv", "\"Domain\""},
        {xlsx, "d.xlsx", "PK"},
    };
    for (const Case& c : cases) {
        const QString path = state.filePath(Ascii(c.name));
        const auto box = SaveSeen(c.filter, path);
        EXPECT_EQ(box->text, QStringLiteral("Информация сохранена")) << c.name;
        EXPECT_EQ(Head(path, c.head.size()), c.head) << c.name;
    }
    const QString missing = state.filePath(Ascii("no-such-folder/e.xlsx"));
    const auto box = SaveSeen(csv, missing);
    EXPECT_TRUE(box->shown);
    EXPECT_TRUE(
        box->text.startsWith(QStringLiteral("Cannot create file \"") + missing + QStringLiteral("\".")))
        << box->text.toStdString();
    EXPECT_EQ(box->icon, QMessageBox::Critical);

    // A cell longer than a sheet's cell holds: the save fails and says so, no cell is left out quietly.
    Model()->SetCell(2, 1, std::string(40000, 'x'));
    const QString tooLong = state.filePath(Ascii("f.xlsx"));
    const auto failed = SaveSeen(csv, tooLong);
    EXPECT_TRUE(
        failed->text.startsWith(QStringLiteral("Cannot create file \"") + tooLong + QStringLiteral("\".")))
        << failed->text.toStdString();
    EXPECT_EQ(failed->icon, QMessageBox::Critical);
}

TEST_F(SafetyNetTest, EndQuestionSpeaksRussianAndAnswersToItsKey) {
    ASSERT_TRUE(InstallRussianQtTexts(*qApp));
    EnterList(Ascii("site.test\n"));
    QStringList buttons;
    OnNextModal<QMessageBox>([&buttons](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text();
        }
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key(0x0414), QStringLiteral("д"), Qt::NoModifier);
    });
    SaveAs(QStringLiteral("CSV, Windows-1251 (*.csv)"), state.filePath(Ascii("yes.csv")));
    Button("Button2")->click();
    EXPECT_TRUE(buttons.contains(QStringLiteral("&Да")) && buttons.contains(QStringLiteral("&Нет")))
        << buttons.join(u',').toStdString();
    EXPECT_TRUE(QFile::exists(state.filePath(Ascii("yes.csv")))) << "Д answered Yes";
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

const QString kStartQuestion = QStringLiteral("Сохранить результаты?");
const QString kEndQuestion = QStringLiteral("Проверка завершена. Сохранить результаты?");
const QString kSaved = QStringLiteral("Информация сохранена");

TEST_F(SafetyNetTest, StartOverUnsavedRowsAsksFirst) {
    form->EnableSafetyNet(state.path());
    struct Case {
        const char* what;
        QMessageBox::StandardButton answer;
        bool dialogSaves;  // the save dialog, if it comes, is answered with a name, else cancelled
        bool starts;
        bool saved;
    };
    const Case cases[] = {
        {"Yes saves, then starts", QMessageBox::Yes, true, true, true},
        {"Yes with the save cancelled starts nothing", QMessageBox::Yes, false, false, false},
        {"No starts, the rows let go", QMessageBox::No, true, true, false},
        {"Cancel changes nothing", QMessageBox::Cancel, true, false, false},
    };
    for (const Case& c : cases) {
        LetGoAndEnter(Ascii("a.test\nb.test\n"));
        QObject scope;
        auto seen = AnswerByText(
            &scope, {{kEndQuestion, QMessageBox::No}, {kStartQuestion, c.answer}, {kSaved, QMessageBox::Ok}});
        const QString path = state.filePath(QString::fromUtf8(c.what) + QStringLiteral(".csv"));
        Button("Button2")->click();
        const int before = sim.Count("/u");
        Model()->SetCell(1, 2, "mark");  // a fresh run writes its own cell here
        if (c.answer == QMessageBox::Yes) {
            OnNextModal<QFileDialog>([&c, path](QFileDialog* d) {
                if (!c.dialogSaves) {
                    d->reject();
                    return;
                }
                auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                edit->setText(path);
                QTest::keyClick(edit, Qt::Key_Return);
            });
        }
        Button("Button2")->click();

        EXPECT_EQ(seen->count(kStartQuestion), 1) << c.what;
        EXPECT_EQ(sim.Count("/u") - before, c.starts ? 2 : 0) << c.what;
        EXPECT_EQ(RowCount(), 3) << c.what;
        EXPECT_EQ(Cell(1, 2) == Ascii("mark"), !c.starts) << c.what;
        EXPECT_EQ(QFile::exists(path), c.saved) << c.what;
        if (c.saved) {
            EXPECT_TRUE(Head(path, 1000).contains("mark")) << "the rows before the run were saved";
        }
    }
}

TEST_F(SafetyNetTest, StartAsksNothingWhenNoRowWouldBeLost) {
    form->EnableSafetyNet(state.path());
    struct Case {
        const char* what;
        bool stopped;  // the first run was stopped halfway, and the start goes on with it
        bool saved;    // the table was saved after the first run
        int checked;   // domains the second start checks
    };
    const Case cases[] = {
        {"a stopped run goes on", true, false, 2},
        {"a saved table", false, true, 4},
    };
    for (const Case& c : cases) {
        LetGoAndEnter(Lines(Domains(4, [](const sim::SimSite&) { return true; })));
        QObject scope;
        auto seen = AnswerByText(&scope, {{kEndQuestion, QMessageBox::No},
                                          {kStartQuestion, QMessageBox::Cancel},
                                          {kSaved, QMessageBox::Ok}});
        if (c.stopped) {
            StopWhenPanelReads(QStringLiteral("Всего: 2/4"));
        }
        Button("Button2")->click();
        if (c.saved) {
            OnNextModal<QFileDialog>([this, &c](QFileDialog* d) {
                auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                edit->setText(state.filePath(QString::fromUtf8(c.what) + QStringLiteral(".csv")));
                QTest::keyClick(edit, Qt::Key_Return);
            });
            form->csv1Click();
        }
        const int before = sim.Count("/u");
        Button("Button2")->click();
        EXPECT_FALSE(seen->contains(kStartQuestion)) << c.what;
        EXPECT_EQ(sim.Count("/u") - before, c.checked) << c.what;
        EXPECT_EQ(RowCount(), 5) << c.what;
    }
}

}  // namespace
}  // namespace vantle::testing
