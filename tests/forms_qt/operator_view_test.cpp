// What the operator meets on the real windows: amounts typed with the keypad or misgrouped,
// totals too wide for their labels, dates typed as text, the regional language, focus marks,
// clipped cells and column widths.

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTemporaryDir>
#include <cstdlib>

#include "forms/grid.h"
#include "host/windows.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, TheKeypadTypesTheRegionalDecimalAndAMisgroupedAmountDoesNotCloseTheDialog) {
  auto d = std::make_shared<NumberDialog>();
  QString warning;
  QTimer::singleShot(0, [&] {
    auto* edit = static_cast<QLineEdit*>(keyTarget(*d, "importe"));
    QTest::keyClicks(edit, "40.5");  // over the selection; the main keyboard's dot groups thousands
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(view->messageBoxWidget());
      ASSERT_NE(box, nullptr);
      warning = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(d->visible());
    EXPECT_EQ(edit->selectedText(), QString("12,50"));
    QTest::keyClicks(edit, "40");
    QTest::keyClick(edit, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(edit, "5");
    EXPECT_EQ(edit->text(), QString("40,5"));
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_TRUE(d->ask("Nueva comision para la factura", 12.5));
  EXPECT_TRUE(warning.contains("40.5")) << warning.toStdString();
  EXPECT_DOUBLE_EQ(d->acceptedValue, 40.5);
}

// Two summary lines: a caption and a right-aligned value 840 twips wide, the second hemmed in.
class Totals final : public forms::Window {
 public:
  Totals() : Window("Totales") {}

 protected:
  void build() override {
    setClientSize(6000, 1200);
    using enum ControlKind;
    static const ControlDesign kDesign[] = {
        {Label, "lblVenta", "", {1215, 120, 810, 195}, "Venta total:"},
        {Label, "venta", "", {2865, 120, 840, 195}, "0,00", -1, {.alignment = Alignment::Right}},
        {Label, "lblIva", "", {1215, 480, 1560, 195}, "IVA de la venta:"},
        {Label, "iva", "", {2865, 480, 840, 195}, "0,00", -1, {.alignment = Alignment::Right}},
    };
    addDesign(kDesign);
  }
};

TEST_F(ViewTest, TwelveDigitTotalsShowWholeInTheirValueLabels) {
  auto w = std::make_shared<Totals>();
  w->show();
  auto* venta = widgetAs<QLabel>(*w, "venta");
  auto* iva = widgetAs<QLabel>(*w, "iva");
  const QFont designFont = venta->font();
  auto fits = [](QLabel* l) {
    return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->contentsRect().width();
  };
  w->controlAs<forms::Label>("venta")->setCaption("123.456.789.012,34");
  w->controlAs<forms::Label>("iva")->setCaption("123.456.789.012,34");
  view->processEvents();
  // Grown to the left, short of its caption, in its own face.
  EXPECT_TRUE(fits(venta));
  EXPECT_EQ(venta->geometry().right(), px({2865, 120, 840, 195}).right());
  EXPECT_GT(venta->geometry().left(), widget(*w, "lblVenta")->geometry().right());
  EXPECT_EQ(venta->font(), designFont);
  // No room beside it: a smaller size of the face.
  EXPECT_TRUE(fits(iva));
  EXPECT_GT(iva->geometry().left(), widget(*w, "lblIva")->geometry().right());
  EXPECT_LT(iva->font().pointSizeF(), designFont.pointSizeF());
  // A short total again: the design box and face.
  w->controlAs<forms::Label>("iva")->setCaption("1,00");
  view->processEvents();
  EXPECT_EQ(iva->geometry(), px({2865, 480, 840, 195}));
  EXPECT_EQ(iva->font(), designFont);
}

TEST_F(ViewTest, TheDateBoxEditsAsTextAndTheToolkitSpeaksTheRegionalLanguage) {
  auto w = showTestWindow();
  auto& box = *w->controlAs<forms::DateEntryBox>("fecha");
  box.setValue(automation::Date::fromYmd(2026, 11, 30));
  auto* edit = static_cast<QLineEdit*>(keyTarget(*w, "fecha"));
  QTest::keyClick(keyTarget(*w, "codigo"), Qt::Key_Tab);
  EXPECT_EQ(edit->selectedText(), QString("30/11/2026"));
  QTest::keyClicks(edit, "15/12/2026");
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(box.value(), automation::Date::fromYmd(2026, 12, 15));

  // F4 opens the calendar at the box's date, in Spanish; a click on a day chooses it.
  QTest::keyClick(edit, Qt::Key_F4);
  auto* calendar = widget(*w, "fecha")->findChild<QCalendarWidget*>("calendar");
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 15));
  EXPECT_EQ(calendar->locale().monthName(12), QString("diciembre"));
  Q_EMIT calendar->clicked(QDate(2025, 12, 24));
  EXPECT_EQ(edit->text(), QString("24/12/2025"));

  QString yes;
  QTimer::singleShot(0, [&] {
    auto* question = qobject_cast<QMessageBox*>(view->messageBoxWidget());
    yes = question->button(QMessageBox::Yes)->text().remove('&');
    question->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(app.askQuestion("¿Desea abandonar los cambios?"));
  EXPECT_EQ(yes, QString("Sí"));
}

TEST_F(ViewTest, OptionsCheckBoxesAndTheGridShowTheFocus) {
  auto w = showTestWindow();
  for (const char* name : {"marca", "optNo"}) {
    const QImage before = widget(*w, name)->grab().toImage();
    w->operatorFocus(*w->control(name));
    view->processEvents();
    EXPECT_TRUE(widget(*w, name)->grab().toImage() != before) << name;
  }
  // A current cell in the header row shows while the grid has the focus.
  w->fillRows(3);
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  g.setRow(0);
  g.setCol(1);
  auto* table = widgetAs<QTableView>(*w, "lista");
  auto headerPixel = [&] {
    view->processEvents();
    return table->horizontalHeader()->grab().toImage().pixelColor(
        table->horizontalHeader()->sectionViewportPosition(1) + 2, 2);
  };
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
  w->operatorFocus(g);
  EXPECT_EQ(headerPixel(), QColor(0, 0, 255));
  QTest::keyClick(table, Qt::Key_Down);
  EXPECT_NE(headerPixel(), QColor(0, 0, 255));
}

TEST_F(ViewTest, ClippedCellsShowTooltipsAndDraggedColumnWidthsAreRemembered) {
  QTemporaryDir config;
  ::setenv("TESSALINE_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  app.setPreferences(std::make_shared<host::StorePreferences>());
  auto w = showTestWindow();
  w->fillRows(2);
  forms::Grid& g = *w->controlAs<forms::Grid>("lista");
  const std::string longName = "Consultorio Odontologico Sonrisas de la Gran Sabana, sucursal Norte";
  g.setTextMatrix(1, 4, longName);
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

  // The border after the customer column dragged 60 pixels to the right.
  QWidget* header = table->horizontalHeader()->viewport();
  const int border = table->horizontalHeader()->sectionViewportPosition(4) + g.colWidth(4) / 15 - 1;
  const int before = g.colWidth(4);
  QTest::mousePress(header, Qt::LeftButton, {}, QPoint(border, 5));
  QTest::mouseMove(header, QPoint(border + 60, 5));
  QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(border + 60, 5));
  const int after = g.colWidth(4);
  EXPECT_NEAR(after, before + 60 * 15, 30);
  w->operatorColWidth(g, 5, 900);  // hidden: stays so
  w->unload();
  auto again = showTestWindow();
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(4), after);
  EXPECT_EQ(again->controlAs<forms::Grid>("lista")->colWidth(5), 0);
}

}  // namespace
}  // namespace forms_qt_test
