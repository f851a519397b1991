#include "check/DomainTable.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(DomainTableTest, StartsWithHeadersAndOneEmptyRow) {
    DomainTable t({"Domain", "Tic", "Status", "Yaca"});
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.ColCount(), 4);
    EXPECT_EQ(t.Cell(3, 0), "Yaca");
    EXPECT_EQ(t.RowCells(1), std::vector<std::string>(4));
}

TEST(DomainTableTest, RowAheadOfRowCountIsKeptUntilShown) {
    DomainTable t({"Domain", "Tic"});
    t.SetCell(0, 1, "a.test");
    t.SetCell(0, 2, "b.test");  // one past the last row
    EXPECT_EQ(t.RowCount(), 2);
    t.SetRowCount(3);
    EXPECT_EQ(t.Cell(0, 2), "b.test");
    t.SetCell(0, 5, "far.test");  // further out is not a place of the grid
    t.SetRowCount(6);
    EXPECT_EQ(t.Cell(0, 5), "");
}

TEST(DomainTableTest, ResetEmptiesEveryColumnOfRowOneAndDropsTheRest) {
    DomainTable t({"Domain", "Tic", "Status", "Yaca"});
    t.SetColCount(6);
    t.SetCell(4, 0, "YaPages");
    for (int c = 0; c < 6; ++c) {
        t.SetCell(c, 1, "x");
    }
    t.SetCell(0, 2, "second");
    t.SetRowCount(3);
    t.ResetTable();
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.ColCount(), 6);
    EXPECT_EQ(t.Cell(4, 0), "YaPages");
    EXPECT_EQ(t.RowCells(1), std::vector<std::string>(6));
    t.SetRowCount(3);
    EXPECT_EQ(t.Cell(0, 2), "");
}

TEST(DomainTableTest, RowCountNeverBelowTwoAndShrinkingDropsCells) {
    DomainTable t({"Domain"});
    t.SetRowCount(0);
    EXPECT_EQ(t.RowCount(), 2);
    t.SetRowCount(4);
    t.SetCell(0, 3, "gone");
    t.SetRowCount(3);
    t.SetRowCount(4);
    EXPECT_EQ(t.Cell(0, 3), "");
}

// Cells stay in their row and column however the grid grows, even when a cell's own text is written to
// a row the grid grows for.
TEST(DomainTableTest, CellsKeepTheirPlaceAsTheGridGrows) {
    DomainTable t({"Domain", "Tic"});
    for (int row = 1; row < 200; ++row) {
        t.SetCell(1, row, t.Cell(1, row - 1));  // the row's first cell: the grid grows for it
        t.SetCell(0, row, t.Cell(0, row - 1) + "x");
        t.SetRowCount(row + 1);
    }
    t.SetColCount(3);
    t.SetCell(2, 199, "new");
    EXPECT_EQ(t.Cell(0, 1), "Domainx");
    EXPECT_EQ(t.Cell(1, 150), "Tic");
    EXPECT_EQ(t.RowCells(199), (std::vector<std::string>{"Domain" + std::string(199, 'x'), "Tic", "new"}));
    EXPECT_EQ(t.Cell(2, 198), "");
}

TEST(DomainTableTest, RemovedColumnTakesItsCellsAlong) {
    DomainTable t({"Domain", "Tic", "Status", "Yaca"});
    t.SetColCount(5);
    t.SetCell(4, 1, "77");
    t.SetColCount(4);
    t.SetColCount(5);
    EXPECT_EQ(t.Cell(4, 1), "");
    EXPECT_EQ(t.Cell(9, 1), "");
}

}  // namespace
}  // namespace vantle
