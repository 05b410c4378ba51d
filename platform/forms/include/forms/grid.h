#pragma once
// The text grid: a table of text cells with fixed (header) rows and columns, a current cell,
// column widths and alignments, and the events DblClick, KeyPress, GotFocus, RowColChange (and
// Click).
//
// The cells live in one contiguous store (GridStore, row by row), so tens of thousands of rows
// cost one allocation; changing Rows keeps the rows that stay.
//
// FormatString: sections separated by '|' give the header texts of row 0 and the columns: a
// leading '<' aligns the column left, '>' right, '^' centre; the width of a column is the width
// of its section text, blanks included (TextMetrics), plus kCellPadding; the header cell holds
// the text without the alignment character and without trailing blanks. Setting it also sets
// the number of columns to the number of sections.
//   ">Saldo           |Fecha|" -> 3 columns; 0 right "Saldo"; 1 left "Fecha"; 2 left "".

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/control.h"

namespace forms {

// Cells of a rows x cols table in one std::vector, row by row.
class GridStore final {
 public:
  GridStore() = default;
  GridStore(int rows, int cols);

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  // Grows or shrinks; cells at places that exist before and after keep their text, new cells
  // are empty. Negative sizes are clamped to 0.
  void resize(int rows, int cols);
  void setRows(int rows) { resize(rows, cols_); }
  void setCols(int cols) { resize(rows_, cols); }
  // Unchecked access (callers check the range).
  const std::string& at(int row, int col) const { return cells_[index(row, col)]; }
  std::string& at(int row, int col) { return cells_[index(row, col)]; }
  bool contains(int row, int col) const { return row >= 0 && col >= 0 && row < rows_ && col < cols_; }
  // Empties every cell, keeping the size.
  void clear();
  const std::vector<std::string>& cells() const { return cells_; }

 private:
  size_t index(int row, int col) const { return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col); }
  int rows_ = 0;
  int cols_ = 0;
  std::vector<std::string> cells_;
};

// One section of a format string.
struct FormatSection {
  std::string header;  // without the alignment character and trailing blanks
  std::string widthText;  // the text that sets the width (blanks included)
  Alignment alignment = Alignment::Left;
  bool operator==(const FormatSection&) const = default;
};
// Splits a format string into its column sections (the part after a ';', which would give row
// headers, is ignored).
std::vector<FormatSection> parseFormatString(std::string_view formatString);

class Grid final : public Control {
 public:
  static constexpr int kDefaultColWidth = 960;
  static constexpr int kCellPadding = 120;  // added to a column's text width by FormatString

  Grid(Window& window, std::string name);

  int rows() const { return store_.rows(); }
  // Error 380 when rows < FixedRows. Cells of the rows that stay are kept. The current row is
  // pulled back inside the grid.
  void setRows(int rows);
  int cols() const { return store_.cols(); }
  // Error 380 when cols < FixedCols.
  void setCols(int cols);
  int fixedRows() const { return fixedRows_; }
  void setFixedRows(int n);  // error 380 when n > Rows
  int fixedCols() const { return fixedCols_; }
  void setFixedCols(int n);  // error 380 when n > Cols

  // Error 381 for a column that does not exist.
  int colWidth(int col) const;
  void setColWidth(int col, int width);
  std::vector<int> colWidths() const { return colWidths_; }
  Alignment colAlignment(int col) const;
  void setColAlignment(int col, Alignment a);

  // Error 381 (Invalid property array index) for a cell that does not exist.
  const std::string& textMatrix(int row, int col) const;
  void setTextMatrix(int row, int col, std::string text);
  // Writes a row's cells from column 0 on, as many as texts are given, taking each text and
  // handing back the cell's former one in its place (a loop filling rows reuses their room).
  // Error 381 for a row that does not exist or more texts than columns.
  void swapRowTexts(int row, std::span<std::string> texts);
  // The text of the current cell.
  const std::string& text() const { return textMatrix(row_, col_); }
  void setText(std::string text) { setTextMatrix(row_, col_, std::move(text)); }

  // The current cell. Error 381 outside the grid.
  int row() const { return row_; }
  void setRow(int row);
  int col() const { return col_; }
  void setCol(int col);

  const std::string& formatString() const { return formatString_; }
  void setFormatString(std::string formatString);

  // Empties every cell (Rows and Cols stay).
  void clear();

  // With drawing off a view may skip updates; switching it back on tells it to re-read all.
  bool redraw() const { return redraw_; }
  void setRedraw(bool on);

  const GridStore& store() const { return store_; }

  // RowColChange: the current cell moved (by the operator or by code).
  std::function<void()> onRowColChange;

  // Colours of the grid's parts.
  struct Colors {
    Color back = colors::kWhite;
    Color fore = colors::kBlack;
    Color backFixed = colors::kButtonFace;
    Color foreFixed = colors::kBlack;
    Color backSel = rgb(0, 0, 128);
    Color foreSel = colors::kWhite;
    Color backBkg = rgb(128, 128, 128);
    Color grid = rgb(192, 192, 192);
    Color gridFixed = colors::kBlack;
    bool operator==(const Colors&) const = default;
  };
  const Colors& gridColors() const { return colors_; }
  void setGridColors(const Colors& c);

 private:
  void operatorCharAction(int16_t keyAscii) override;
  void checkCell(int row, int col) const;
  void shapeChanged();
  GridStore store_;
  int fixedRows_ = 1;
  int fixedCols_ = 0;
  int row_ = 1;
  int col_ = 0;
  std::vector<int> colWidths_;
  std::vector<Alignment> alignments_;
  std::string formatString_;
  bool redraw_ = true;
  Colors colors_;
};

}  // namespace forms
