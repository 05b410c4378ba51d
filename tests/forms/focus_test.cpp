// Focus moves, validation, tab order, the default button, key preview. Enter and Esc pressing
// the default and cancel buttons, and a refused validation keeping the focus, are the end-to-end
// windows'.
#include <gtest/gtest.h>

#include "harness.h"

namespace forms::test {
namespace {

using Log = std::vector<std::string>;

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
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nkey a\nkey x\nkey b\nkey c\nkey d\ndump\n"), 0);
  EXPECT_EQ(window->log, (Log{"form key 97", "box key 65", "form key 120", "form key 98", "box key 98", "form key 99",
                              "box key 99", "form key 100", "box key 100"}));
  EXPECT_EQ(lastDumpOf("Teclas")["controls"]["codigo"]["text"], "Abc") << "typing stops at the maximum length";
}

TEST_F(KeyPreviewTest, WithoutPreviewTheWindowDoesNotSeeKeys) {
  window->setKeyPreview(false);
  go = [this](const std::string&) { window->show(); };
  ASSERT_EQ(run("go\nkey a\n"), 0);
  EXPECT_EQ(window->log, (Log{"box key 97"}));
}

}  // namespace
}  // namespace forms::test
