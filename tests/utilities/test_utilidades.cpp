// The utility library against the forms runtime, headless.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../automation/error_of.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "utilities/utilidades.h"

using utilidades::Utilidades;

namespace {

class Campos final : public forms::Window {
 public:
  Campos() : Window("Campos") {}
  std::vector<std::string> validated;
  bool refuseCodigo = false;

 protected:
  void build() override {
    setClientSize(6000, 4000);
    add<forms::Label>("etiqueta", {0, 0, 900, 195});
    auto& codigo = add<forms::CodeLookupField>("codigo", {0, 300, 1500, 345});
    codigo.onValidate = [this](bool& cancel) {
      validated.push_back("codigo");
      cancel = refuseCodigo;
    };
    add<forms::DateEntryBox>("fecha", {0, 700, 1500, 315});
    add<forms::ActionButton>("boton", {0, 1100, 1500, 510});
    add<forms::NumberEntryBox>("numero", {0, 1700, 1500, 315});
    add<forms::OptionCheckBox>("marca", {0, 2100, 1500, 270});
    add<forms::Grid>("grid", {0, 2500, 3000, 1000});
    add<forms::ReferenceTextBox>("referencia", {0, 3600, 1500, 315});
  }
};

class UtilidadesTest : public ::testing::Test {
 protected:
  forms::Application app;
};

TEST_F(UtilidadesTest, PrepararFormCentresTheWindowOnTheScreen) {
  auto w = std::make_shared<Campos>();
  w->move(0, 0, 12000, 9000);
  Utilidades::prepararForm(*w);
  EXPECT_EQ(std::tuple(w->left(), w->top(), w->width(), w->height()),
            std::tuple((28800 - 12000) / 2, (16200 - 9000) / 2, 12000, 9000));

  // A window larger than the screen goes above and left of its edges, still centred.
  app.setScreenSize(10000, 8000);
  Utilidades::prepararForm(*w);
  EXPECT_EQ(std::pair(w->left(), w->top()), std::pair(-1000, -500));
}

TEST_F(UtilidadesTest, UbicarArchivoPlacesPlainNamesInTheSettingsDirectory) {
  ::setenv("TESSALINE_CONFIG_HOME", "/tmp/tessaline-utilidades-test", 1);
  EXPECT_EQ(Utilidades::ubicarArchivo("Hollowmere.ini", "Hollowmere"), "/tmp/tessaline-utilidades-test/Hollowmere.ini");
  for (const char* bad : {"", "../Zel.ini", "/etc/Zel.ini", "sub/Zel.ini", ".."})
    EXPECT_EQ(errorOf([&] { Utilidades::ubicarArchivo(bad, "Zel"); }), 5) << bad;
}

TEST_F(UtilidadesTest, EnterInAnEntryFieldMovesToTheNextFieldInTabOrder) {
  auto w = std::make_shared<Campos>();
  w->show();
  ASSERT_EQ(w->activeControl(), w->control("codigo"));  // the label never takes the focus
  auto enter = [&](const char* from) {
    int16_t key = forms::keys::kEnter;
    Utilidades::procesarTecla(key, from != nullptr ? w->control(from) : nullptr);
    return key;
  };
  // A refused validation keeps the focus and swallows the key.
  w->refuseCodigo = true;
  EXPECT_EQ(enter("codigo"), 0);
  EXPECT_EQ(w->activeControl(), w->control("codigo"));
  w->refuseCodigo = false;
  // Code, date, number and check box move on (validating what they leave; a button takes the
  // focus in between), the last field wraps to the first.
  const std::pair<const char*, const char*> moves[] = {
      {"codigo", "fecha"}, {"fecha", "boton"}, {"numero", "marca"}, {"marca", "grid"}, {"referencia", "codigo"}};
  for (const auto& [from, to] : moves) {
    w->control(from)->setFocus();
    EXPECT_EQ(enter(from), 0) << from;
    EXPECT_EQ(w->activeControl(), w->control(to)) << from;
  }
  EXPECT_EQ(w->validated, (std::vector<std::string>{"codigo", "codigo"}));
  // Enter on the grid, on a button or with no control passes unchanged, and other keys too.
  w->control("grid")->setFocus();
  EXPECT_EQ(enter("grid"), forms::keys::kEnter);
  EXPECT_EQ(w->activeControl(), w->control("grid"));
  EXPECT_EQ(enter("boton"), forms::keys::kEnter);
  EXPECT_EQ(enter(nullptr), forms::keys::kEnter);
  int16_t key = 'a';
  Utilidades::procesarTecla(key, w->control("grid"));
  EXPECT_EQ(key, 'a');
  EXPECT_EQ(w->activeControl(), w->control("grid"));
}

}  // namespace
