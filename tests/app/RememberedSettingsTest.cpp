// What the main window remembers between starts: a window built after another was closed takes what
// the user set there; with nothing remembered, a window is as it is built.
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "sim/CheckServices.h"
#include "sim/TopList.h"

namespace vantle::testing {
namespace {

class RememberedSettingsTest : public MainWindowFixture {
protected:
    QSpinBox* Parallel() const { return Find<QSpinBox>("SpinEdit1"); }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int c = 0; c < Model()->ColCount(); ++c) {
            widths.push_back(Grid()->columnWidth(c));
        }
        return widths;
    }
    // Closes the window as the user does, and builds the next one.
    void Restart() {
        form->close();
        form = std::make_unique<TForm1>(sim.Hosts());
    }
    static void ChooseInNextFileDialog(const QString& path) {
        OnNextModal<QFileDialog>([path](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }
    QTemporaryDir dir;
};

TEST_F(RememberedSettingsTest, NothingRememberedIsTheWindowAsBuilt) {
    TForm1 fresh(sim.Hosts());
    auto* combo = fresh.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    EXPECT_EQ(combo->currentText(), Ascii("3"));
    EXPECT_EQ(fresh.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->value(), 16);
    EXPECT_EQ(fresh.DnsRate(), 200);
    EXPECT_EQ(fresh.size(), QSize(566, 542));
    EXPECT_FALSE(fresh.PlaceRestored());
    ChecksMenu& checks = fresh.Checks();
    EXPECT_TRUE(checks.Chosen("bar"));
    EXPECT_EQ(checks.Headers(), std::vector<std::string>());
    EXPECT_EQ(fresh.Model()->ColCount(), 4);
    auto* grid = fresh.findChild<QTableView*>(QStringLiteral("RzStringGrid1"));
    EXPECT_EQ(grid->columnWidth(0), 231);
    EXPECT_EQ(grid->columnWidth(3), 69);
}

TEST_F(RememberedSettingsTest, NextWindowTakesWhatTheLastOneWasLeftWith) {
    struct Case {
        const char* what;
        std::function<void()> change;  // on the first window
        std::function<void()> check;   // on the next
    };
    const auto choose = [this](std::initializer_list<const char*> names) {
        for (const char* name : names) {
            form->Checks().Item(name)->trigger();
        }
    };
    QStringList headers;
    QRect placed;
    const Case cases[] = {
        {"the first rate", [this] { Combo()->setCurrentIndex(0); },
         [this] { EXPECT_EQ(Combo()->currentText(), Ascii("1")); }},
        {"the last rate", [this] { Combo()->setCurrentIndex(9); },
         [this] { EXPECT_EQ(Combo()->currentText(), Ascii("10")); }},
        {"one in flight", [this] { Parallel()->setValue(1); }, [this] { EXPECT_EQ(Parallel()->value(), 1); }},
        {"the most in flight", [this] { Parallel()->setValue(256); },
         [this] { EXPECT_EQ(Parallel()->value(), 256); }},
        {"the resolver's pace, chosen in its box",
         [this] {
             OnNextModal<QInputDialog>([](QInputDialog* d) {
                 d->setIntValue(1000);
                 d->accept();
             });
             form->Checks().DnsRateItem()->trigger();
         },
         [this] { EXPECT_EQ(form->DnsRate(), 1000); }},
        {"checks, the two old columns with them",
         [&, this] {
             choose({"bar", "yapages", "pr", "dns", "ssl"});
             headers = Headers();
         },
         [&, this] {
             EXPECT_EQ(Headers(), headers);
             EXPECT_EQ(Headers().join(u','), Ascii("Domain,Tic,Status,Yaca,YaPages,PR,IP,MX,SSL"));
             EXPECT_FALSE(form->Checks().Chosen("bar"));
             EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
             EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
             EXPECT_FALSE(Grid()->isColumnHidden(4));
             EXPECT_TRUE(Grid()->isColumnHidden(1)) << "without the bar its columns stay hidden";
         }},
        {"no check at all", [&] { choose({"bar"}); },
         [this] {
             EXPECT_FALSE(form->Checks().Chosen("bar"));
             EXPECT_EQ(Model()->ColCount(), 4);
             form->Checks().Item("bar")->trigger();
             EXPECT_EQ(Grid()->columnWidth(1), 89) << "a column hidden at the close keeps its width";
         }},
        {"column widths",
         [this] {
             Grid()->setColumnWidth(0, 300);
             Grid()->setColumnWidth(2, 40);
         },
         [this] {
             EXPECT_EQ(Grid()->columnWidth(0), 300);
             EXPECT_EQ(Grid()->columnWidth(1), 89);
             EXPECT_EQ(Grid()->columnWidth(2), 40);
         }},
        {"size and place",
         [&, this] {
             form->setGeometry(10, 40, 770, 500);  // inside the screen of the offscreen platform
             placed = form->geometry();
         },
         [&, this] {
             EXPECT_TRUE(form->PlaceRestored());
             form->show();
             EXPECT_EQ(form->geometry(), placed);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSettings().clear();
        form = std::make_unique<TForm1>(sim.Hosts());
        form->show();
        c.change();
        Restart();
        c.check();
    }
}

TEST_F(RememberedSettingsTest, WindowDestroyedUnclosedRemembersNothing) {
    Parallel()->setValue(40);
    form = std::make_unique<TForm1>(sim.Hosts());
    form = std::make_unique<TForm1>(sim.Hosts());
    EXPECT_EQ(Parallel()->value(), 16);
}

// The list file chosen once wins over the one the endpoints name, as in the demo.
TEST_F(RememberedSettingsTest, ChosenTopListOutlastsTheEndpointsList) {
    sim::CheckServices services;
    const std::string top = sim::DemoTopDomains().front();
    const QString chosen = dir.filePath(Ascii("mine.csv"));
    ASSERT_TRUE(sim::WriteTopList(chosen.toStdString(), sim::TopListStyle::Tranco, {"first.test", top}));
    ChooseInNextFileDialog(chosen);
    form->ChooseTopListFile();
    form->Checks().Item("rank")->trigger();
    Restart();
    form->UseCheckEndpoints(services.Endpoints());
    ASSERT_TRUE(form->Checks().Chosen("rank"));
    form->Form2()->SetListText(top + "\n");
    form->HandOver(1);
    auto end = AnswerNextBox(QMessageBox::No);
    form->Button2Click();
    EXPECT_EQ(Headers().value(4), Ascii("Rank"));
    EXPECT_EQ(Cell(4, 1), Ascii("2")) << "the place in the chosen list, not in the endpoints' one";
}

// The demo's top-sites list: kept where named (the folder made), written anew at each start, so that
// no start leaves a file of its own behind.
TEST(DemoTopListTest, KeptWhereNamedAndWrittenAnew) {
    const QTemporaryDir dir;
    const std::string path = dir.filePath(Ascii("demo/toplist.csv")).toStdString();
    const auto read = [&path] {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    {
        const sim::CheckServices services(path);
        EXPECT_EQ(services.TopListFile(), path);
    }
    const std::string written = read();
    EXPECT_EQ(written.rfind("1," + sim::DemoTopDomains().front(), 0), 0u) << written.substr(0, 40);
    std::ofstream(path) << "stale";
    { const sim::CheckServices services(path); }
    EXPECT_EQ(read(), written);
    EXPECT_EQ(QDir(dir.filePath(Ascii("demo"))).entryList(QDir::Files), QStringList{Ascii("toplist.csv")});
}

}  // namespace
}  // namespace vantle::testing
