// The links check through the real main window: the ranks file asked for once and remembered, its
// index built before the run, the two columns after Rank, and "Все проверки сегодняшнего дня"
// leaving it alone.
#include <QAction>
#include <QFileDialog>
#include <QTemporaryDir>

#include "app/ChecksMenu.h"
#include "app/MainWindowFixture.h"
#include "sim/GraphRanks.h"

namespace vantle::testing {
namespace {

class LinksWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        endpoints.cacheDir = dir.filePath(Ascii("cache")).toStdString();
        endpoints.topListFile = dir.filePath(Ascii("top.csv")).toStdString();  // no dialog for Rank
        form->UseCheckEndpoints(endpoints);
        ASSERT_TRUE(sim::WriteGraphRanks(
            path.toStdString(),
            {sim::GraphRanksLine("site.test", 3, 17), sim::GraphRanksLine("shop.example", 40, 2)}, true));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(Ascii("ranks.txt.gz"));
    CheckEndpoints endpoints;
};

TEST_F(LinksWindowTest, RanksFileIsAskedForOnceRememberedAndReadForTheRun) {
    form->Checks().TodayItem()->trigger();
    EXPECT_FALSE(form->Checks().Chosen("links"));
    form->Checks().TodayItem()->trigger();  // unticks nothing

    const QString file = path;
    auto dialog = std::make_shared<bool>(false);
    OnNextModal<QFileDialog>([file, dialog](QFileDialog* d) {
        *dialog = true;
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(file);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    form->Checks().Item("bar")->trigger();
    form->Checks().Item("links")->trigger();
    ASSERT_TRUE(*dialog);
    EXPECT_TRUE(Headers().join(u',').endsWith(Ascii(",Rank,LinkRank,LinkPR")));

    TForm1 next(sim.Hosts());
    next.UseCheckEndpoints(endpoints);
    next.Checks().Item("bar")->trigger();
    next.Checks().Item("links")->trigger();  // no dialog now: the file is remembered
    next.Form2()->SetListText("www.site.test\nother.test\nshop.example\n");
    next.HandOver(3);
    auto end = AnswerNextBox(QMessageBox::No);
    next.Button2Click();
    int col = 0;
    while (col < next.Model()->ColCount() && next.Model()->Cell(col, 0) != "LinkRank") {
        ++col;
    }
    ASSERT_EQ(next.Model()->Cell(col + 1, 0), "LinkPR");
    const auto cells = [&next, col](int row) {
        return FromCp1251(next.Model()->Cell(col, row) + "|" + next.Model()->Cell(col + 1, row));
    };
    EXPECT_EQ(cells(1), Ascii("3|17"));
    EXPECT_EQ(cells(2), Ascii("|"));
    EXPECT_EQ(cells(3), Ascii("40|2"));
}

}  // namespace
}  // namespace vantle::testing
