// A value label never shows part of its text: a total too wide for its box grows into the free
// room beside it, and where there is none it takes a smaller size of its face.

#include <QFontMetrics>
#include <QLabel>

#include "view_fixture.h"

namespace forms_qt_test {
namespace {

// Two summary lines as the commission window has them: a caption and a right-aligned value 840
// twips wide, the second value hemmed in by a label right beside it.
class Totals final : public forms::Window {
 public:
  Totals() : Window("Totales") {}

 protected:
  void build() override {
    setClientSize(6000, 1200);
    using enum ControlKind;
    static const ControlDesign kDesign[] = {
        {Label, "lblVenta", "", {1215, 120, 810, 195}, "Venta total:", 0, kOnWindow},
        {Label, "venta", "", {2865, 120, 840, 195}, "0,00", 1, {.alignment = Alignment::Right}},
        {Label, "lblIva", "", {1215, 480, 1560, 195}, "IVA de la venta:", 2, kOnWindow},
        {Label, "iva", "", {2865, 480, 840, 195}, "0,00", 3, {.alignment = Alignment::Right}},
    };
    addDesign(kDesign);
  }
};

TEST_F(ViewTest, TwelveDigitTotalsShowWholeInTheirValueLabels) {
  auto w = std::make_shared<Totals>();
  w->show();
  view->processEvents();
  auto fits = [](QLabel* l) {
    return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->contentsRect().width();
  };
  auto* venta = widgetAs<QLabel>(*w, "venta");
  auto* iva = widgetAs<QLabel>(*w, "iva");
  const QFont designFont = venta->font();
  EXPECT_EQ(venta->geometry(), px({2865, 120, 840, 195}));

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

}  // namespace
}  // namespace forms_qt_test
