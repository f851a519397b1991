// The run without the old services through the real window: "Параллельно" and the rate box, rows in
// list order with many domains in flight, a stop that does not wait for a hanging site, and a recheck
// that keeps a run and the list file away.
#include <QAction>
#include <QFileDialog>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "sim/CheckServices.h"

namespace vantle::testing {
namespace {

class ParallelRunWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        UseBound(3000);
    }
    void UseBound(long checkTimeoutMs) {
        CheckEndpoints endpoints = services.Endpoints();
        endpoints.checkTimeoutMs = checkTimeoutMs;
        form->UseCheckEndpoints(endpoints);
    }
    void Choose(const char* name) { form->Checks().Item(name)->trigger(); }
    QSpinBox* Parallel() const { return Find<QSpinBox>("SpinEdit1"); }
    int Col(const char* header) const { return static_cast<int>(Headers().indexOf(Ascii(header))); }
    sim::CheckServices services;
};

TEST_F(ParallelRunWindowTest, TheRatePacesTheOldServicesAndParallelTheOthers) {
    EXPECT_EQ(Parallel()->value(), 16);
    EXPECT_EQ(Parallel()->minimum(), 1);
    EXPECT_EQ(Parallel()->maximum(), 256);
    EXPECT_TRUE(Combo()->isEnabled());
    EXPECT_TRUE(Parallel()->isHidden()) << "the window of the old services keeps its look";
    Choose("bar");
    EXPECT_FALSE(Combo()->isEnabled());
    EXPECT_EQ(Combo()->currentText(), Ascii("10")) << "greyed, its value kept";
    EXPECT_FALSE(Parallel()->isHidden());
    Find<QCheckBox>("CheckBox2")->click();  // PageRank is an old service too
    EXPECT_TRUE(Combo()->isEnabled());
    EXPECT_TRUE(Parallel()->isHidden());
    Find<QCheckBox>("CheckBox2")->click();
    EXPECT_FALSE(Combo()->isEnabled());
    EXPECT_FALSE(Parallel()->isHidden());
}

TEST_F(ParallelRunWindowTest, RowsComeInListOrderWhileASlowSiteHoldsTheFirst) {
    UseBound(400);
    Choose("bar");
    Choose("web");
    Parallel()->setValue(8);
    const auto names = Domains(10, [](const sim::SimSite&) { return true; });
    services.Web().SetRule(names[0], sim::WebRule::Trickle);
    EnterList(Lines(names));
    Start();
    ASSERT_EQ(RowCount(), 11);
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)]));
    }
    EXPECT_EQ(Cell(Col("HTTP"), 1), Ascii("timeout"));
    EXPECT_EQ(form->PanelText(0), QStringLiteral("Всего: 10/10"));
}

TEST_F(ParallelRunWindowTest, StopLetsAHangingSiteGoAndTheResumeAsksItAgain) {
    UseBound(60000);
    Choose("bar");
    Choose("web");
    const auto names = Domains(5, [](const sim::SimSite&) { return true; });
    services.Web().SetRule(names[1], sim::WebRule::Trickle);
    EnterList(Lines(names));
    StopWhenPanelReads(QStringLiteral("Всего: 1/5"));
    Start();
    // The site that hangs (for a minute) is not waited for: its row and the rows after it are not
    // written, and "Пуск" goes on with it.
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));
    services.Web().SetRule(names[1], sim::WebServer::DefaultRule(names[1]));
    Start();
    ASSERT_EQ(RowCount(), 6);
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)]));
        EXPECT_NE(Cell(Col("HTTP"), r), Ascii("timeout"));
    }
}

TEST_F(ParallelRunWindowTest, ARecheckKeepsARunAndTheListFileAway) {
    UseBound(1500);
    Choose("bar");
    Choose("web");
    const auto names = Domains(2, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    Start();
    ASSERT_EQ(RowCount(), 3);
    services.Web().SetRule(names[0], sim::WebRule::Trickle);  // the recheck takes its whole bound

    const auto fileDialogShown = RejectNextFileDialog();
    bool tried = false;
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [&]() {
        if (Cell(0, 1).startsWith(Ascii("> ")) && !tried) {
            tried = true;
            EXPECT_FALSE(form->Checks().ListFileItem()->isEnabled());
            form->ChooseTopListFile();
            QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
            form->Button2Click();
        }
    });
    timer->start(5);
    QApplication::setActiveWindow(form.get());
    auto* grid = Find<QTableView>("RzStringGrid1");
    grid->setCurrentIndex(Model()->index(0, 0));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_R, Qt::ControlModifier);
    timer->stop();
    EXPECT_TRUE(tried);
    EXPECT_FALSE(*fileDialogShown);
    EXPECT_EQ(RowCount(), 3) << "no run went inside the recheck";
    EXPECT_EQ(Cell(0, 1), FromCp1251(names[0]));
    EXPECT_EQ(Cell(Col("HTTP"), 1), Ascii("timeout"));
    EXPECT_TRUE(form->Checks().ListFileItem()->isEnabled());
}

// A recheck is a run over the selected rows with the checks chosen now: a check added to the checked
// table gets its columns, the rows go many at once in order with the progress bar, "Стоп" leaves the
// rest, and "Пуск" goes on with them rather than with a run.
TEST_F(ParallelRunWindowTest, ARecheckIsARunOverTheSelectedRowsThatStopsAndGoesOn) {
    UseBound(60000);
    Choose("bar");
    Choose("web");
    const auto names = Domains(5, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    Start();
    ASSERT_EQ(RowCount(), 6);
    const QString http1 = Cell(Col("HTTP"), 1);

    Choose("dns");  // added to the checked table
    ASSERT_GE(Col("IP"), 0);
    EXPECT_LT(Col("IP"), Col("HTTP")) << "in the catalog's order";
    EXPECT_EQ(Cell(Col("HTTP"), 1), http1) << "every cell keeps its header";
    EXPECT_EQ(Cell(Col("IP"), 1), QString());

    services.Web().SetRule(names[1], sim::WebRule::Trickle);  // hangs until let go
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [&]() {
        if (!Cell(Col("IP"), 1).isEmpty() && Button("Button2")->isHidden()) {
            timer->stop();
            QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
        }
    });
    timer->start(1);
    QApplication::setActiveWindow(form.get());
    Grid()->setCurrentIndex(Model()->index(0, 0));
    Grid()->setFocus();
    Grid()->selectAll();
    QTest::keyClick(Grid(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(Button("Button2")->isHidden());
    EXPECT_EQ(RowCount(), 6);
    EXPECT_EQ(Progress()->maximum(), 5);
    EXPECT_EQ(Progress()->value(), 1);
    EXPECT_EQ(Cell(0, 2), FromCp1251(names[1])) << "the row let go shows its name again";
    for (int r = 2; r <= 5; ++r) {
        EXPECT_EQ(Cell(Col("IP"), r), QString()) << "not written past the row that hangs: " << r;
    }
    EXPECT_EQ(ResumeLabel()->text(), Ascii("1"));

    services.Web().SetRule(names[1], sim::WebServer::DefaultRule(names[1]));
    Start();
    ASSERT_EQ(RowCount(), 6) << "the recheck went on, not a run";
    EXPECT_EQ(Progress()->value(), 4);
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(Cell(0, r), FromCp1251(names[static_cast<std::size_t>(r - 1)]));
        EXPECT_NE(Cell(Col("IP"), r), QString()) << r;
    }
    EXPECT_NE(Cell(Col("HTTP"), 2), Ascii("timeout"));
    EXPECT_EQ(ResumeLabel()->text(), Ascii("0"));
}

// Closing the window during a recheck stops it as it stops a run: the rows past the one that hangs are
// not rechecked, and the window closes once the recheck has ended.
TEST_F(ParallelRunWindowTest, ClosingTheWindowStopsARecheck) {
    UseBound(60000);
    Choose("bar");
    Choose("dns");
    const auto names = Domains(4, [](const sim::SimSite&) { return true; });
    EnterList(Lines(names));
    Start();
    ASSERT_EQ(RowCount(), 5);
    Choose("web");
    services.Web().SetRule(names[1], sim::WebRule::Trickle);
    auto* timer = new QTimer(form.get());
    QObject::connect(timer, &QTimer::timeout, form.get(), [&]() {
        if (!Cell(Col("HTTP"), 1).isEmpty() && Button("Button2")->isHidden()) {
            timer->stop();
            form->close();
        }
    });
    timer->start(1);
    QApplication::setActiveWindow(form.get());
    Grid()->setCurrentIndex(Model()->index(0, 0));
    Grid()->setFocus();
    Grid()->selectAll();
    QTest::keyClick(Grid(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(form->isVisible());
    for (int r = 2; r <= 4; ++r) {
        EXPECT_EQ(Cell(Col("HTTP"), r), QString()) << r;
    }
}

}  // namespace
}  // namespace vantle::testing
