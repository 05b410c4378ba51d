// The focus shows wherever it is: option buttons and check boxes draw the style's focus mark, and
// a grid whose current cell is in its header row shows that cell while it has the focus.

#include <QHeaderView>
#include <QImage>
#include <QTableView>
#include <QTest>

#include "forms/grid.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, OptionsCheckBoxesAndTheGridShowTheFocus) {
  auto w = showTestWindow();
  for (const char* name : {"marca", "optNo"}) {
    const QImage before = widget(*w, name)->grab().toImage();
    w->operatorFocus(*w->control(name));
    view->processEvents();
    EXPECT_NE(widget(*w, name)->grab().toImage(), before) << name;
  }

  w->fillRows(3);
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  g.setRow(0);
  g.setCol(1);
  auto* table = widgetAs<QTableView>(*w, "lista");
  QHeaderView* header = table->horizontalHeader();
  auto headerPixel = [&] {
    view->processEvents();
    return header->grab().toImage().pixelColor(header->sectionViewportPosition(1) + 2, 2);
  };
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
  w->operatorFocus(g);
  EXPECT_EQ(headerPixel(), QColor(0, 0, 255));
  QTest::keyClick(table, Qt::Key_Down);
  EXPECT_EQ(g.row(), 1);
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
}

}  // namespace
}  // namespace forms_qt_test
