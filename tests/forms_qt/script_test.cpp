// Scripts with the view attached: the driver acts on the model, the widgets mirror it, `shot`
// writes what is shown, and operator input is not taken while a script runs.

#include <QImage>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sstream>

#include "forms/driver.h"
#include "view_fixture.h"

namespace forms_qt_test {
namespace {

TEST_F(ViewTest, AScriptDrivesTheModelAndTheWidgetsFollowLineByLine) {
  auto w = showTestWindow();
  QTemporaryDir dir;
  const QString shot = dir.filePath("cheque.png");
  std::istringstream script("click optBanco\n"
                            "focus banco\n"
                            "type B01\n"
                            "shot \"" + shot.toStdString() + "\"\n");
  std::ostringstream out;
  forms::ScriptDriver driver(app, out);
  driver.onShot(view->shotHook());
  auto input = view->pumpingInput(script);
  EXPECT_EQ(driver.run(*input), 0) << out.str();
  view->processEvents();
  EXPECT_TRUE(widgetAs<QRadioButton>(*w, "optBanco")->isChecked());
  EXPECT_EQ(static_cast<QLineEdit*>(keyTarget(*w, "banco"))->text(), QString("B01"));
  EXPECT_FALSE(QImage(shot).isNull());
}

TEST_F(ViewTest, OperatorInputIsIgnoredWhileAScriptRuns) {
  auto w = showTestWindow();
  std::istringstream script("echo before\necho after\n");
  std::ostringstream out;
  forms::ScriptDriver driver(app, out);
  QWidget* cheque = widget(*w, "optBanco");
  driver.onGo([&](const std::string&) {});
  // Between the lines the view processes events; a click arriving then must not act.
  QTimer::singleShot(0, [&] { QTest::mouseClick(cheque, Qt::LeftButton); });
  auto input = view->pumpingInput(script);
  EXPECT_EQ(driver.run(*input), 0);
  EXPECT_FALSE(w->controlAs<forms::OptionButton>("optBanco")->value());
  EXPECT_NE(out.str().find("\"after\""), std::string::npos);
}

TEST_F(ViewTest, ShotWithoutAWidgetIsAClearError) {
  std::istringstream script("shot /nonexistent-dir/x.png\n");
  std::ostringstream out;
  forms::ScriptDriver driver(app, out);
  driver.onShot(view->shotHook());
  auto w = showTestWindow();
  EXPECT_EQ(driver.run(script), 2);
  EXPECT_NE(out.str().find("cannot write the picture"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace forms_qt_test
