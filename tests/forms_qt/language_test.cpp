// The toolkit's own texts in the regional language: under es_VE a question reads "Sí" / "No".

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, QuestionBoxesAnswerInTheRegionalLanguage) {
  QString yes, no;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(view->messageBoxWidget());
    ASSERT_NE(box, nullptr);
    yes = box->button(QMessageBox::Yes)->text().remove('&');
    no = box->button(QMessageBox::No)->text().remove('&');
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(app.askQuestion("¿Desea abandonar los cambios?"));
  EXPECT_EQ(yes, QString("Sí"));
  EXPECT_EQ(no, QString("No"));
}

}  // namespace
}  // namespace forms_qt_test
