// What the operator sees: widgets at the design places, in the design stacking, with the
// design colours, following the model; and scripts run with the view attached.

#include <QAbstractItemView>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sstream>

#include "forms/driver.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, EveryControlLiesAtItsDesignPlaceInItsContainer) {
  auto w = showTestWindow();
  QWidget* top = view->windowWidget(*w);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(top->windowTitle(), QString("Ventana de prueba"));
  for (forms::Control* c : w->controls()) {
    QWidget* wd = view->controlWidget(*c);
    ASSERT_NE(wd, nullptr) << c->name();
    QWidget* expectedParent = c->container() ? view->controlWidget(*c->container()) : top;
    EXPECT_EQ(wd->parentWidget(), expectedParent) << c->name();
    if (c->kind() == forms::ControlKind::StatusBar) continue;
    EXPECT_EQ(wd->geometry(), px(c->geometry())) << c->name();
  }
  // The status bar lies along the bottom edge, across the whole width.
  EXPECT_EQ(widget(*w, "barra")->geometry(), QRect(0, 400 - 20, 600, 20));
}

TEST_F(ViewTest, LabelsAndShapesLieBeneathTheWindowedControls) {
  auto w = showTestWindow();
  auto stackIndex = [&](const char* name) {
    QWidget* wd = widget(*w, name);
    return wd->parentWidget()->children().indexOf(wd);
  };
  // The panel's title lies over its box, so the box's top edge stops at the title.
  EXPECT_GT(stackIndex("lblPanel"), stackIndex("caja"));
  EXPECT_GT(stackIndex("optBanco"), stackIndex("lblPanel"));
  // The grid lies over the shape that frames it.
  EXPECT_GT(stackIndex("lista"), stackIndex("borde"));
  EXPECT_GT(stackIndex("cbCancelar"), stackIndex("lblCodigo"));
}

TEST_F(ViewTest, ModelChangesReachTheWidgets) {
  auto w = showTestWindow();
  auto* nombre = widgetAs<QLabel>(*w, "lblNombre");
  EXPECT_EQ(nombre->text(), QString("...nombre..."));
  w->controlAs<forms::Label>("lblNombre")->setCaption("Pérez, Ana");
  EXPECT_EQ(nombre->text(), QString("Pérez, Ana"));

  w->control("lblCodigo")->setVisible(false);
  EXPECT_FALSE(widget(*w, "lblCodigo")->isVisible());
  w->control("panel")->setEnabled(false);
  EXPECT_FALSE(widget(*w, "optBanco")->isEnabled());

  w->control("cbAceptar")->move(100, 200, 1500, 600);
  EXPECT_EQ(widget(*w, "cbAceptar")->geometry(), QRect(7, 13, 100, 40));
  w->setCaption("Otro");
  EXPECT_EQ(view->windowWidget(*w)->windowTitle(), QString("Otro"));
}

TEST_F(ViewTest, GridShowsTheCellStoreWithItsHeaderAlignmentAndCurrentCell) {
  auto w = showTestWindow();
  w->fillRows(3);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "lista");
  auto* model = table->model();
  EXPECT_EQ(std::tuple(model->rowCount(), model->columnCount(), model->headerData(2, Qt::Horizontal).toString()),
            std::tuple(3, 7, QString("Importe")));
  EXPECT_EQ(model->data(model->index(0, 4)).toString(), QString("Cliente 1"));
  EXPECT_EQ(model->data(model->index(2, 3)).toString(), QString("NO"));
  EXPECT_TRUE(model->data(model->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
  EXPECT_TRUE(table->isColumnHidden(5));
  // Column widths come from the format string's texts.
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  EXPECT_EQ(table->columnWidth(2), (g.colWidth(2) + 7) / 15);

  g.setRow(2);
  g.setCol(2);
  g.setTextMatrix(3, 3, "SI");
  view->processEvents();
  EXPECT_EQ(table->selectionModel()->currentIndex(), model->index(1, 2));
  EXPECT_TRUE(table->selectionModel()->isSelected(model->index(1, 2)));
  EXPECT_EQ(model->data(model->index(2, 3)).toString(), QString("SI"));

  // Emptied and shrunk, the view follows.
  g.setRows(2);
  view->processEvents();
  EXPECT_EQ(model->rowCount(), 1);
}

TEST_F(ViewTest, FiftyThousandInvoicesScrollToTheLastOne) {
  auto w = showTestWindow();
  w->fillRows(50000);
  view->processEvents();
  auto* table = widgetAs<QTableView>(*w, "lista");
  EXPECT_EQ(table->model()->rowCount(), 50000);
  table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
  view->processEvents();
  const QModelIndex last = table->indexAt(QPoint(5, table->viewport()->height() - 3));
  ASSERT_TRUE(last.isValid());
  EXPECT_EQ(table->model()->data(last.sibling(last.row(), 4)).toString(), QString("Cliente 50000"));
}

TEST_F(ViewTest, ShotShowsTheThemedColoursAndTheFramedGrid) {
  auto w = showTestWindow();
  w->fillRows(5);
  QTemporaryDir dir;
  const std::string file = dir.filePath("prueba.png").toStdString();
  view->saveShot(*w, file);
  QImage img(QString::fromStdString(file));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(600, 400));
  auto rgbAt = [&](int x, int y) { return QColor(img.pixel(x, y)); };
  // The buttons' face.
  EXPECT_EQ(rgbAt(402, 350), QColor(7, 116, 205));
  // The border shape's outline, 2 pixels outside the grid.
  EXPECT_EQ(rgbAt(300, 138), QColor(162, 182, 253));
  // The grid's header row.
  EXPECT_EQ(rgbAt(300, 143), QColor(207, 226, 254));
  // The current cell (row 1, column 0) is shown selected; the others are white.
  EXPECT_EQ(rgbAt(9 + 1 + 20, 140 + 1 + 16 + 8), QColor(0, 0, 255));
  EXPECT_EQ(rgbAt(9 + 1 + 20, 140 + 1 + 32 + 8), QColor(255, 255, 255));
  // The panel's box (black) runs along the top of the panel, except where its title lies across it.
  const int boxTop = 8 + 3;
  EXPECT_EQ(rgbAt(400 + 150, boxTop), QColor(0, 0, 0));
  for (int x = 400 + 8; x < 400 + 12; ++x) EXPECT_NE(rgbAt(x, boxTop), QColor(0, 0, 0)) << x;
}

TEST_F(ViewTest, ANumberDialogSizesItselfToItsPromptWithRealFonts) {
  auto d = std::make_shared<NumberDialog>();
  d->load();
  const QString prompt("Nueva comision para la factura");
  d->controlAs<forms::Label>("lblPregunta")->setCaption(prompt.toStdString());
  // The label measures its text with the font the widget draws it in.
  QWidget* label = widget(*d, "lblPregunta");
  const int advance = label->fontMetrics().horizontalAdvance(prompt);
  EXPECT_TRUE(label->width() >= advance && label->width() <= advance + 1) << label->width() << " for " << advance;
  d->unload();
}

// Scripts with the view attached: the driver acts on the model, the widgets mirror it, `shot`
// writes what is shown, and operator input is not taken while a script runs.
class ScriptViewTest : public ViewTest {
 protected:
  // Runs a script through the view's event pump, with its shot hook; the output goes to `out`.
  int runScript(const std::string& text) {
    std::istringstream script(text);
    forms::ScriptDriver driver(app, out);
    driver.onShot(view->shotHook());
    return driver.run(*view->pumpingInput(script));
  }
  std::ostringstream out;
};

TEST_F(ScriptViewTest, AScriptDrivesTheModelAndTheWidgetsFollowAndAShotItCannotWriteIsAnError) {
  auto w = showTestWindow();
  QTemporaryDir dir;
  const QString shot = dir.filePath("cheque.png");
  EXPECT_EQ(runScript("click optBanco\nfocus banco\ntype B01\nshot \"" + shot.toStdString() + "\"\n"), 0) << out.str();
  view->processEvents();
  EXPECT_TRUE(widgetAs<QRadioButton>(*w, "optBanco")->isChecked());
  EXPECT_EQ(static_cast<QLineEdit*>(keyTarget(*w, "banco"))->text(), QString("B01"));
  EXPECT_FALSE(QImage(shot).isNull());
  EXPECT_EQ(runScript("shot /nonexistent-dir/x.png\n"), 2);
  EXPECT_NE(out.str().find("cannot write the picture"), std::string::npos) << out.str();
}

TEST_F(ScriptViewTest, OperatorInputIsIgnoredWhileAScriptRuns) {
  auto w = showTestWindow();
  QWidget* cheque = widget(*w, "optBanco");
  // Between the lines the view processes events; a click arriving then must not act.
  QTimer::singleShot(0, [&] { QTest::mouseClick(cheque, Qt::LeftButton); });
  EXPECT_EQ(runScript("echo before\necho after\n"), 0);
  EXPECT_FALSE(w->controlAs<forms::OptionButton>("optBanco")->value());
  EXPECT_NE(out.str().find("\"after\""), std::string::npos);
}

}  // namespace
}  // namespace forms_qt_test

// The view's tests run headless on the offscreen platform, with one QApplication for all.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessaline");
  return RUN_ALL_TESTS();
}
