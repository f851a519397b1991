// The main window and the check run through the real widgets, against the simulator.
#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>

#include "app/AppTitle.h"
#include "app/MainWindowFixture.h"
#include "text/Cp1251.h"

namespace vantle::testing {
namespace {

class MainWindowTest : public MainWindowFixture {
protected:
    QAction* Action(const char* name) const { return Find<QAction>(name); }

    // The totals line recounted from the table.
    QString TotalsFromTable() const {
        int glued = 0, zero = 0, yaca = 0;
        for (int r = 1; r < RowCount(); ++r) {
            glued += Cell(2, r).startsWith(Ascii("Vantle")) ? 1 : 0;
            zero += Cell(1, r) == Ascii("0") ? 1 : 0;
            yaca += Cell(3, r) == Ascii("Yes") ? 1 : 0;
        }
        return QStringLiteral("Клееных: %1; Нулевых: %2; ЯК: %3").arg(glued).arg(zero).arg(yaca);
    }
};

TEST_F(MainWindowTest, StartsWithCaptionsHeadersAndOneEmptyRow) {
    EXPECT_EQ(form->windowTitle(), Ascii("Vantle"));
    EXPECT_EQ(RowCount(), 2);
    const char* headers[] = {"Domain", "Tic", "Status", "Yaca"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), Ascii(headers[c]));
    }
    EXPECT_EQ(Button("Button1")->text(), QStringLiteral("Добавить список..."));
    EXPECT_EQ(Button("Button1")->toolTip(), QStringLiteral("Добавить список (Ctrl + D)"));
    EXPECT_EQ(Button("Button4")->text(), QStringLiteral("...Или открыть из файла"));
    EXPECT_EQ(Button("Button2")->text(), QStringLiteral("Пуск"));
    EXPECT_EQ(Button("Button3")->toolTip(), QStringLiteral("(Ctrl + T)"));
    EXPECT_FALSE(Progress()->isVisible());
    EXPECT_EQ(ResumeLabel()->text(), Ascii("0"));
    EXPECT_FALSE(ResumeLabel()->isVisible());
    EXPECT_EQ(Combo()->count(), 10);
    EXPECT_EQ(Combo()->itemText(2), Ascii("3"));
    EXPECT_EQ(Threshold()->maxLength(), 15);
    EXPECT_FALSE(Action("csv1")->isEnabled());
    EXPECT_EQ(Find<QTableView>("RzStringGrid1")->verticalHeader()->defaultSectionSize(), 18);
}

TEST_F(MainWindowTest, ThresholdBoxTakesDigitsOnly) {
    QTest::keyClicks(Threshold(), Ascii("1a 2"));
    EXPECT_EQ(Threshold()->text(), Ascii("12"));
    QTest::keyClick(Threshold(), Qt::Key_Backspace);
    EXPECT_EQ(Threshold()->text(), Ascii("1"));
    QGuiApplication::clipboard()->setText(Ascii("7x"));
    Threshold()->paste();
    EXPECT_EQ(Threshold()->text(), Ascii("1"));
}

TEST_F(MainWindowTest, PastedListRunsIntoRowsTotalsPanelsAndProgress) {
    EnterList(QStringLiteral("example.test\nпример.рф\n  WWW.Site.TEST/  \njunk\n\nсайт.рф\n"));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Загружено: 6"));
    auto box = Start();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QStringLiteral("Проверка завершена. Сохранить результаты?"));
    EXPECT_EQ(box->caption, QStringLiteral("Сообщение"));
    EXPECT_EQ(box->icon, QMessageBox::Question);

    ASSERT_EQ(RowCount(), 5);
    EXPECT_EQ(Cell(0, 1), Ascii("example.test"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("пример.рф"));
    EXPECT_EQ(Cell(0, 3), Ascii("site.test"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("сайт.рф"));
    EXPECT_EQ(Cell(1, 2), QString::number(sim::SiteFor("xn--e1afmkfd.xn--p1ai").tic));
    EXPECT_EQ(Cell(1, 3), QString::number(sim::SiteFor("site.test").tic));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Всего: 4/6"));
    EXPECT_EQ(form->PanelText(1), TotalsFromTable());
    EXPECT_EQ(form->PanelText(2), QString());
    const auto* standing = form->findChild<QLabel*>(QStringLiteral("RunStanding"));
    ASSERT_NE(standing, nullptr);
    EXPECT_TRUE(standing->text().endsWith(QStringLiteral(" в минуту, осталось 0:00")))
        << standing->text().toStdString();
    EXPECT_EQ(Progress()->value(), 4);
    EXPECT_EQ(Progress()->maximum(), 6);
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_TRUE(Action("csv1")->isEnabled());
    EXPECT_EQ(sim.Count("/u"), 4);
}

TEST_F(MainWindowTest, StopAfterFifthOfTenAndResumeWithTheSixth) {
    const auto names = Domains(10, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    StopWhenPanelReads(QStringLiteral("Всего: 5/10"));
    auto none = Start();
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));
    EXPECT_EQ(RowCount(), 6);
    EXPECT_EQ(Progress()->value(), 5);
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_EQ(sim.Count("/u"), 5);

    EXPECT_FALSE(none->shown);  // a stop below threshold 10 ends silently
    auto box = Start();
    EXPECT_TRUE(box->shown);
    ASSERT_EQ(RowCount(), 11);
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)])) << r;
    }
    EXPECT_EQ(sim.Count("/u"), 10);
    EXPECT_EQ(Progress()->value(), 10);
    EXPECT_EQ(form->PanelText(1), TotalsFromTable());
    EXPECT_EQ(ResumeLabel()->text(), Ascii("0"));
}

TEST_F(MainWindowTest, ResumeOverJunkAndFilteredLinesDuplicatesNothing) {
    const auto low = Domains(2, [](const sim::SimSite& s) { return s.tic < 5; });
    const auto high = Domains(3, [](const sim::SimSite& s) { return s.tic >= 5; });
    EnterList(Lines({high[0], "junk", low[0], high[1], low[1], high[2]}));
    Threshold()->setText(Ascii("5"));
    StopWhenPanelReads(QStringLiteral("Всего: 2/6"));  // after high[1]
    Start();
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));
    Start();
    ASSERT_EQ(RowCount(), 4);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(high[static_cast<std::size_t>(r - 1)]));
    }
    EXPECT_EQ(sim.Count("/u"), 5);
    EXPECT_EQ(form->PanelText(1), TotalsFromTable());
}

TEST_F(MainWindowTest, ThresholdTwentyFiltersAndNamesTheDomainInPanelTwo) {
    const auto high = Domains(1, [](const sim::SimSite& s) { return s.tic >= 20; });
    const auto low = Domains(1, [](const sim::SimSite& s) { return s.tic == 10; });
    EnterList(Lines({high[0], low[0]}));
    Threshold()->setText(Ascii("20"));
    Start();
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(0, 1), FromCp1251(high[0]));
    EXPECT_EQ(form->PanelText(2), FromCp1251(low[0]));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Всего: 1/2"));
}

TEST_F(MainWindowTest, FailureOnTheThirdDomainLeavesAResumableExportableTable) {
    const auto names = Domains(5, [](const sim::SimSite&) { return true; });
    sim.FailBarFor(names[2]);
    EnterList(Lines(names));
    auto box = AnswerNextBox(QMessageBox::Ok);
    Button("Button2")->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, Ascii("'' is not a valid integer value."));
    EXPECT_EQ(box->caption, ApplicationTitle());
    EXPECT_EQ(box->icon, QMessageBox::Critical);
    EXPECT_EQ(RowCount(), 3);
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_TRUE(Action("csv1")->isEnabled());
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));
    EXPECT_TRUE(Button("Button1")->isEnabled());

    sim.ClearFaults();
    Start();
    ASSERT_EQ(RowCount(), 6);
    EXPECT_EQ(Cell(0, 3), FromCp1251(names[2]));
    EXPECT_EQ(form->PanelText(1), TotalsFromTable());
}

TEST_F(MainWindowTest, BadThresholdShowsTheErrorBoxAndChangesNothing) {
    EnterList(Ascii("a.test\n"));
    Threshold()->setText(Ascii("99999999999"));
    auto box = AnswerNextBox(QMessageBox::Ok);
    Button("Button2")->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, Ascii("'99999999999' is not a valid integer value."));
    EXPECT_FALSE(Progress()->isVisible());
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_EQ(sim.Count("/u"), 0);
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Загружено: 1"));
}

TEST_F(MainWindowTest, EmptyListAsksForOne) {
    auto box = AnswerNextBox(QMessageBox::Ok);
    QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QStringLiteral("Необходимо составить список доменов"));
    EXPECT_EQ(box->caption, QStringLiteral("Инфо"));
    EXPECT_EQ(box->icon, QMessageBox::Information);
}

TEST_F(MainWindowTest, HiddenShortcutsActThroughTheButtons) {
    bool dialogSeen = false;
    OnNextModal<TForm2>([&dialogSeen](TForm2* d) {
        dialogSeen = true;
        d->reject();
    });
    QTest::keyClick(form.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(dialogSeen);

    bool fileDialogSeen = false;
    OnNextModal<QFileDialog>([&fileDialogSeen](QFileDialog* d) {
        fileDialogSeen = true;
        d->reject();
    });
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(fileDialogSeen);
}

TEST_F(MainWindowTest, CommandsThatChangeTheListAreOffDuringARun) {
    EnterList(Lines(Domains(3, [](const sim::SimSite&) { return true; })));
    std::vector<bool> enabledDuringRun;
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [&]() {
        if (enabledDuringRun.empty() && !Button("Button2")->isVisible()) {
            for (const char* name : {"Button1", "Button4", "CheckBox1", "CheckBox2"}) {
                enabledDuringRun.push_back(Find<QWidget>(name)->isEnabled());
            }
            enabledDuringRun.push_back(Action("N6")->isEnabled());
        }
    });
    timer->start(1);
    Start();
    timer->stop();
    EXPECT_EQ(enabledDuringRun, std::vector<bool>(5, false));
    EXPECT_TRUE(Button("Button1")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isEnabled());
    EXPECT_TRUE(Action("N6")->isEnabled());
}

TEST_F(MainWindowTest, ClosingDuringARunStopsItAndCloses) {
    EnterList(Lines(Domains(10, [](const sim::SimSite&) { return true; })));
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [this, timer]() {
        if (form->PanelText(0) == QStringLiteral("Всего: 2/10")) {
            timer->stop();
            form->close();
        }
    });
    timer->start(1);
    auto box = Start();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(sim.Count("/u"), 2);
    EXPECT_FALSE(box->shown);
}

TEST_F(MainWindowTest, ResizingKeepsButtonsAndBoxesAtTheirEdges) {
    form->resize(900, 700);
    QApplication::processEvents();
    auto right = [this](QWidget* w) {
        return form->width() - w->mapTo(form.get(), QPoint(w->width(), 0)).x();
    };
    auto bottom = [this](QWidget* w) {
        return form->height() - w->mapTo(form.get(), QPoint(0, w->height())).y();
    };
    const int startRight = right(Button("Button2"));
    const int editBottom = bottom(Threshold());
    const int comboLeft = Combo()->mapTo(form.get(), QPoint(0, 0)).x();
    const int gridHeight = Find<QTableView>("RzStringGrid1")->height();
    form->resize(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(right(Button("Button2")), startRight);
    EXPECT_EQ(bottom(Threshold()), editBottom);
    EXPECT_EQ(Combo()->mapTo(form.get(), QPoint(0, 0)).x(), comboLeft);
    EXPECT_EQ(Find<QTableView>("RzStringGrid1")->height(), gridHeight + 200);
}

TEST_F(MainWindowTest, CreditPanelAndLinkLabelOpenPagesThroughTheOpener) {
    QTest::mouseClick(Find<QLabel>("Label4"), Qt::LeftButton);
    QTest::mouseClick(Find<QFrame>("Panel1"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].scheme(), Ascii("https"));
    EXPECT_NE(opened[0], opened[1]);
}

}  // namespace
}  // namespace vantle::testing
