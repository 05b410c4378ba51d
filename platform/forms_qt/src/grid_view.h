#pragma once
// The text grid as a Qt item view. GridTableModel reads the grid's cell store directly; the
// first fixed row is the horizontal header. Only the size of the table is remembered between
// notifications, so that Qt is told about rows and columns that came or went in one step
// (loading tens of thousands of rows costs one notification, not one per row).

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <utility>
#include <vector>

#include "control_widgets.h"
#include "forms/grid.h"

namespace forms_qt {

class GridTableModel final : public QAbstractTableModel {
 public:
  explicit GridTableModel(forms::Grid& grid, QObject* parent = nullptr);

  void detach() { grid_ = nullptr; }
  // The grid's rows, columns or fixed rows changed: tell the view (rows inserted or removed
  // when only the number of rows changed, a reset otherwise).
  void refreshShape();
  // Cell texts of grid rows first..last changed.
  void refreshRows(int firstRow, int lastRow);
  // The grid row of a table row and back (the header row is not a table row).
  int gridRow(int tableRow) const { return tableRow + headerRows_; }
  int tableRow(int gridRow) const { return gridRow - headerRows_; }
  int headerRows() const { return headerRows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  forms::Grid* grid_;
  int rows_ = 0;  // table rows as last told to the view
  int cols_ = 0;
  int headerRows_ = 0;
};

// The header row. While the grid has the focus with its current cell in the header, that cell
// is drawn in the colours of a selected cell.
class GridHeader final : public QHeaderView {
 public:
  explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}
  // -1: none.
  int focusSection() const { return focusSection_; }
  void setFocusSection(int section, const QColor& back, const QColor& fore);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  int focusSection_ = -1;
  QColor back_;
  QColor fore_;
};

class GridWidget final : public QTableView, public ControlView {
 public:
  GridWidget(forms::Grid& grid, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;
  GridTableModel& tableModel() { return *model_; }
  // Applies the grid's shape, column widths and alignments (after rows or columns changed).
  void syncShape(const Scale& scale);
  // The grid cell (row, col) at a point of the viewport; false outside the cells.
  bool cellAt(const QPoint& viewportPos, int& row, int& col) const;
  // Makes the current cell visible.
  void scrollToCurrent();
  // Whether a point of the header lies on the border after a visible column (where a drag
  // changes the column's width).
  bool columnBorderAt(const QPoint& headerPos) const;
  // The columns the operator dragged to a new width (pixels) since the last call.
  std::vector<std::pair<int, int>> takeDraggedWidths();

 protected:
  // A cell too narrow for its text shows the whole text in a tooltip.
  bool viewportEvent(QEvent* event) override;

 private:
  GridTableModel* model_;
  GridHeader* header_;
  QString styleSheet_;
  bool syncingShape_ = false;
  std::vector<std::pair<int, int>> dragged_;
};

}  // namespace forms_qt
