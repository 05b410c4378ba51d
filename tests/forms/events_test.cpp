// Option groups, check boxes, error boxes, modal nesting, unloading inside a handler, what a view
// hears while the model changes, and the driver's output lines and script errors.

#include <stdexcept>

#include "forms/json.h"
#include "harness.h"

namespace forms::test {
namespace {

class OptionTest : public ScriptTest {
 protected:
  OptionTest() { go = [this](const std::string&) { window->show(); }; }
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
  ASSERT_EQ(run("go\nclick opt2\nclick opt2\nfocus opt1\nkey SPACE\ndump\n"), 0);
  EXPECT_EQ(window->log, (Log{"opt2", "opt1"}));
  const auto c = lastDumpOf("Opciones")["controls"];
  EXPECT_EQ(nlohmann::json::array({c["opt1"]["value"], c["opt2"]["value"], c["optA"]["container"]}),
            nlohmann::json::parse(R"([true, false, "grupo"])"));
}

TEST_F(OptionTest, CheckBoxClicksWheneverItsValueChanges) {
  auto& chk = *window->controlAs<CheckBox>("chk");
  chk.setValue(1);
  chk.setValue(1);
  chk.setValue(0);
  EXPECT_EQ(window->log, (Log{"chk", "chk"}));
  EXPECT_THROW(chk.setValue(3), automation::Error);
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
  EXPECT_EQ(nlohmann::json::array({d["visible"], d["modal"]}), nlohmann::json::parse("[false, false]"))
      << "hidden, still loaded";
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
  UnloadInHandlerTest() { go = [this](const std::string&) { window->show(); }; }
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
  ASSERT_EQ(run("go\nclose\n"), 0);
  EXPECT_EQ(window->log, (Log{"load", "query 0"}));
  EXPECT_TRUE(window->visible());
  EXPECT_FALSE(window->unload());
}

TEST_F(UnloadInHandlerTest, AWindowOwnedOnlyByTheRuntimeDiesAfterItsHandler) {
  std::weak_ptr<TestWindow> weak = window;
  run("go\n");
  window.reset();  // the runtime keeps the loaded window alive
  ASSERT_FALSE(weak.expired());
  ASSERT_EQ(run("click cbCerrar\n"), 0);
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(lines, (Log{R"({"event":"unload","window":"Efimera"})"}));
}

// What a view hears while the model changes.
class Recorder final : public Observer {
 public:
  void windowLoaded(Window& w) override { log.push_back("loaded " + w.name()); }
  void windowUnloaded(Window& w) override { log.push_back("unloaded " + w.name()); }
  void windowShown(Window& w, bool modal) override { log.push_back("shown " + w.name() + (modal ? " modal" : "")); }
  void windowHidden(Window& w) override { log.push_back("hidden " + w.name()); }
  void controlChanged(Control& c) override { log.push_back("changed " + c.name()); }
  void gridCellsChanged(Grid&, int first, int last) override {
    log.push_back("cells " + std::to_string(first) + "-" + std::to_string(last));
  }
  void gridShapeChanged(Grid& g) override { log.push_back("shape " + g.name()); }
  void focusChanged(Window&, Control* c) override { log.push_back("focus " + (c ? c->name() : std::string("none"))); }
  Log log;
};

class ObserverTest : public ScriptTest {
 protected:
  ObserverTest() { app.addObserver(&recorder); }
  ~ObserverTest() override { app.removeObserver(&recorder); }
  Recorder recorder;
};

TEST_F(ObserverTest, LoadShowChangesFocusAndUnload) {
  auto w = makeWindow("Vista", [](TestWindow& t) {
    t.make<Label>("etiqueta").setCaption("diseño");  // design values are not reported
    t.make<ReferenceTextBox>("texto");
    t.onLoad = [&t] { t.controlAs<Label>("etiqueta")->setCaption("cargada"); };
  });
  w->show();
  w->controlAs<ReferenceTextBox>("texto")->setText("hola");
  w->controlAs<ReferenceTextBox>("texto")->setText("hola");  // no change, no report
  w->unload();
  EXPECT_EQ(recorder.log, (Log{"loaded Vista", "changed etiqueta", "shown Vista", "focus texto", "changed texto",
                               "hidden Vista", "unloaded Vista"}));
}

TEST_F(ObserverTest, GridReportsCellsAndShapeAndHoldsBackWhileNotDrawing) {
  auto w = makeWindow("Vista", [](TestWindow& t) { t.make<Grid>("g"); });
  Grid& g = *w->controlAs<Grid>("g");
  recorder.log.clear();
  g.setTextMatrix(1, 1, "x");
  g.setRedraw(false);
  g.setRows(40);
  g.setTextMatrix(30, 0, "y");
  g.setRedraw(true);
  std::vector<std::string> igual{"", "x"}, otra{"", "z"};  // row 1 as it is: nothing to tell
  g.swapRowTexts(1, igual);
  g.swapRowTexts(2, otra);
  EXPECT_EQ(recorder.log, (Log{"cells 1-1", "changed g", "shape g", "cells 2-2"}));
}

TEST_F(ObserverTest, AnObserverMayRemoveItselfWhileBeingTold) {
  struct Once final : Observer {
    Application* app = nullptr;
    int calls = 0;
    void controlChanged(Control&) override {
      ++calls;
      app->removeObserver(this);
    }
  } once;
  once.app = &app;
  app.addObserver(&once);
  auto w = makeWindow("Vista", [](TestWindow& t) { t.make<Label>("l"); });
  w->controlAs<Label>("l")->setCaption("a");
  w->controlAs<Label>("l")->setCaption("b");
  EXPECT_EQ(once.calls, 1);
  EXPECT_EQ(recorder.log.back(), "changed l") << "the others are still told";
}

// The driver's output lines, exactly, and its script errors.
class DriverTest : public ScriptTest {};

TEST_F(DriverTest, DumpIsExact) {
  auto mini = makeWindow("Mini", [](TestWindow& t) {
    using enum ControlKind;
    t.setBorderStyle(BorderStyle::FixedDialog);
    t.setClientSize(3390, 1440);
    t.setStartUpPosition(StartUpPosition::Manual);
    t.move(100, 200);
    t.design({{Label, "Label1", "", {90, 180, 480, 195}, "Label1", -1, {.autoSize = true}},
              {NumberEntryBox, "Velnor1", "", {975, 120, 2160, 315}, "", -1, {.format = "#,##0.00"}},
              {StatusBar, "sb", "", {0, 1125, 3390, 315}}});
    t.controlAs<forms::NumberEntryBox>("Velnor1")->setValue(12.5);
    t.statusBar()->setPanelText(1, "hola");
  });
  go = [&](const std::string&) { mini->show(); };
  ASSERT_EQ(run("go\ndump\n"), 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], R"({"event":"show","window":"Mini","caption":"Mini","modal":false})");
  EXPECT_EQ(lines[1],
            R"({"event":"dump","windows":[{"name":"Mini","caption":"Mini","visible":true,"modal":false,)"
            R"("windowState":0,"left":100,"top":200,"width":3510,"height":1845,"clientWidth":3390,)"
            R"("clientHeight":1440,"activeControl":"Velnor1","statusText":"hola","controls":{)"
            R"("Label1":{"kind":"Label","container":null,"enabled":true,"visible":true,"left":90,"top":180,)"
            R"("width":480,"height":195,"tabIndex":0,"caption":"Label1"},)"
            R"("Velnor1":{"kind":"NumberEntryBox","container":null,"enabled":true,"visible":true,"left":975,)"
            R"("top":120,"width":2160,"height":315,"tabIndex":1,"value":12.5,"format":"#,##0.00"},)"
            R"("sb":{"kind":"StatusBar","container":null,"enabled":true,"visible":true,"left":0,"top":1125,)"
            R"("width":3390,"height":315,"tabIndex":2}},)"
            R"("state":{"log":[]}}]})");
  // Window state values as JSON (money is in the end-to-end commission window's state).
  using automation::Variant;
  EXPECT_EQ(nlohmann::json::array({jsonValue(Variant(automation::Date())), jsonValue(Variant(false)), jsonValue(Variant(int32_t{3}))}),
            nlohmann::json::parse(R"(["1899-12-30", false, 3])"));
}

TEST_F(DriverTest, GridDumpAndMessageLines) {
  auto w = makeWindow("Lista", [this](TestWindow& t) {
    auto& g = t.make<Grid>("detalles", {0, 0, 5000, 3000});
    g.setFormatString("Fecha|>Monto");
    g.setRows(3);
    g.onDblClick = [this, &g] { app.showMessage("fila " + std::to_string(g.row()) + " “ok”"); };
  });
  go = [&](const std::string&) { w->show(); };
  // Blanks and tabs part words; quotes keep blanks; \" and \\ are the only escapes.
  ASSERT_EQ(run("go\ndblclick 1 1\nok\necho\t" R"(  "a \"b\" c\\d" ""  "c:\x"  )" "\ndump\n"), 0);
  EXPECT_EQ(lines[1], R"({"event":"message","text":"fila 1 “ok”"})");
  EXPECT_EQ(lines[2], R"({"event":"echo","text":"a \"b\" c\\d  c:\\x"})");
  // The rest of a grid's dump (rows, cells, widths) is what the end-to-end invoice list reads.
  const auto g = lastDumpOf("Lista")["controls"]["detalles"];
  EXPECT_EQ(nlohmann::json::array({g["cols"], g["fixedRows"], g["row"], g["col"]}), nlohmann::json::parse("[2, 1, 1, 1]"));
}

TEST_F(DriverTest, ClickingAHeaderCellKeepsTheCurrentCell) {
  auto w = makeWindow("Lista", [](TestWindow& t) {
    auto& g = t.make<Grid>("detalles", {0, 0, 5000, 3000});
    g.setCols(3);
    g.setRows(4);
    g.onDblClick = t.logs("dbl");
    g.onGotFocus = t.logs("got");
  });
  go = [&](const std::string&) { w->show(); };
  ASSERT_EQ(run("go\ncell 2 2\ndblclick 0 1\n"), 0);
  auto& g = *w->controlAs<Grid>("detalles");
  EXPECT_EQ(std::pair(g.row(), g.col()), std::pair(2, 2));
  EXPECT_EQ(w->log, (Log{"got", "dbl"}));
}

struct ErrorCase {
  const char* script;
  int line;
  const char* text;
};

class ScriptErrors : public ScriptTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ScriptErrors, EndTheRunWithStatus2) {
  auto dialog = makeWindow("Dialogo", [this](TestWindow& t) {
    t.make<ActionButton>("cbPreguntar").onClick = [this] { app.askQuestion("¿Seguir?"); };
  });
  auto main = makeWindow("W", [&](TestWindow& t) {
    t.make<ActionButton>("cbAbrir").onClick = [&] { dialog->show(true); };
    t.make<ActionButton>("cbAviso").onClick = [this] { app.showMessage("aviso"); };
    t.make<Label>("etiqueta");
    t.make<ReferenceTextBox>("oculto").setVisible(false);
    t.make<Grid>("detalles");
  });
  go = [&](const std::string&) { main->show(); };
  const ErrorCase& c = GetParam();
  EXPECT_EQ(run(c.script), 2);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            jsonLine(nlohmann::ordered_json{{"event", "script-error"}, {"line", c.line}, {"text", c.text}}));
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(lines[i].find("script-error"), std::string::npos) << "one script error, at the end";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptErrors,
    ::testing::Values(
        ErrorCase{"bogus\necho nunca\n", 1, "unknown command bogus"},
        ErrorCase{"# comentario\n\n   \ngo\nclick nada\n", 5, "window W has no control nada"},
        ErrorCase{"go\nfocus oculto\n", 2, "control oculto is not visible"},
        ErrorCase{"go\nfocus etiqueta\n", 2, "control etiqueta does not take the focus"},
        ErrorCase{"go\ntype hola\n", 2, "type: control cbAbrir takes no text"},
        ErrorCase{"yes\n", 1, "yes: no message box is open"},
        ErrorCase{"click cbAbrir\n", 1, "click: no window is open"},
        ErrorCase{"go\nclick cbAviso\nyes\n", 3, "yes does not answer a message (ok)"},
        ErrorCase{"go\nclick cbAviso\nclick cbAbrir\n", 3, "click: a message box is open (answer it with ok)"},
        ErrorCase{"go\nclick cbAbrir\nclick cbPreguntar\nok\n", 4, "ok does not answer a question (yes or no)"},
        ErrorCase{"go\nclick cbAbrir\nclick cbPreguntar\nclose\n", 4,
                  "close: a question is open (answer it with yes or no)"},
        ErrorCase{"go\nclick cbAbrir\n", 3, "end of script while window Dialogo is open"},
        ErrorCase{"go\nclick cbAviso\n", 3, "end of script while a message box is open"},
        ErrorCase{"go\ncell 5 0\n", 2, "cell: cell 5 0 is outside the grid (2 rows, 2 columns)"},
        ErrorCase{"go\ncell x 0\n", 2, "ROW must be a whole number: x"},
        ErrorCase{"go\nkey F13\n", 2, "key: not a key: F13"},
        ErrorCase{"go\nresize 100\n", 2, "resize takes 2 arguments"},
        ErrorCase{"go\nshot a.png\n", 2, "shot needs --ui qt"},
        ErrorCase{"type \"ab\\\"\n", 1, "unterminated quote"},  // an escaped quote does not close
        ErrorCase{"type ab\"c\"\n", 1, "a quote inside a word"},
        ErrorCase{"type \"ab\"c\n", 1, "text right after a closing quote"}));

TEST_F(DriverTest, GoWithoutAHostIsAScriptError) {
  EXPECT_EQ(run("go V01\n"), 2);
  EXPECT_EQ(lines, (Log{R"({"event":"script-error","line":1,"text":"go needs a host"})"}));
}

TEST_F(DriverTest, CommandAndControlNamesIgnoreCase) {
  auto w = makeWindow("W", [](TestWindow& t) { t.make<ActionButton>("cbOk").onClick = t.logs("ok"); });
  go = [&](const std::string& code) { w->log.push_back("go " + code); w->show(); };
  ASSERT_EQ(run("GO V01\nClick CBOK\n"), 0);
  EXPECT_EQ(w->log, (Log{"go V01", "ok"}));
}

}  // namespace
}  // namespace forms::test
