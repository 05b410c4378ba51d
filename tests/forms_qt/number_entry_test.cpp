// Amounts typed on the screen: the keypad's decimal key, and an amount the box refuses with a
// message, after which the key that gave it does nothing more.

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, TheKeypadTypesTheRegionalDecimalAndAMisgroupedAmountDoesNotCloseTheDialog) {
  auto d = std::make_shared<NumberDialog>();
  QString warning;
  QTimer::singleShot(0, [&] {
    auto* edit = static_cast<QLineEdit*>(keyTarget(*d, "importe"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "40.5");  // the main keyboard's dot groups thousands under es_VE
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

}  // namespace
}  // namespace forms_qt_test
