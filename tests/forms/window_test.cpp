// Load on first touch, geometry and resizing, window state, focus on show, the "Form" object;
// focus moves, validation, tab order, the default button and key preview.

#include "automation/object.h"
#include "harness.h"

namespace forms::test {
namespace {


// A window that keeps its size range in its resize handler, as the commission window does.
class ResizeTest : public ScriptTest {
 protected:
  ResizeTest() {
    window = makeWindow("Grande", [](TestWindow& w) {
      w.setBorderStyle(BorderStyle::Sizable);
      w.setClientSize(11880, 8595);
      w.setStartUpPosition(StartUpPosition::Manual);
      w.make<ActionButton>("cbProcesar", {8640, 7605, 1515, 510});
      w.make<StatusBar>("barra", {0, 8280, 11880, 315});
      w.make<StatusBar>("suelta", {100, 200, 3000, 315}).setDock(StatusBar::Dock::None);
      w.onResize = [&w] {
        w.log.push_back("resize " + std::to_string(w.width()) + "x" + std::to_string(w.height()) + " state " +
                        std::to_string(static_cast<int>(w.windowState())));
        if (w.windowState() == WindowState::Maximized) w.setWindowState(WindowState::Normal);
        if (w.windowState() == WindowState::Normal) {
          if (w.width() < 12000) w.setWidth(12000);
          if (w.height() < 9000) w.setHeight(9000);
          if (w.width() > 14500) w.setWidth(14500);
        }
        if (w.windowState() == WindowState::Minimized) return;
        w.controlAs<ActionButton>("cbProcesar")->move(w.clientWidth() - 3240, w.clientHeight() - 990);
      };
    });
    go = [this](const std::string&) { window->show(); };
  }
  std::shared_ptr<TestWindow> window;
};

TEST_F(ResizeTest, HandlersChangingTheSizeRunNested) {
  ASSERT_EQ(run("go\nresize 11000 8000\n"), 0);
  EXPECT_EQ(window->log, (Log{"resize 12000x9000 state 0", "resize 11000x8000 state 0", "resize 12000x8000 state 0",
                              "resize 12000x9000 state 0"}))
      << "the first show runs Resize; each change inside the handler runs it again, nested";
  EXPECT_EQ(std::pair(window->width(), window->height()), std::pair(12000, 9000));
  EXPECT_EQ(window->controlAs<ActionButton>("cbProcesar")->left(), 8640);
  // A status bar that is not docked stays where it was put.
  EXPECT_EQ(window->control("suelta")->geometry(), (Rect{100, 200, 3000, 315}));
}

TEST_F(ResizeTest, MovingAMaximisedWindowIsError384) {
  window->show();
  window->onResize = nullptr;
  window->setWindowState(WindowState::Maximized);
  EXPECT_EQ(window->width(), app.screenWidth());
  EXPECT_EQ(errorOf([this] { window->move(0, 0, 100, 100); }), 384);
}

TEST_F(ResizeTest, FixedWindowsCannotBeDraggedByTheScript) {
  window->setBorderStyle(BorderStyle::FixedDialog);
  EXPECT_EQ(run("go\nresize 13000 9500\n"), 2);
  EXPECT_EQ(window->clientWidth(), 11880) << "a new border keeps the client size";
}

class LoadTest : public ScriptTest {};

TEST_F(LoadTest, TheFirstTouchLoadsAndReadingTheNameDoesNot) {
  auto w = makeWindow("Perezosa", [](TestWindow& t) {
    t.setCaption("diseño");
    t.onLoad = [&t] { t.log.push_back("load " + t.caption()); };
  });
  EXPECT_EQ(w->name(), "Perezosa");
  EXPECT_FALSE(w->isLoaded());
  EXPECT_EQ(w->builds, 0);
  EXPECT_EQ(w->left(), 0);
  EXPECT_TRUE(w->isLoaded());
  EXPECT_EQ(w->log, (Log{"load diseño"}));
  EXPECT_TRUE(app.loadedWindows().size() == 1 && app.findWindow("PEREZOSA") == w.get());
}

TEST_F(LoadTest, ADesignTableBuildsItsRowsAndARowThatDoesNotFitItsKindLeavesTheWindowUnloaded) {
  using enum ControlKind;
  auto w = makeWindow("Disenada", [](TestWindow& t) {
    t.design({{Frame, "marco", "", {100, 100, 3000, 2000}, "Pago", 5},
              {OptionButton, "cheque", "marco", {60, 200, 1200, 255}, "Cheque", -1, {.value = 1}},
              {NumberEntryBox, "monto", "", {}, "", 0, {.format = "#,##0.00"}},
              {ActionButton, "cbSalir", "", {}, "Salir", 2, {.isCancel = true, .causesValidation = false}}});
  });
  auto* cheque = w->controlAs<forms::OptionButton>("cheque");
  EXPECT_TRUE(cheque->value());
  EXPECT_EQ(cheque->container(), w->control("marco"));
  EXPECT_EQ(cheque->clientRect(), (Rect{160, 300, 1200, 255}));
  EXPECT_EQ(cheque->tabIndex(), 1) << "no tab index: the creation order's";
  EXPECT_EQ(w->controlAs<forms::NumberEntryBox>("monto")->format(), "#,##0.00");
  EXPECT_EQ(w->cancelButton(), w->control("cbSalir"));
  EXPECT_FALSE(w->control("cbSalir")->causesValidation());

  for (const ControlDesign& wrong : {ControlDesign{Grid, "lista", "", {}, "texto"},
                                     ControlDesign{Label, "etiqueta", "lista", {}, "", -1, {.format = "0"}},
                                     ControlDesign{Label, "etiqueta", "nada"}}) {
    auto bad = makeWindow("Mal", [&](TestWindow& t) { t.design({{Grid, "lista"}, wrong}); });
    EXPECT_THROW(bad->load(), std::logic_error) << wrong.name;
    EXPECT_FALSE(bad->isLoaded());
  }
}

TEST_F(LoadTest, ShowGivesTheFocusToTheFirstControlThatCanTakeIt) {
  auto w = makeWindow("Foco", [](TestWindow& t) {
    using enum ControlKind;
    t.design({{Label, "etiqueta", "", {}, "", 0},
              {ReferenceTextBox, "apagado", "", {}, "", 1, {.enabled = false}},
              {ReferenceTextBox, "oculto", "", {}, "", 2},
              {ReferenceTextBox, "segundo", "", {}, "", 4},
              {ReferenceTextBox, "primero", "", {}, "", 3}});
    t.control("oculto")->setVisible(false);
    t.control("segundo")->onGotFocus = t.logs("got segundo");
    t.control("primero")->onGotFocus = t.logs("got primero");
  });
  w->show();
  ASSERT_NE(w->activeControl(), nullptr);
  EXPECT_EQ(w->activeControl()->name(), "primero");
  EXPECT_EQ(w->log, (Log{"got primero"}));
  // Disabling the focused control takes the focus away without events.
  w->controlAs<Control>("primero")->setEnabled(false);
  EXPECT_EQ(w->activeControl(), nullptr);
}

TEST_F(LoadTest, TheFormObjectReadsAndWritesTheWindow) {
  auto w = makeWindow("Tema", [](TestWindow& t) { t.setCaption("Original"); });
  automation::ObjectRef form = w->asObject();
  EXPECT_EQ(form->className(), "Form");
  EXPECT_EQ(automation::get(form, "Name").asString(), "Tema");
  EXPECT_EQ(automation::get(form, "caption").asString(), "Original") << "members ignore case";
  automation::call(form, "Move", {automation::Arg(int32_t{100}), automation::Arg(int32_t{200})});
  EXPECT_EQ(w->top(), 200);
  w->unload();
  w.reset();
  EXPECT_EQ(errorOf([&] { automation::get(form, "Caption"); }), 91);
}

TEST_F(LoadTest, TheFormObjectsControlsReachTheControlsOfThatLoadOnly) {
  auto w = makeWindow("Tema", [](TestWindow& t) {
    t.make<Label>("etiqueta");
    t.make<ReferenceTextBox>("texto");
  });
  automation::ObjectRef controls = automation::toObject(automation::get(w->asObject(), "Controls"));
  automation::ObjectRef label = automation::toObject(automation::call(controls, "Item", {automation::Arg(int32_t{0})}));
  EXPECT_EQ(automation::get(label, "Name").asString(), "etiqueta");
  EXPECT_EQ(errorOf([&] { automation::call(controls, "Item", {automation::Arg(int32_t{2})}); }), 9);
  // After an unload the object does not load the window again or reach the new controls.
  w->unload();
  EXPECT_EQ(errorOf([&] { automation::get(label, "BackColor"); }), 91);
  EXPECT_FALSE(w->isLoaded());
}

// Focus moves, validation, tab order, the default button, key preview. Enter and Esc pressing
// the default and cancel buttons, and a refused validation keeping the focus, are the end-to-end
// windows'.
class FocusTest : public ScriptTest {
 protected:
  FocusTest() {
    window = makeWindow("Datos", [](TestWindow& w) {
      using enum ControlKind;
      w.design({{ReferenceTextBox, "codigo"},
                {ReferenceTextBox, "nombre"},
                {Label, "etiqueta", "", {}, "Nota:"},
                {ReferenceTextBox, "apagado", "", {}, "", -1, {.enabled = false}},
                {ActionButton, "cbCancelar", "", {}, "", -1, {.isCancel = true, .causesValidation = false}},
                {ActionButton, "cbOk", "", {}, "", -1, {.isDefault = true}}});
      Control& codigo = *w.control("codigo");
      codigo.onGotFocus = w.logs("got codigo");
      codigo.onLostFocus = w.logs("lost codigo");
      codigo.onValidate = [&w](bool& cancel) {
        cancel = w.controlAs<forms::ReferenceTextBox>("codigo")->text() != "OK";
        w.log.push_back(cancel ? "validate codigo refused" : "validate codigo");
      };
      codigo.onKeyPress = [&w](int16_t& k) { w.log.push_back("box key " + std::to_string(k)); };
      w.control("nombre")->onGotFocus = w.logs("got nombre");
      w.control("nombre")->onLostFocus = w.logs("lost nombre");
      w.control("cbCancelar")->onClick = w.logs("cancelar");
      w.control("cbOk")->onClick = w.logs("ok");
    });
    go = [this](const std::string&) { window->show(); };
  }
  std::shared_ptr<TestWindow> window;
};

TEST_F(FocusTest, ButtonWithoutCausesValidationTakesTheFocusUnvalidated) {
  ASSERT_EQ(run("go\ntype abc\nclick cbCancelar\nfocus codigo\ntype OK\ntab\ntab\nbacktab\n"), 0);
  EXPECT_EQ(window->log, (Log{"got codigo", "lost codigo", "cancelar", "got codigo", "validate codigo", "lost codigo",
                              "got nombre", "lost nombre", "got nombre"}))
      << "Validate runs before LostFocus; tab skips the label and the disabled box";
}

TEST_F(FocusTest, TabWrapsAndDisabledControlsNeverTakeTheFocus) {
  ASSERT_EQ(run("go\ntype OK\nbacktab\ndump\nfocus apagado\ndump\n"), 0);
  EXPECT_EQ(lastDumpOf("Datos")["activeControl"], "cbOk") << "backtab from the first control wraps to the last";
  EXPECT_EQ(errorOf([this] { window->control("apagado")->setFocus(); }), 5);
  EXPECT_EQ(window->activeControl()->name(), "cbOk");
}

// A second default button takes the role from the first; with none, Enter is a key.
TEST_F(FocusTest, OneDefaultButtonAtMostAndEnterWithoutOneIsAKey) {
  window->load();
  window->controlAs<ActionButton>("cbCancelar")->setDefault(true);
  EXPECT_FALSE(window->controlAs<ActionButton>("cbOk")->isDefault());
  window->controlAs<ActionButton>("cbCancelar")->setDefault(false);
  window->controlAs<ActionButton>("cbCancelar")->setCancel(false);
  ASSERT_EQ(run("go\nkey ENTER\nkey ESC\nkey a\ndump\n"), 0);
  EXPECT_EQ(window->log, (Log{"got codigo", "box key 13", "box key 27", "box key 97"}));
  EXPECT_EQ(lastDumpOf("Datos")["controls"]["codigo"]["text"], "a");
}

class KeyPreviewTest : public ScriptTest {
 protected:
  KeyPreviewTest() { go = [this](const std::string&) { window->show(); }; }
  std::shared_ptr<TestWindow> window = makeWindow("Teclas", [](TestWindow& w) {
    w.setKeyPreview(true);
    w.onKeyPress = [&w](int16_t& k) {
      w.log.push_back("form key " + std::to_string(k));
      if (k == 'x') k = 0;
      if (k == 'a') k = 'A';
    };
    auto& box = w.make<ReferenceTextBox>("codigo", {0, 0, 1000, 315});
    box.setMaxLength(3);
    box.onKeyPress = [&w](int16_t& k) { w.log.push_back("box key " + std::to_string(k)); };
  });
};

TEST_F(KeyPreviewTest, WindowSeesKeysFirstAndCanChangeOrStopThem) {
  ASSERT_EQ(run("go\nkey a\nkey x\nkey b\nkey c\nkey d\ndump\n"), 0);
  EXPECT_EQ(window->log, (Log{"form key 97", "box key 65", "form key 120", "form key 98", "box key 98", "form key 99",
                              "box key 99", "form key 100", "box key 100"}));
  EXPECT_EQ(lastDumpOf("Teclas")["controls"]["codigo"]["text"], "Abc") << "typing stops at the maximum length";
}

TEST_F(KeyPreviewTest, WithoutPreviewTheWindowDoesNotSeeKeys) {
  window->setKeyPreview(false);
  ASSERT_EQ(run("go\nkey a\n"), 0);
  EXPECT_EQ(window->log, (Log{"box key 97"}));
}

}  // namespace
}  // namespace forms::test
