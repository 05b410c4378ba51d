#include "forms/grid.h"

#include <algorithm>
#include <iterator>

#include "automation/error.h"
#include "forms/application.h"
#include "forms/window.h"

namespace forms {

namespace {
constexpr int32_t kInvalidIndex = 381;
}

// ---------------------------------------------------------------------------------------------
// GridStore

GridStore::GridStore(int rows, int cols) { resize(rows, cols); }

void GridStore::resize(int rows, int cols) {
  rows = std::max(rows, 0);
  cols = std::max(cols, 0);
  if (cols == cols_) {
    // Row by row: the rows that stay are the front of the vector.
    const size_t n = static_cast<size_t>(rows) * static_cast<size_t>(cols);
    cells_.resize(n);
    // Trimming a grid that was grown in steps (cutting less than half of its rows) gives back
    // the spare room beyond an eighth; emptying it keeps the room for the next fill.
    if (rows < rows_ && rows >= rows_ - rows && cells_.capacity() - n > n / 4) {
      std::vector<std::string> trimmed;
      trimmed.reserve(n + n / 8);
      std::move(cells_.begin(), cells_.end(), std::back_inserter(trimmed));
      cells_.swap(trimmed);
    }
    rows_ = rows;
    return;
  }
  std::vector<std::string> next(static_cast<size_t>(rows) * static_cast<size_t>(cols));
  const int keepRows = std::min(rows, rows_), keepCols = std::min(cols, cols_);
  for (int r = 0; r < keepRows; ++r)
    for (int c = 0; c < keepCols; ++c)
      next[static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c)] = std::move(at(r, c));
  cells_ = std::move(next);
  rows_ = rows;
  cols_ = cols;
}

void GridStore::clear() {
  for (auto& cell : cells_) cell.clear();
}

// ---------------------------------------------------------------------------------------------
// Format strings

std::vector<FormatSection> parseFormatString(std::string_view formatString) {
  std::vector<FormatSection> out;
  // Row headers (after ';') are not used by this runtime.
  const std::string_view columns = formatString.substr(0, formatString.find(';'));
  if (columns.empty()) return out;
  size_t start = 0;
  while (true) {
    const size_t bar = columns.find('|', start);
    std::string_view part = columns.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    FormatSection section;
    if (!part.empty() && (part[0] == '<' || part[0] == '>' || part[0] == '^')) {
      section.alignment = part[0] == '>' ? Alignment::Right : part[0] == '^' ? Alignment::Center : Alignment::Left;
      part.remove_prefix(1);
    }
    section.widthText = std::string(part);
    size_t end = part.size();
    while (end > 0 && part[end - 1] == ' ') --end;
    section.header = std::string(part.substr(0, end));
    out.push_back(std::move(section));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Grid

Grid::Grid(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::Grid),
      store_(2, 2),
      colWidths_(2, kDefaultColWidth),
      alignments_(2, Alignment::Left) {}

void Grid::shapeChanged() {
  if (redraw_) changed();
  if (redraw_ && window().isLoaded())
    application().notify([&](Observer& o) { o.gridShapeChanged(*this); });
}

void Grid::checkCell(int row, int col) const {
  if (!store_.contains(row, col)) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
}

void Grid::setRows(int rows) {
  if (rows < fixedRows_ || rows < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  if (rows == store_.rows()) return;
  store_.setRows(rows);
  if (row_ >= rows) row_ = std::max(rows - 1, 0);
  shapeChanged();
}

void Grid::setCols(int cols) {
  if (cols < fixedCols_ || cols < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  if (cols == store_.cols()) return;
  store_.setCols(cols);
  colWidths_.resize(static_cast<size_t>(cols), kDefaultColWidth);
  alignments_.resize(static_cast<size_t>(cols), Alignment::Left);
  if (col_ >= cols) col_ = std::max(cols - 1, 0);
  shapeChanged();
}

void Grid::setFixedRows(int n) {
  if (n < 0 || n > store_.rows()) automation::raise(automation::err::kInvalidPropertyValue, name());
  fixedRows_ = n;
  if (row_ < n && n < store_.rows()) row_ = n;
  shapeChanged();
}

void Grid::setFixedCols(int n) {
  if (n < 0 || n > store_.cols()) automation::raise(automation::err::kInvalidPropertyValue, name());
  fixedCols_ = n;
  if (col_ < n && n < store_.cols()) col_ = n;
  shapeChanged();
}

int Grid::colWidth(int col) const {
  if (col < 0 || col >= store_.cols()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  return colWidths_[static_cast<size_t>(col)];
}

void Grid::setColWidth(int col, int width) {
  if (col < 0 || col >= store_.cols()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  if (width < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  if (colWidths_[static_cast<size_t>(col)] == width) return;
  colWidths_[static_cast<size_t>(col)] = width;
  shapeChanged();
}

Alignment Grid::colAlignment(int col) const {
  if (col < 0 || col >= store_.cols()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  return alignments_[static_cast<size_t>(col)];
}

void Grid::setColAlignment(int col, Alignment a) {
  if (col < 0 || col >= store_.cols()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  alignments_[static_cast<size_t>(col)] = a;
  shapeChanged();
}

const std::string& Grid::textMatrix(int row, int col) const {
  checkCell(row, col);
  return store_.at(row, col);
}

void Grid::setTextMatrix(int row, int col, std::string text) {
  checkCell(row, col);
  std::string& cell = store_.at(row, col);
  if (cell == text) return;
  cell = std::move(text);
  if (redraw_ && window().isLoaded())
    application().notify([&](Observer& o) { o.gridCellsChanged(*this, row, row); });
}

void Grid::swapRowTexts(int row, std::span<std::string> texts) {
  if (texts.empty()) return;
  const size_t cols = static_cast<size_t>(store_.cols());
  checkCell(row, texts.size() > cols ? store_.cols() : static_cast<int>(texts.size()) - 1);
  // Only a view that is told needs to know whether anything changed.
  const bool notify = redraw_ && window().isLoaded();
  bool changed = false;
  std::string* cells = &store_.at(row, 0);
  for (size_t c = 0; c < texts.size(); ++c) {
    if (notify && !changed) changed = cells[c] != texts[c];
    cells[c].swap(texts[c]);
  }
  if (changed) application().notify([&](Observer& o) { o.gridCellsChanged(*this, row, row); });
}

void Grid::setRow(int row) {
  if (row < 0 || row >= store_.rows()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  if (row_ == row) return;
  row_ = row;
  changed();
  raise(onRowColChange);
}

void Grid::setCol(int col) {
  if (col < 0 || col >= store_.cols()) throw automation::Error(kInvalidIndex, name(), "Invalid property array index");
  if (col_ == col) return;
  col_ = col;
  changed();
  raise(onRowColChange);
}

void Grid::setFormatString(std::string formatString) {
  const auto sections = parseFormatString(formatString);
  formatString_ = std::move(formatString);
  if (sections.empty()) {
    shapeChanged();
    return;
  }
  const bool drawing = redraw_;
  redraw_ = false;  // one notification at the end
  setCols(std::max(static_cast<int>(sections.size()), fixedCols_));
  if (store_.rows() == 0) setRows(1);
  const TextMetrics& metrics = application().textMetrics();
  for (size_t c = 0; c < sections.size(); ++c) {
    store_.at(0, static_cast<int>(c)) = sections[c].header;
    alignments_[c] = sections[c].alignment;
    colWidths_[c] = metrics.textWidth(sections[c].widthText, font()) + kCellPadding;
  }
  redraw_ = drawing;
  shapeChanged();
}

void Grid::clear() {
  store_.clear();
  shapeChanged();
}

void Grid::setRedraw(bool on) {
  if (redraw_ == on) return;
  redraw_ = on;
  if (on) shapeChanged();
}

void Grid::setGridColors(const Colors& c) {
  colors_ = c;
  changed();
}

void Grid::operatorCharAction(int16_t) {}

}  // namespace forms
