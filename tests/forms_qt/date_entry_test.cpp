// The date box edits as text: entering it selects the date, a whole date typed over it gives that
// date, Backspace and Delete work anywhere, and the calendar speaks the regional language.

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, TheDateBoxEditsAsTextAndItsCalendarFollowsTheRegionalSettings) {
  auto w = showTestWindow();
  auto& box = *w->controlAs<forms::DateEntryBox>("fecha");
  box.setValue(automation::Date::fromYmd(2026, 11, 30));
  auto* edit = static_cast<QLineEdit*>(keyTarget(*w, "fecha"));
  QTest::keyClick(keyTarget(*w, "codigo"), Qt::Key_Tab);
  ASSERT_EQ(activeName(*w), "fecha");
  EXPECT_EQ(edit->selectedText(), QString("30/11/2026"));

  QTest::keyClicks(edit, "15/12/2026");
  EXPECT_EQ(edit->text(), QString("15/12/2026"));
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(box.value(), automation::Date::fromYmd(2026, 12, 15));

  QTest::keyClick(widget(*w, "marca"), Qt::Key_Tab, Qt::ShiftModifier);
  QTest::keyClick(edit, Qt::Key_End);
  for (int i = 0; i < 4; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, "2025");
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, "01");
  EXPECT_EQ(edit->text(), QString("01/12/2025"));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(box.value(), automation::Date::fromYmd(2025, 12, 1));

  // F4 opens the calendar at the box's date, in Spanish; a click on a day chooses it.
  QTest::keyClick(edit, Qt::Key_F4);
  auto* calendar = widget(*w, "fecha")->findChild<QCalendarWidget*>("calendar");
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->selectedDate(), QDate(2025, 12, 1));
  EXPECT_EQ(calendar->locale().monthName(12), QString("diciembre"));
  Q_EMIT calendar->clicked(QDate(2025, 12, 24));
  EXPECT_EQ(box.value(), automation::Date::fromYmd(2025, 12, 24));
  EXPECT_EQ(edit->text(), QString("24/12/2025"));
}

}  // namespace
}  // namespace forms_qt_test
