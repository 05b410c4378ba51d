// Starting the commission cut: Activator.go, the module's entry points and its registration.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "../automation/error_of.h"
#include "automation/error.h"
#include "automation/module.h"
#include "commission_window/select_facturas.h"
#include "entry/activator.h"
#include "harness.h"

extern "C" int32_t DllCanUnloadNow();

namespace {

using automation::Variant;
using tessaline::Activator;
using tessaline::Globales;

class ActivatorTest : public harness::WindowTest {
 protected:
  // The component's windows that are loaded.
  std::vector<forms::Window*> ventanas() const {
    std::vector<forms::Window*> r;
    for (forms::Window* w : app.loadedWindows())
      if (w->name() == "SelectFacturas") r.push_back(w);
    return r;
  }
  void closeAll() {
    for (forms::Window* w : ventanas()) w->unload();
  }
};

// Opening (not modal), showing and theming the window, its code box for a free window, its
// money mask and the lists of its lookup boxes are seen through the host in the end-to-end tests;
// here, what only the component's objects tell.
TEST_F(ActivatorTest, GoWithoutACodeOpensAFreeWindowBoundToTheHost) {
  auto activator = std::make_shared<Activator>();
  automation::ObjectRef fact = factory;
  Variant codigo("");
  activator->go(fact, codigo);

  const auto abiertas = ventanas();
  ASSERT_EQ(abiertas.size(), 1u);
  forms::Window& w = *abiertas[0];
  // The button icons come from the host.
  EXPECT_EQ(w.controlAs<forms::ActionButton>("cbProcesar")->icon(), "process");
  EXPECT_EQ(w.controlAs<forms::ActionButton>("cbCancelar")->icon(), "cancel");
  closeAll();
}

// The theme is converted last: the factory and the company before it stay taken, the theme keeps
// its former value, and no window opens.
TEST_F(ActivatorTest, AThemeWithoutItsInterfaceFailsGoBeforeAnyWindow) {
  auto activator = std::make_shared<Activator>();
  auto bad = std::make_shared<fakes::Factory>(/*themeImplementsInterface=*/false);
  automation::ObjectRef fact = bad;
  Variant codigo("V01");
  EXPECT_EQ(errorOf([&] { activator->go(fact, codigo); }), 13);
  EXPECT_TRUE(app.windows().empty());
  EXPECT_EQ(Globales::factoria(), bad);
  EXPECT_EQ(Globales::empresa(), bad->empresa);
  EXPECT_EQ(Globales::temaUI(), factory->tema);
}

TEST_F(ActivatorTest, GoByNameOpensAWindowEachTimeWithTheLatestFactoryAndRefusesBadArguments) {
  auto activator = std::make_shared<Activator>();
  auto secondFactory = std::make_shared<fakes::Factory>();
  Variant fact{automation::ObjectRef(factory)}, second{automation::ObjectRef(secondFactory)}, codigo("");
  automation::call(activator, "GO", {automation::Arg::ref(fact), automation::Arg::ref(codigo)});
  automation::call(activator, "go", {automation::Arg::ref(second), automation::Arg::ref(codigo)});
  EXPECT_EQ(ventanas().size(), 2u);
  EXPECT_EQ(Globales::factoria(), secondFactory);
  EXPECT_EQ(Globales::empresa(), secondFactory->empresa);

  // A factory that is not an object is a type mismatch; a missing argument is refused.
  Variant notAnObject("factoria");
  EXPECT_THROW(automation::call(activator, "go", {automation::Arg::ref(notAnObject), automation::Arg::ref(codigo)}),
               automation::Error);
  EXPECT_THROW(automation::call(activator, "go", {automation::Arg::ref(fact)}), automation::Error);
  EXPECT_EQ(ventanas().size(), 2u);
  closeAll();
}

TEST_F(ActivatorTest, TheModuleStaysLoadedWhileAnyOfItsObjectsLives) {
  ASSERT_TRUE(ventanas().empty());
  // The registry loads the very module this test is linked with.
  automation::ClassRegistry registry(configHome);
  registry.registerModule(TESSALINE_MODULE);
  EXPECT_EQ(DllCanUnloadNow(), automation::kOk);
  {
    automation::ObjectRef activator = registry.createObject("Quorvane.Activator");
    EXPECT_EQ(activator->className(), "Activator");
    EXPECT_EQ(DllCanUnloadNow(), automation::kFalse);
    Variant fact{automation::ObjectRef(factory)};
    Variant codigo("");
    automation::CallArgs args({automation::Arg::ref(fact), automation::Arg::ref(codigo)});
    activator->invokeById(0x60030000, automation::CallKind::Method, args);
  }
  // The activator is gone, its window is not.
  ASSERT_EQ(ventanas().size(), 1u);
  EXPECT_EQ(DllCanUnloadNow(), automation::kFalse);
  closeAll();
  EXPECT_EQ(DllCanUnloadNow(), automation::kOk);
}

#ifdef TESSALINE_REGISTER_PROGRAM
// Runs tessaline-register with the settings directory `home`; returns its exit status.
int runRegister(const std::filesystem::path& home, const std::string& arguments) {
  const std::string command = "TESSALINE_CONFIG_HOME='" + home.string() + "' '" TESSALINE_REGISTER_PROGRAM "' " +
                              arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TessalineRegister, RegistersAndUnregistersTheModule) {
  const auto home = harness::freshConfigHome();
  const automation::ClassRegistry registry(home);
  ASSERT_FALSE(registry.clsidOf("Quorvane.Activator"));

  ASSERT_EQ(runRegister(home, "'" TESSALINE_MODULE "'"), 0);
  const auto clsid = registry.clsidOf("Quorvane.Activator");
  ASSERT_TRUE(clsid);
  EXPECT_EQ(clsid->toString(), "{E2F6B806-4744-4278-9405-81F30E000EB5}");
  const auto module = registry.modulePathOf(*clsid);
  ASSERT_TRUE(module);
  EXPECT_TRUE(std::filesystem::equivalent(*module, TESSALINE_MODULE));

  ASSERT_EQ(runRegister(home, "-u '" TESSALINE_MODULE "'"), 0);
  EXPECT_FALSE(registry.clsidOf("Quorvane.Activator"));

  // Clear failures: no such file, a file that is no module, no argument.
  EXPECT_EQ(runRegister(home, "'" + (home / "missing.so").string() + "'"), 1);
  const auto notAModule = home / "notes.txt";
  { std::ofstream(notAModule) << "not a module\n"; }
  EXPECT_EQ(runRegister(home, "'" + notAModule.string() + "'"), 1);
  EXPECT_EQ(runRegister(home, ""), 1);
  std::filesystem::remove_all(home);
}
#endif

}  // namespace
