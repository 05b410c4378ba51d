// What the operator sees: widgets at the design places, in the design stacking, with the
// design colours, following the model.

#include <QAbstractItemView>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include "forms/grid.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, EveryControlLiesAtItsDesignPlaceInItsContainer) {
  auto w = showCommissionWindow();
  QWidget* top = view->windowWidget(*w);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(top->windowTitle(), QString("Acreditacion/pago de comisiones"));
  // The design client area, 11880 x 8595 twips.
  EXPECT_EQ(top->size(), QSize(792, 573));
  for (forms::Control* c : w->controls()) {
    QWidget* wd = view->controlWidget(*c);
    ASSERT_NE(wd, nullptr) << c->name();
    QWidget* expectedParent = c->container() ? view->controlWidget(*c->container()) : top;
    EXPECT_EQ(wd->parentWidget(), expectedParent) << c->name();
    if (c->kind() == forms::ControlKind::StatusBar) continue;
    EXPECT_EQ(wd->geometry(), px(c->geometry())) << c->name();
  }
  // Controls that keep their design size, against the design table itself.
  EXPECT_EQ(widget(*w, "codigoVendedor")->geometry(), QRect(127, 8, 138, 23));
  EXPECT_EQ(widget(*w, "Frame1")->geometry(), QRect(533, 9, 250, 160));
  EXPECT_EQ(widget(*w, "Label5")->geometry(), QRect(6, -3, 78, 15));
  EXPECT_EQ(widget(*w, "detalles")->geometry(), QRect(9, 180, 772, 317));
  EXPECT_EQ(widget(*w, "cbProcesar")->geometry(), QRect(576, 507, 101, 34));
  EXPECT_EQ(widget(*w, "cbCancelar")->geometry(), QRect(682, 507, 101, 34));
  // The status bar lies along the bottom edge, across the whole width.
  EXPECT_EQ(widget(*w, "StatusBar1")->geometry(), QRect(0, 573 - 21, 792, 21));
}

TEST_F(ViewTest, LabelsAndShapesLieBeneathTheWindowedControls) {
  auto w = showCommissionWindow();
  auto stackIndex = [&](const char* name) {
    QWidget* wd = widget(*w, name);
    return wd->parentWidget()->children().indexOf(wd);
  };
  // The panel's title lies over its box, so the box's top edge stops at the title.
  EXPECT_GT(stackIndex("Label5"), stackIndex("Shape1"));
  EXPECT_GT(stackIndex("optCheque"), stackIndex("Label5"));
  // The grid lies over the shape that frames it.
  EXPECT_GT(stackIndex("detalles"), stackIndex("Shape2"));
  EXPECT_GT(stackIndex("cbCancelar"), stackIndex("Label1"));
}

TEST_F(ViewTest, ModelChangesReachTheWidgets) {
  auto w = showCommissionWindow();
  auto* nombre = widgetAs<QLabel>(*w, "nombreVendedor");
  EXPECT_EQ(nombre->text(), QString("...nombre del vendedor..."));
  w->controlAs<forms::Label>("nombreVendedor")->setCaption("Pérez, Ana");
  EXPECT_EQ(nombre->text(), QString("Pérez, Ana"));

  auto* cheque = widgetAs<QRadioButton>(*w, "optCheque");
  EXPECT_FALSE(cheque->isChecked());
  w->controlAs<forms::OptionButton>("optCheque")->setValue(true);
  EXPECT_TRUE(cheque->isChecked());
  EXPECT_FALSE(widgetAs<QRadioButton>(*w, "optEfectivo")->isChecked());
  EXPECT_TRUE(widget(*w, "codigoBanco")->isEnabled());

  w->control("lblqFact")->setVisible(false);
  EXPECT_FALSE(widget(*w, "lblqFact")->isVisible());
  w->control("Frame1")->setEnabled(false);
  EXPECT_FALSE(widget(*w, "optCheque")->isEnabled());

  w->control("cbProcesar")->move(100, 200, 1500, 600);
  EXPECT_EQ(widget(*w, "cbProcesar")->geometry(), QRect(7, 13, 100, 40));
  w->setCaption("Otro");
  EXPECT_EQ(view->windowWidget(*w)->windowTitle(), QString("Otro"));
}

TEST_F(ViewTest, GridShowsTheCellStoreWithItsHeaderAlignmentAndCurrentCell) {
  auto w = showCommissionWindow();
  w->fillInvoices(3);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "detalles");
  auto* model = table->model();
  EXPECT_EQ(model->rowCount(), 3);
  EXPECT_EQ(model->columnCount(), 13);
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QString("Venta Neta"));
  EXPECT_EQ(model->data(model->index(0, 9)).toString(), QString("Cliente 1"));
  EXPECT_EQ(model->data(model->index(2, 8)).toString(), QString("NO"));
  EXPECT_TRUE(model->data(model->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
  EXPECT_TRUE(model->data(model->index(0, 9), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
  EXPECT_TRUE(table->isColumnHidden(10));
  EXPECT_FALSE(table->isColumnHidden(9));
  // Column widths come from the format string's texts.
  forms::Grid& g = *w->controlAs<forms::Grid>("detalles");
  EXPECT_EQ(table->columnWidth(2), (g.colWidth(2) + 7) / 15);

  g.setRow(2);
  g.setCol(6);
  g.setTextMatrix(3, 8, "SI");
  view->processEvents();
  EXPECT_EQ(table->selectionModel()->currentIndex(), model->index(1, 6));
  EXPECT_TRUE(table->selectionModel()->isSelected(model->index(1, 6)));
  EXPECT_EQ(model->data(model->index(2, 8)).toString(), QString("SI"));

  // Emptied and shrunk, the view follows.
  g.setRows(2);
  view->processEvents();
  EXPECT_EQ(model->rowCount(), 1);
}

TEST_F(ViewTest, FiftyThousandInvoicesScrollToTheLastOne) {
  auto w = showCommissionWindow();
  w->fillInvoices(50000);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "detalles");
  EXPECT_EQ(table->model()->rowCount(), 50000);
  table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
  view->processEvents();
  const QModelIndex last = table->indexAt(QPoint(5, table->viewport()->height() - 3));
  ASSERT_TRUE(last.isValid());
  EXPECT_EQ(table->model()->data(last.sibling(last.row(), 9)).toString(), QString("Cliente 50000"));
}

TEST_F(ViewTest, ShotShowsTheThemedColoursAndTheFramedGrid) {
  auto w = showCommissionWindow();
  w->fillInvoices(5);
  QTemporaryDir dir;
  const std::string file = dir.filePath("commission.png").toStdString();
  view->saveShot(*w, file);
  QImage img(QString::fromStdString(file));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(792, 573));
  auto rgbAt = [&](int x, int y) { return QColor(img.pixel(x, y)); };
  // The buttons' face.
  EXPECT_EQ(rgbAt(580, 510), QColor(7, 116, 205));
  // Shape2's outline, 2 pixels outside the grid.
  EXPECT_EQ(rgbAt(300, 178), QColor(162, 182, 253));
  // The grid's header row.
  EXPECT_EQ(rgbAt(300, 183), QColor(207, 226, 254));
  // The current cell (row 1, column 0) is shown selected; the others are white.
  EXPECT_EQ(rgbAt(9 + 1 + 20, 180 + 1 + 16 + 8), QColor(0, 0, 255));
  EXPECT_EQ(rgbAt(9 + 1 + 20, 180 + 1 + 32 + 8), QColor(255, 255, 255));
  // The panel's box (Shape1, black) runs along the top of the payment panel, except where its
  // title lies across it.
  const int boxTop = 9 + 3;
  EXPECT_EQ(rgbAt(533 + 150, boxTop), QColor(0, 0, 0));
  bool titleCovers = true;
  for (int x = 533 + 8; x < 533 + 12; ++x) titleCovers = titleCovers && rgbAt(x, boxTop) != QColor(0, 0, 0);
  EXPECT_TRUE(titleCovers);
}

TEST_F(ViewTest, UnloadingAWindowRemovesItsWidgets) {
  auto w = showCommissionWindow();
  ASSERT_NE(view->windowWidget(*w), nullptr);
  w->unload();
  view->processEvents();
  EXPECT_EQ(view->windowWidget(*w), nullptr);
  // Touching the window loads it again: new widgets, design values.
  w->show();
  view->processEvents();
  ASSERT_NE(view->windowWidget(*w), nullptr);
  EXPECT_TRUE(view->windowWidget(*w)->isVisible());
}

TEST_F(ViewTest, ANumberDialogSizesItselfToItsPromptWithRealFonts) {
  auto d = std::make_shared<NumberDialog>();
  d->load();
  d->controlAs<forms::Label>("Label1")->setCaption("Nueva comision para la factura");
  // The label measures its text with the font the widget draws it in.
  QWidget* label = widget(*d, "Label1");
  EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(QString("Nueva comision para la factura")));
  EXPECT_LE(label->width(), label->fontMetrics().horizontalAdvance(QString("Nueva comision para la factura")) + 1);
  d->unload();
}

}  // namespace
}  // namespace forms_qt_test
