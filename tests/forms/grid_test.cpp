#include <gtest/gtest.h>

#include "harness.h"

namespace forms::test {
namespace {

GridStore numbered(int rows, int cols) {
  GridStore s(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) s.at(r, c) = std::to_string(r) + "," + std::to_string(c);
  return s;
}

TEST(GridStore, ResizingKeepsTheCellsThatStayInPlaceAndNewCellsAreEmpty) {
  GridStore s = numbered(3, 4);
  s.setRows(50);
  ASSERT_EQ(s.cells().size(), 200u);
  EXPECT_EQ(s.at(2, 3), "2,3");
  EXPECT_EQ(s.at(49, 3), "");
  s = numbered(70, 3);
  s.setRows(51);  // a trim that gives spare room back
  EXPECT_EQ(s.cells().size(), 153u);
  EXPECT_EQ(s.at(50, 2), "50,2");
  s.setRows(1);
  s.setRows(2);
  EXPECT_EQ(s.at(0, 1), "0,1");
  EXPECT_EQ(s.at(1, 1), "") << "a row that came back is empty";
  s = numbered(3, 3);
  s.setCols(5);
  EXPECT_EQ(s.at(1, 2), "1,2");
  EXPECT_EQ(s.at(1, 3), "");
  s.setCols(2);
  EXPECT_EQ(s.at(2, 1), "2,1");
  s.resize(4, 1);
  EXPECT_EQ(s.at(1, 0), "1,0");
  EXPECT_EQ(s.at(3, 0), "");
  s.clear();
  EXPECT_EQ(s.rows(), 4) << "clear keeps the size";
  EXPECT_EQ(s.at(1, 0), "");
  s.resize(-3, 4);
  EXPECT_TRUE(s.rows() == 0 && s.cells().empty());
}

class GridTest : public ScriptTest {
 protected:
  Grid& grid() { return *window->controlAs<Grid>("detalles"); }
  std::shared_ptr<TestWindow> window = makeWindow("W", [](TestWindow& w) { w.make<Grid>("detalles", {0, 0, 6000, 3000}); });
};

TEST_F(GridTest, FormatStringSetsColumnsHeadersWidthsAndAlignment) {
  const auto sections = parseFormatString("^Centro|<Izq  ||;row1|row2");
  ASSERT_EQ(sections.size(), 4u) << "row headers after ';' are not columns";
  EXPECT_EQ(sections[0].alignment, Alignment::Center);
  EXPECT_EQ(sections[1].alignment, Alignment::Left);
  EXPECT_EQ(sections[1].header, "Izq");
  EXPECT_EQ(sections[1].widthText, "Izq  ");
  EXPECT_EQ(sections[3].widthText, "");
  EXPECT_TRUE(parseFormatString("").empty());

  grid().setFormatString("Fecha     |>Venta Neta |||");
  EXPECT_EQ(grid().cols(), 5);
  EXPECT_EQ(grid().textMatrix(0, 0), "Fecha");
  EXPECT_EQ(grid().textMatrix(0, 1), "Venta Neta");
  EXPECT_EQ(grid().colAlignment(1), Alignment::Right);
  // "Fecha" 6+6+6+6+6 px plus five blanks of 3 px: 45 px.
  EXPECT_EQ(grid().colWidth(0), 45 * 15 + Grid::kCellPadding);
  EXPECT_EQ(grid().colWidth(4), Grid::kCellPadding);
}

// Cutting the rows pulls the current row back into the grid (what the rows keep is the store's;
// a row's texts from the first column on are the end-to-end invoice list's).
TEST_F(GridTest, FewerRowsPullTheCurrentRowBack) {
  grid().setRows(50);
  grid().setRow(49);
  grid().setRows(21);
  EXPECT_EQ(grid().row(), 20);
}

TEST_F(GridTest, BadIndexesRaiseErrors) {
  Grid& g = grid();
  EXPECT_EQ(errorOf([&] { g.textMatrix(2, 0); }), 381);
  EXPECT_EQ(errorOf([&] { g.setTextMatrix(0, 2, "x"); }), 381);
  std::vector<std::string> fila(3, "x");
  EXPECT_EQ(errorOf([&] { g.swapRowTexts(0, fila); }), 381) << "more texts than columns";
  EXPECT_EQ(errorOf([&] { g.setColWidth(-1, 10); }), 381);
  EXPECT_EQ(errorOf([&] { g.setRows(0); }), 380) << "fewer than the one fixed row";
}

}  // namespace
}  // namespace forms::test
