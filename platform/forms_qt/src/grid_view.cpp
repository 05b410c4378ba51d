#include "grid_view.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace forms_qt {

GridTableModel::GridTableModel(forms::Grid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(&grid) {
  headerRows_ = std::min(1, grid.fixedRows());
  rows_ = std::max(0, grid.rows() - headerRows_);
  cols_ = grid.cols();
}

void GridTableModel::refreshShape() {
  const int header = grid_ != nullptr ? std::min(1, grid_->fixedRows()) : 0;
  const int rows = grid_ != nullptr ? std::max(0, grid_->rows() - header) : 0;
  const int cols = grid_ != nullptr ? grid_->cols() : 0;
  if (header != headerRows_ || cols != cols_) {
    beginResetModel();
    headerRows_ = header;
    rows_ = rows;
    cols_ = cols;
    endResetModel();
    return;
  }
  if (rows > rows_) {
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows(QModelIndex(), rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
  // The rows that stayed may have been emptied (a cleared grid keeps its size).
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

void GridTableModel::refreshRows(int firstRow, int lastRow) {
  if (cols_ <= 0) return;
  if (firstRow < headerRows_) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
  const int first = std::max(0, tableRow(firstRow));
  const int last = std::min(rows_ - 1, tableRow(lastRow));
  if (first <= last) emit dataChanged(index(first, 0), index(last, cols_ - 1));
}

int GridTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (grid_ == nullptr || !index.isValid()) return {};
  const int r = gridRow(index.row());
  const int c = index.column();
  const forms::GridStore& store = grid_->store();
  if (!store.contains(r, c)) return {};
  const bool fixed = r < grid_->fixedRows() || c < grid_->fixedCols();
  const auto& colors = grid_->gridColors();
  switch (role) {
    case Qt::DisplayRole:
      return qs(store.at(r, c));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(toQtAlignment(grid_->colAlignment(c)) | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      return QBrush(toQColor(fixed ? colors.backFixed : colors.back));
    case Qt::ForegroundRole:
      return QBrush(toQColor(fixed ? colors.foreFixed : colors.fore));
    default:
      return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (grid_ == nullptr || orientation != Qt::Horizontal || headerRows_ == 0) return {};
  const forms::GridStore& store = grid_->store();
  if (!store.contains(0, section)) return {};
  switch (role) {
    case Qt::DisplayRole:
      return qs(store.at(0, section));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(toQtAlignment(grid_->colAlignment(section)) | Qt::AlignVCenter);
    default:
      return {};
  }
}

// ---------------------------------------------------------------------------------------------

void GridHeader::setFocusSection(int section, const QColor& back, const QColor& fore) {
  if (section == focusSection_ && back == back_ && fore == fore_) return;
  focusSection_ = section;
  back_ = back;
  fore_ = fore;
  viewport()->update();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (logicalIndex != focusSection_) {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    return;
  }
  // In the colours of a selected cell, as the current cell is shown everywhere else.
  painter->save();
  painter->fillRect(rect, back_);
  painter->setPen(fore_);
  const auto align = model()->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole);
  painter->drawText(rect.adjusted(2, 0, -2, 0), align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter),
                    model()->headerData(logicalIndex, Qt::Horizontal).toString());
  painter->restore();
}

GridWidget::GridWidget(forms::Grid& grid, InputSink& sink, QWidget* parent)
    : QTableView(parent),
      ControlView(grid, sink),
      model_(new GridTableModel(grid, this)),
      header_(new GridHeader(this)) {
  setHorizontalHeader(header_);
  setModel(model_);
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::NoFrame);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setCornerButtonEnabled(false);
  setShowGrid(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setFocusPolicy(Qt::NoFocus);
  viewport()->setFocusPolicy(Qt::NoFocus);
  connect(header_, &QHeaderView::sectionResized, this, [this](int col, int, int size) {
    if (syncingShape_) return;
    std::erase_if(dragged_, [col](const auto& d) { return d.first == col; });
    dragged_.emplace_back(col, size);
  });
}

void GridWidget::syncShape(const Scale& scale) {
  syncingShape_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{syncingShape_};
  model_->refreshShape();
  auto& g = static_cast<forms::Grid&>(*control_);
  // One row is as high as the platform's default row for the grid's font.
  const int rowPx = std::max(scale.pxY(240), QFontMetrics(toQFont(g.font())).height() + 2);
  verticalHeader()->setDefaultSectionSize(rowPx);
  horizontalHeader()->setFixedHeight(rowPx);
  horizontalHeader()->setVisible(model_->headerRows() > 0);
  for (int c = 0; c < g.cols(); ++c) {
    const int w = g.colWidth(c);
    setColumnHidden(c, w <= 0);
    if (w > 0) setColumnWidth(c, scale.pxX(w));
  }
}

void GridWidget::sync(const Scale&) {
  auto& g = static_cast<forms::Grid&>(*control_);
  setEnabled(g.enabled());
  const QFont f = toQFont(g.font());
  if (font() != f) setFont(f);
  const auto& c = g.gridColors();
  const QString style =
      QStringLiteral(
          "QTableView { background-color: %1; gridline-color: %2; selection-background-color: %3; "
          "selection-color: %4; border: 1px solid rgb(128, 128, 128); }"
          "QHeaderView { background-color: %1; }"
          "QHeaderView::section { background-color: %5; color: %6; border: none; border-right: 1px solid %7; "
          "border-bottom: 1px solid %7; padding: 0px 2px; }")
          .arg(cssColor(c.backBkg), cssColor(c.grid), cssColor(c.backSel), cssColor(c.foreSel), cssColor(c.backFixed),
               cssColor(c.foreFixed), cssColor(c.gridFixed));
  if (style != styleSheet_) {
    styleSheet_ = style;
    setStyleSheet(style);
  }
  // The current cell is shown as selected.
  const int r = model_->tableRow(g.row());
  if (r >= 0 && r < model_->rowCount() && g.col() < model_->columnCount() && g.row() >= g.fixedRows()) {
    const QModelIndex idx = model_->index(r, g.col());
    if (selectionModel()->currentIndex() != idx || !selectionModel()->isSelected(idx))
      selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
  } else if (selectionModel()->hasSelection() || selectionModel()->currentIndex().isValid()) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  // A current cell in the header row shows while the grid has the focus.
  const bool headerCurrent = g.hasFocus() && g.row() == 0 && model_->headerRows() > 0 && g.col() < g.cols();
  header_->setFocusSection(headerCurrent ? g.col() : -1, toQColor(c.backSel), toQColor(c.foreSel));
}

bool GridWidget::cellAt(const QPoint& viewportPos, int& row, int& col) const {
  const QModelIndex idx = indexAt(viewportPos);
  if (!idx.isValid()) return false;
  row = model_->gridRow(idx.row());
  col = idx.column();
  return true;
}

bool GridWidget::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex idx = indexAt(help->pos());
  const QString text = idx.isValid() ? idx.data().toString() : QString();
  const QRect cell = visualRect(idx);
  // The cell's text margins as the style draws them, and a pixel to spare.
  const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
  if (!text.isEmpty() && QFontMetrics(font()).horizontalAdvance(text) + margins > cell.width())
    QToolTip::showText(help->globalPos(), text, viewport(), cell);
  else
    QToolTip::hideText();
  return true;
}

bool GridWidget::columnBorderAt(const QPoint& headerPos) const {
  const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header_);
  const int left = header_->logicalIndexAt(headerPos.x() - grip);
  return left >= 0 && left != header_->logicalIndexAt(headerPos.x() + grip);
}

std::vector<std::pair<int, int>> GridWidget::takeDraggedWidths() {
  return std::exchange(dragged_, {});
}

void GridWidget::scrollToCurrent() {
  const QModelIndex idx = selectionModel()->currentIndex();
  if (idx.isValid()) scrollTo(idx);
}

}  // namespace forms_qt
