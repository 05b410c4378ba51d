// A list's clipped cells show their whole text in a tooltip; the operator drags a column border
// to widen it (hidden columns stay hidden) and finds the width again the next time.

#include <QHeaderView>
#include <QHelpEvent>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <map>

#include "forms/grid.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

class MemoryPreferences final : public forms::Preferences {
 public:
  std::optional<std::string> read(const std::string& section, const std::string& key) const override {
    auto it = values.find({section, key});
    return it == values.end() ? std::nullopt : std::optional(it->second);
  }
  void write(const std::string& section, const std::string& key, const std::string& value) override {
    values[{section, key}] = value;
  }
  std::map<std::pair<std::string, std::string>, std::string> values;
};

TEST_F(ViewTest, ClippedCellsShowTooltipsAndDraggedColumnWidthsAreRemembered) {
  auto prefs = std::make_shared<MemoryPreferences>();
  app.setPreferences(prefs);
  auto w = showTestWindow();
  w->fillRows(2);
  const std::string longName = "Consultorio Odontologico Sonrisas de la Gran Sabana, sucursal Norte";
  w->controlAs<forms::Grid>("lista")->setTextMatrix(1, 4, longName);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "lista");
  auto tipAt = [&](int row, int col) {
    const QPoint at = table->visualRect(table->model()->index(row - 1, col)).center();
    QHelpEvent e(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(table->viewport(), &e);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
  };
  EXPECT_EQ(tipAt(1, 4), longName);
  EXPECT_NE(tipAt(2, 4), "Cliente 2");  // it fits

  // Dragging the border after the customer column 60 pixels to the right.
  QHeaderView* header = table->horizontalHeader();
  const int border = header->sectionViewportPosition(4) + header->sectionSize(4) - 1;
  const int before = w->controlAs<forms::Grid>("lista")->colWidth(4);
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, 5));
  QTest::mouseMove(header->viewport(), QPoint(border + 60, 5));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 60, 5));
  const int after = w->controlAs<forms::Grid>("lista")->colWidth(4);
  EXPECT_NEAR(after, before + 60 * 15, 30);
  // A hidden column cannot be given a width.
  w->operatorColWidth(*w->controlAs<forms::Grid>("lista"), 5, 900);
  EXPECT_EQ(w->controlAs<forms::Grid>("lista")->colWidth(5), 0);

  w->unload();
  auto again = showTestWindow();
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(4), after);
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(5), 0);
}

}  // namespace
}  // namespace forms_qt_test
