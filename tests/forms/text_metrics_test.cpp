#include <gtest/gtest.h>

#include "harness.h"

namespace forms::test {
namespace {

struct Width {
  const char* text;
  int twips;
};

// Labels that size themselves to their text in the windows' designs.
class DesignWidths : public ::testing::TestWithParam<Width> {};

TEST_P(DesignWidths, MatchTheDesign) {
  HeadlessTextMetrics m;
  EXPECT_EQ(m.textWidth(GetParam().text, Font{}), GetParam().twips) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Labels, DesignWidths,
                         ::testing::Values(Width{"Codigo del vendedor:", 1515}, Width{"Fecha del pago:", 1155},
                                           Width{"Label1", 480}, Width{"IVA:", 300}, Width{"Referencia:", 825}));

TEST(TextMetrics, AccentsLineHeightAndScaling) {
  HeadlessTextMetrics m;
  EXPECT_EQ(m.textWidth("código", Font{}), m.textWidth("codigo", Font{}));
  EXPECT_EQ(m.textWidth("", Font{}), 0);
  EXPECT_EQ(m.lineHeight(Font{}), 195);
  Font big;
  big.size = 16.5;
  EXPECT_EQ(m.textWidth("Label1", big), 2 * 480);
  EXPECT_EQ(m.lineHeight(big), 390);
}

class AutoSizeTest : public ScriptTest {};

TEST_F(AutoSizeTest, LabelFollowsItsCaptionOnlyWhenAutoSized) {
  auto w = makeWindow("W", [](TestWindow& t) {
    auto& a = t.make<Label>("auto", {90, 180, 480, 195});
    a.setCaption("Label1");
    a.setAutoSize(true);
    auto& f = t.make<Label>("fixed", {90, 500, 480, 195});
    f.setCaption("Label1");
  });
  w->controlAs<Label>("auto")->setCaption("Nueva comision para la factura");
  w->controlAs<Label>("fixed")->setCaption("Nueva comision para la factura");
  EXPECT_EQ(w->controlAs<Label>("auto")->width(), HeadlessTextMetrics().textWidth("Nueva comision para la factura", Font{}));
  EXPECT_EQ(w->controlAs<Label>("auto")->height(), 195);
  EXPECT_EQ(w->controlAs<Label>("fixed")->width(), 480);
}

}  // namespace
}  // namespace forms::test
