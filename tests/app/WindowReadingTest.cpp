// Reading and driving the table without a mouse: tints, tooltips of cut cells, columns over the free
// width, no selected row in a fresh window; the checks menu that stays open and its "every check of
// today" item with the window that grows for their columns; Tab through the window and sorting from
// the context menu.
#include <QAction>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>

#include "app/ChecksMenu.h"
#include "app/GridDelegate.h"
#include "app/MainWindowFixture.h"
#include "app/TableControls.h"
#include "sim/CheckServices.h"

namespace vantle::testing {
namespace {

class WindowReadingTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        CheckEndpoints endpoints = services.Endpoints();
        form->UseCheckEndpoints(endpoints);
    }
    QHeaderView* Header() const { return Grid()->horizontalHeader(); }
    QAction* Item(const char* name) const { return form->Checks().Item(name); }
    // The width the visible columns ask for: each as wide as it is, the last one at its own width.
    int ColumnsWidth() const {
        int last = Model()->ColCount() - 1;
        while (Grid()->isColumnHidden(last)) {
            --last;
        }
        // The last column at the width it is given: its header's, or its usual words' when wider.
        const std::string header = Model()->Cell(last, 0);
        int width = std::max(ColumnWidth(header), GridDelegate::WordsWidth(header, Grid()));
        for (int c = 0; c < last; ++c) {
            width += Grid()->isColumnHidden(c) ? 0 : Header()->sectionSize(c);
        }
        return width;
    }
    sim::CheckServices services;
};

TEST_F(WindowReadingTest, CellsAreTintedWhereABuyerLooksFirst) {
    Model()->SetToday([] { return QDate(2026, 12, 7); });
    Fill({Ascii("Domain"), Ascii("Expires"), Ascii("SSL"), Ascii("Created"), Ascii("HTTP")},
         {{Ascii("a.test"), Ascii("2026-12-06"), Ascii("2026-12-07"), Ascii("free"), Ascii("timeout")},
          {Ascii("b.test"), Ascii("2027-01-06"), Ascii("2027-01-07"), Ascii("2026-12-06"), Ascii("200")}});
    const QColor amber(0xff, 0xe0, 0x99);
    const QColor red(0xff, 0xb8, 0xb8);
    const QColor green(0xc4, 0xee, 0xc4);
    struct Case {
        int row;
        int col;
        QColor background;  // invalid: none
        bool grey;
    };
    const Case cases[] = {
        {0, 1, red, false},      {0, 2, amber, false},    {0, 3, green, false},
        {0, 4, QColor(), true},  {1, 1, amber, false},    {1, 2, QColor(), false},
        {1, 3, QColor(), false}, {1, 4, QColor(), false}, {0, 0, QColor(), false},
    };
    for (const Case& c : cases) {
        const QModelIndex at = Grid()->model()->index(c.row, c.col);
        const QVariant background = at.data(Qt::BackgroundRole);
        EXPECT_EQ(background.isValid() ? background.value<QBrush>().color() : QColor(), c.background)
            << c.row << "," << c.col;
        const QVariant foreground = at.data(Qt::ForegroundRole);
        EXPECT_EQ(foreground.isValid(), c.grey) << c.row << "," << c.col;
    }
    // Today comes from the clock set: a week on, the amber expiry is still amber, the past one red.
    Model()->SetToday([] { return QDate(2027, 1, 7); });
    EXPECT_EQ(Grid()->model()->index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(), red);
    EXPECT_EQ(Grid()->model()->index(1, 2).data(Qt::BackgroundRole).value<QBrush>().color(), amber);
}

TEST_F(WindowReadingTest, ACellCutShortShowsItsWholeTextAsATooltip) {
    const QString longName = Ascii("a-very-long-domain-name-that-no-column-shows-whole.example.test");
    Fill({Ascii("Domain"), Ascii("Tic")}, {{longName, Ascii("1")}});
    Grid()->setColumnWidth(0, 100);
    QToolTip::hideText();
    // The cell that fits first: a tip once shown takes a while to go.
    struct Case {
        int col;
        QString tip;  // empty: none
    };
    const Case cases[] = {{1, QString()}, {0, longName}};
    for (const Case& c : cases) {
        const QRect cell = Grid()->visualRect(Grid()->model()->index(0, c.col));
        QHelpEvent help(QEvent::ToolTip, cell.center(), Grid()->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(Grid()->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tip) << c.col;
    }
    QToolTip::hideText();
}

TEST_F(WindowReadingTest, ATextIsCutShortWhenItIsWiderThanTheCellWithinItsMargins) {
    const QFontMetrics metrics = Grid()->fontMetrics();
    const QString text = Ascii("example.test");
    const int margin = Grid()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Grid()) + 1;
    const int fits = metrics.horizontalAdvance(text) + 2 * margin;
    struct Case {
        int width;
        bool cut;
    };
    const Case cases[] = {{fits + 1, false}, {fits, false}, {fits - 1, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(GridDelegate::CutShort(text, metrics, c.width, Grid()), c.cut) << c.width;
    }
}

TEST_F(WindowReadingTest, FreshWindowSelectsNoRowAndItsColumnsTakeTheFreeWidth) {
    EXPECT_TRUE(Grid()->selectionModel()->selectedIndexes().isEmpty());
    form->resize(900, form->height());
    QApplication::processEvents();
    EXPECT_EQ(Header()->length(), Grid()->viewport()->width());
    EnterList(Ascii("site.test\n"));
    EXPECT_TRUE(Grid()->selectionModel()->selectedIndexes().isEmpty())
        << "a handed-over list starts clean too";
}

TEST_F(WindowReadingTest, ChecksMenuStaysOpenWhileItsItemsAreTicked) {
    QMenu* menu = form->Checks().Menu();
    menu->popup(form->mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(Item("dns")).center());
    EXPECT_TRUE(Item("dns")->isChecked());
    EXPECT_TRUE(menu->isVisible());
    menu->setActiveAction(Item("web"));
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_TRUE(Item("web")->isChecked());
    EXPECT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Space);
    EXPECT_FALSE(Item("web")->isChecked());
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(Headers().join(u','), Ascii("Domain,Tic,Status,Yaca,IP,MX"));
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(WindowReadingTest, TodayItemTicksEveryCheckOfTodayAndTheWindowGrowsForTheirColumns) {
    const QRect room = form->screen()->availableGeometry();
    const int opened = form->width();
    // The first four columns fit the window as it opens; IP and MX do not, and all of today's do not
    // fit the screen.
    Item("bar")->trigger();
    EXPECT_EQ(form->width(), opened) << "fewer columns: the window stays";
    Item("bar")->trigger();
    EXPECT_EQ(form->width(), opened);
    Item("dns")->trigger();
    QApplication::processEvents();
    EXPECT_GT(form->width(), opened);
    EXPECT_LE(ColumnsWidth(), Grid()->viewport()->width()) << "IP and MX show";
    EXPECT_LE(Grid()->viewport()->width() - ColumnsWidth(), Grid()->verticalScrollBar()->sizeHint().width())
        << "no wider than it takes";
    const int withDns = form->width();
    Item("dns")->trigger();
    EXPECT_EQ(form->width(), withDns) << "never narrower";

    form->Checks().TodayItem()->trigger();
    QApplication::processEvents();
    for (std::string_view name : {"dns", "web", "ssl", "registry", "archive", "rank"}) {
        EXPECT_TRUE(form->Checks().Chosen(name)) << name;
    }
    EXPECT_TRUE(form->Checks().Chosen("bar"));
    EXPECT_FALSE(form->Checks().Chosen("yapages"));
    EXPECT_EQ(Headers().join(u','),
              Ascii("Domain,Tic,Status,Yaca,IP,MX,HTTP,Mirror,SSL,Created,Expires,Registrar,Archive,Rank"));
    EXPECT_EQ(form->frameGeometry().width(), room.width()) << "as wide as the screen allows";
    EXPECT_GE(form->frameGeometry().left(), room.left());
}

// Today's checks may be added to a checked table, for a recheck of the rows that matter: no question,
// their columns after the bar's, every cell kept.
TEST_F(WindowReadingTest, TodayItemOnATableWithResultsAddsItsColumnsWithoutAQuestion) {
    EnterList(Ascii("site.test\n"));
    Start();
    const QString tic = Cell(1, 1);
    auto box = AnswerNextBox(QMessageBox::Ok, 300);
    const auto fileDialogShown = RejectNextFileDialog();
    form->Checks().TodayItem()->trigger();
    QTest::qWait(400);
    EXPECT_FALSE(box->shown);
    EXPECT_TRUE(form->Checks().Chosen("dns"));
    EXPECT_EQ(Headers().join(u','),
              Ascii("Domain,Tic,Status,Yaca,IP,MX,HTTP,Mirror,SSL,Created,Expires,Registrar,Archive,Rank"));
    EXPECT_EQ(Cell(0, 1), Ascii("site.test"));
    EXPECT_EQ(Cell(1, 1), tic);
    EXPECT_EQ(Cell(4, 1), QString());
}

TEST_F(WindowReadingTest, TabGoesThroughTheWindowFromTopToBottomAndLeavesTheTable) {
    QApplication::setActiveWindow(form.get());
    Button("Button1")->setFocus();
    const char* expected[] = {"Button4",       "CheckBox1", "CheckBox2",    "Button2", "FilterEdit",
                              "RzStringGrid1", "ComboBox1", "ChecksButton", "Edit1",   "Button1"};
    for (const char* name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(name));
    }
}

TEST_F(WindowReadingTest, ContextMenuSortsByTheCurrentColumnInTurn) {
    Fill({Ascii("Domain"), Ascii("Tic")},
         {{Ascii("b.test"), Ascii("20")}, {Ascii("a.test"), Ascii("100")}, {Ascii("c.test"), Ascii("3")}});
    auto* popup = Find<QMenu>("PopupMenu1");
    QAction* sort = nullptr;
    for (QAction* a : popup->actions()) {
        sort = a->objectName() == QLatin1String("SortColumn") ? a : sort;
    }
    ASSERT_NE(sort, nullptr);
    EXPECT_EQ(sort->text(), QStringLiteral("Сортировать по столбцу"));
    Grid()->setCurrentIndex(Grid()->model()->index(0, 1));
    struct Step {
        QStringList domains;
        int section;
        Qt::SortOrder order;
    };
    const Step steps[] = {
        {{"c.test", "b.test", "a.test"}, 1, Qt::AscendingOrder},
        {{"a.test", "b.test", "c.test"}, 1, Qt::DescendingOrder},
        {{"b.test", "a.test", "c.test"}, -1, Qt::AscendingOrder},
    };
    for (const Step& s : steps) {
        sort->trigger();
        EXPECT_EQ(Shown(0), s.domains);
        EXPECT_EQ(Header()->sortIndicatorSection(), s.section);
        if (s.section >= 0) {
            EXPECT_EQ(Header()->sortIndicatorOrder(), s.order);
        }
    }
    // Another column starts again from ascending.
    sort->trigger();
    Grid()->setCurrentIndex(Grid()->model()->index(0, 0));
    sort->trigger();
    EXPECT_EQ(Shown(0), QStringList({"a.test", "b.test", "c.test"}));
    EXPECT_EQ(Header()->sortIndicatorSection(), 0);
    EXPECT_EQ(Header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

}  // namespace
}  // namespace vantle::testing
