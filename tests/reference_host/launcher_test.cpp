// The launcher window of interactive mode, driven through the forms runtime.

#include <gtest/gtest.h>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "host/windows.h"

namespace {

TEST(Launcher, GoGetsTheChosenSalespersonOrNothingForAFreeWindow) {
  forms::Application app;
  std::vector<std::string> calls;
  auto launcher = std::make_shared<host::LauncherWindow>(
      std::vector<host::LauncherWindow::Salesperson>{{"V001", "Rosa"}, {"V002", "Ernesto"}},
      [&](const std::string& code) { calls.push_back(code); });
  launcher->show(false);
  auto* grid = launcher->controlAs<forms::Grid>("vendedores");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rows(), 4);
  EXPECT_EQ(grid->textMatrix(3, 1), "Ernesto");
  auto* action = launcher->controlAs<forms::ActionButton>("cbPagoComisiones");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->caption(), "Pago selectivo de comisiones");

  launcher->operatorClick(*action);  // the free-window row is current at first
  launcher->operatorDblClick(*grid, 3, 0);
  launcher->operatorCell(*grid, 2, 1);
  launcher->operatorClick(*action);
  EXPECT_EQ(calls, (std::vector<std::string>{"", "V002", "V001"}));

  launcher->operatorClick(*launcher->controlAs<forms::ActionButton>("cbSalir"));
  EXPECT_FALSE(launcher->isLoaded());
}

}  // namespace
