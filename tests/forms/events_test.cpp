// Option groups, check boxes, error boxes, modal nesting and unloading inside a handler.
#include <gtest/gtest.h>

#include <stdexcept>

#include "automation/error.h"
#include "harness.h"

namespace forms::test {
namespace {

using Log = std::vector<std::string>;

class OptionTest : public ScriptTest {
 protected:
  std::shared_ptr<TestWindow> window = makeWindow("Opciones", [](TestWindow& w) {
    using enum ControlKind;
    w.design({{OptionButton, "opt1", "", {}, "", -1, {.value = 1}},  // design value: no Click
              {OptionButton, "opt2"},
              {Frame, "grupo"},
              {OptionButton, "optA", "grupo", {}, "", -1, {.value = 1}},
              {OptionButton, "optB", "grupo"},
              {OptionCheckBox, "chk"}});
    for (const char* name : {"opt1", "opt2", "optA", "optB", "chk"}) w.control(name)->onClick = w.logs(name);
  });
  OptionButton& opt(const char* name) { return *window->controlAs<OptionButton>(name); }
};

TEST_F(OptionTest, ValueTrueFromCodeClicksOnlyThatButtonOfItsContainer) {
  EXPECT_TRUE(opt("opt1").value());
  EXPECT_TRUE(window->log.empty()) << "design values raise no events";
  opt("opt2").setValue(true);
  EXPECT_FALSE(opt("opt1").value());
  EXPECT_TRUE(opt("optA").value()) << "another container is another group";
  opt("opt2").setValue(true);
  opt("optB").setValue(true);
  EXPECT_FALSE(opt("optA").value());
  EXPECT_EQ(window->log, (Log{"opt2", "optB"}));
  opt("optB").setValue(false);
  EXPECT_FALSE(opt("optB").value());
  EXPECT_EQ(window->log.size(), 2u) << "False from code raises nothing";
}

TEST_F(OptionTest, OperatorClicksSelectAndClickOnce) {
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nclick opt2\nclick opt2\nfocus opt1\nkey SPACE\ndump\n"), 0);
  EXPECT_EQ(window->log, (Log{"opt2", "opt1"}));
  const auto d = lastDumpOf("Opciones");
  EXPECT_EQ(d["controls"]["opt1"]["value"], true);
  EXPECT_EQ(d["controls"]["opt2"]["value"], false);
  EXPECT_EQ(d["controls"]["optA"]["container"], "grupo");
}

TEST_F(OptionTest, CheckBoxClicksWheneverItsValueChanges) {
  auto& chk = *window->controlAs<CheckBox>("chk");
  chk.setValue(1);
  chk.setValue(1);
  chk.setValue(0);
  EXPECT_EQ(window->log, (Log{"chk", "chk"}));
  EXPECT_THROW(chk.setValue(3), automation::Error);
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nclick chk\nkey SPACE\nclick chk\ndump\n"), 0);
  EXPECT_EQ(window->log.size(), 5u);
  EXPECT_EQ(lastDumpOf("Opciones")["controls"]["chk"]["value"], 1);
}

class ErrorBoxTest : public ScriptTest {
 protected:
  std::shared_ptr<TestWindow> window = makeWindow("W", [](TestWindow& w) {
    w.make<ActionButton>("cbFalla").onClick = [] { throw automation::Error(50001, "Pruebas", "fallo provocado"); };
    w.make<ActionButton>("cbRoto").onClick = [] { throw std::runtime_error("boom"); };
    w.make<ActionButton>("cbBien").onClick = w.logs("bien");
  });
};

// Errors escaping a handler, or go itself, are shown; the window stays usable.
TEST_F(ErrorBoxTest, EscapingErrorsAreShownAndTheWindowStaysUsable) {
  go = [this](const std::string& code) {
    if (code == "V01") throw automation::Error(91, "go", "sin objeto " + code);
    window->show();
  };
  ASSERT_EQ(run("go V01\nok\ngo\nclick cbFalla\nok\nclick cbRoto\nok\nclick cbBien\n"), 0);
  EXPECT_EQ(lines, (Log{R"({"event":"error","number":91,"description":"sin objeto V01","source":"go"})",
                        R"({"event":"show","window":"W","caption":"W","modal":false})",
                        R"({"event":"error","number":50001,"description":"fallo provocado","source":"Pruebas"})",
                        R"({"event":"error","number":440,"description":"boom","source":"W"})"}));
  EXPECT_EQ(window->log, (Log{"bien"}));
}

// A main window whose button opens a dialog modally; the dialog asks a question.
class ModalTest : public ScriptTest {
 protected:
  ModalTest() {
    dialog = makeWindow("Dialogo", [this](TestWindow& w) {
      w.setCaption("Un dialogo");
      w.setBorderStyle(BorderStyle::FixedDialog);
      w.design({{ControlKind::ReferenceTextBox, "texto"},
                {ControlKind::ActionButton, "cbAceptar", "", {}, "", -1, {.isDefault = true}},
                {ControlKind::ActionButton, "cbCancelar", "", {}, "", -1, {.isCancel = true}}});
      w.control("cbAceptar")->onClick = [this, &w] {
        if (app.askQuestion("¿Seguro?")) {
          resultado = w.controlAs<ReferenceTextBox>("texto")->text();
          w.hide();
        }
      };
      w.control("cbCancelar")->onClick = [&w] { w.unload(); };
    });
    main = makeWindow("Principal", [this](TestWindow& w) {
      w.make<ActionButton>("cbAbrir", {0, 0, 1000, 400}).onClick = [this, &w] {
        w.log.push_back("antes");
        dialog->show(true);
        w.log.push_back("despues " + resultado);
      };
    });
    go = [this](const std::string&) { main->show(); };
  }
  std::shared_ptr<TestWindow> dialog, main;
  std::string resultado;
};

TEST_F(ModalTest, DialogFromAHandlerTakesTheFollowingLines) {
  ASSERT_EQ(run("go\nclick cbAbrir\ntype hola\nkey ENTER\nno\nkey ENTER\nyes\ndump\n"), 0);
  EXPECT_EQ(lines[1], R"({"event":"show","window":"Dialogo","caption":"Un dialogo","modal":true})");
  EXPECT_EQ(lines[2], R"({"event":"question","text":"¿Seguro?"})");
  EXPECT_EQ(eventNames(), (Log{"show", "show", "question", "question", "dump"}));
  EXPECT_EQ(main->log, (Log{"antes", "despues hola"}));
  const auto d = lastDumpOf("Dialogo");
  EXPECT_EQ(d["visible"], false) << "hidden, still loaded";
  EXPECT_EQ(d["modal"], false);
}

TEST_F(ModalTest, ClosingAndCancellingEndTheLoopByUnloading) {
  ASSERT_EQ(run("go\nclick cbAbrir\nclose\nclick cbAbrir\nkey ESC\ndump\n"), 0);
  EXPECT_EQ(eventNames(), (Log{"show", "show", "unload", "show", "unload", "dump"}));
  EXPECT_EQ(main->log, (Log{"antes", "despues ", "antes", "despues "}));
  EXPECT_TRUE(lastDumpOf("Dialogo").is_null()) << "an unloaded window is not dumped";
  EXPECT_EQ(dialog->builds, 2) << "shown again after an unload, the dialog was loaded again";
}

TEST_F(ModalTest, LinesWhileModalGoToTheDialogOnlyAndAVisibleWindowCannotTurnModal) {
  EXPECT_EQ(run("go\nclick cbAbrir\nclick cbAbrir\n"), 2);
  EXPECT_EQ(lines.back(), R"({"event":"script-error","line":3,"text":"window Dialogo has no control cbAbrir"})");
  EXPECT_EQ(errorOf([this] { main->show(true); }), 400);
}

class UnloadInHandlerTest : public ScriptTest {
 protected:
  std::shared_ptr<TestWindow> window = makeWindow("Efimera", [](TestWindow& w) {
    w.setCaption("Efimera");
    w.make<Label>("etiqueta", {0, 0, 1000, 195}).setCaption("diseño");
    auto& cerrar = w.make<ActionButton>("cbCerrar", {0, 300, 1000, 400});
    cerrar.onClick = [&w, &cerrar] {
      w.log.push_back("inicio");
      w.hide();
      w.unload();
      w.log.push_back(std::string("loaded ") + (w.isLoaded() ? "si" : "no"));
      // The rest of the handler still runs, and its own control is still there.
      cerrar.setCaption("sigue vivo");
      w.log.push_back("fin " + cerrar.caption());
    };
    w.onLoad = [&w] { w.log.push_back("load"); };
    w.onUnload = [&w](bool&) { w.log.push_back("unload"); };
  });
};

TEST_F(UnloadInHandlerTest, TheWindowLivesUntilTheHandlerReturns) {
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nclick cbCerrar\ndump\n"), 0);
  EXPECT_EQ(eventNames(), (Log{"show", "unload", "dump"}));
  EXPECT_EQ(window->log, (Log{"load", "inicio", "unload", "loaded no", "fin sigue vivo"}));
  EXPECT_TRUE(events()[2]["windows"].empty());
}

TEST_F(UnloadInHandlerTest, TouchingAnUnloadedWindowLoadsItAgainWithDesignValues) {
  window->controlAs<Label>("etiqueta")->setCaption("cambiado");
  window->setCaption("otro");
  EXPECT_TRUE(window->unload());
  EXPECT_EQ(window->caption(), "Efimera");
  ControlRef<Label> etiqueta{window.get(), "etiqueta"};
  EXPECT_EQ(etiqueta->caption(), "diseño");
  EXPECT_EQ(window->builds, 2);
  EXPECT_EQ(window->log, (Log{"load", "unload", "load"})) << "the window object's fields survive";
  EXPECT_TRUE(window->unload());
  EXPECT_EQ(etiqueta->caption(), "diseño") << "a ControlRef loads the window again";
  EXPECT_EQ(window->builds, 3);
}

TEST_F(UnloadInHandlerTest, QueryUnloadCanRefuseTheCloseBox) {
  window->onQueryUnload = [this](bool& cancel, UnloadMode mode) {
    window->log.push_back("query " + std::to_string(static_cast<int>(mode)));
    cancel = true;
  };
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nclose\n"), 0);
  EXPECT_EQ(window->log, (Log{"load", "query 0"}));
  EXPECT_TRUE(window->visible());
  EXPECT_FALSE(window->unload());
}

TEST_F(UnloadInHandlerTest, AWindowOwnedOnlyByTheRuntimeDiesAfterItsHandler) {
  std::weak_ptr<TestWindow> weak = window;
  go = [this](const std::string&) { window->show(); };
  run("go\n");
  window.reset();  // the runtime keeps the loaded window alive
  ASSERT_FALSE(weak.expired());
  ASSERT_EQ(run("click cbCerrar\n"), 0);
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(lines, (Log{R"({"event":"unload","window":"Efimera"})"}));
}

}  // namespace
}  // namespace forms::test
