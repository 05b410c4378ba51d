// The number dialog, driven by operator scripts through the headless driver.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation/error.h"
#include "forms/driver.h"
#include "harness.h"
#include "number_dialog/f_get_numero.h"

namespace {

using tessaline::fGetNumero;

struct Outcome {
  std::optional<double> value;
  std::optional<automation::Error> error;
  bool loadedWhenDone = true;
};

class NumberDialog : public harness::WindowTest {
 protected:
  // Runs `script` with `go` asking the question through `ask`; returns the driver's exit status.
  int run(const std::string& script, std::function<double(fGetNumero&)> ask) {
    forms::ScriptDriver driver(app, out);
    driver.onGo([&](const std::string&) {
      dialog = std::make_shared<fGetNumero>();
      try {
        outcome.value = ask(*dialog);
      } catch (const automation::Error& e) {
        outcome.error = e;
      }
      outcome.loadedWhenDone = dialog->isLoaded();
    });
    std::istringstream in(script);
    return driver.run(in);
  }

  // The JSON events the run printed.
  std::vector<nlohmann::json> events() const {
    std::vector<nlohmann::json> r;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) r.push_back(nlohmann::json::parse(line));
    return r;
  }
  // The dialog in the first dump that shows it.
  nlohmann::json dumpedDialog() const {
    for (const auto& e : events())
      for (const auto& w : e.value("windows", nlohmann::json::array()))
        if (w["name"] == "fGetNumero") return w;
    return nullptr;
  }

  std::ostringstream out;
  std::shared_ptr<fGetNumero> dialog;
  Outcome outcome;
};

double askAmount(fGetNumero& d) {
  return d.GetNumeroWithError("Nueva comision para la factura", "#,##0.00", "Ajuste de comisiones",
                              automation::Currency::fromRaw(125000));
}

// Closing the dialog any way but Ok (Esc, the close box, Cancelar) is reported after the window
// has gone.
TEST_F(NumberDialog, EveryWayOfClosingButAcceptIsACancellation) {
  for (const char* closing : {"key ESC", "close", "click cbCancelar"}) {
    outcome = {};
    ASSERT_EQ(run(std::string("go\ntype 3\n") + closing + "\n", askAmount), 0) << out.str();
    ASSERT_TRUE(outcome.error) << closing;
    EXPECT_EQ(std::tuple(outcome.error->number(), outcome.error->source(), outcome.error->description()),
              std::tuple(10001, "frmGetNum", "frmGetNum:Cancel"));
    EXPECT_FALSE(outcome.loadedWhenDone) << closing;
  }
}

TEST_F(NumberDialog, AGroupingSeparatorOffAGroupBoundaryIsRefusedWithAMessage) {
  struct Case {
    const char* locale;
    const char* slip;  // the decimal key of the other convention: read as grouping, ten times the amount
    const char* grouped;
    double value;
  };
  for (const Case& c : {Case{"es_VE", "40.5", "Bs.S1.234,5", 1234.5}, Case{"en_US", "1,23", "1,234.5", 1234.5}}) {
    SCOPED_TRACE(c.locale);
    app.setRegionalSettings(regional::RegionalSettings::fromLocale(c.locale));
    outcome = {};
    out.str("");
    ASSERT_EQ(run(std::string("go\ntype ") + c.slip + "\nok\ndump\ntype " + c.grouped + "\nkey ENTER\n", askAmount), 0)
        << out.str();
    const auto ev = events();
    EXPECT_EQ(ev[1]["event"], "warning");
    EXPECT_NE(ev[1]["text"].get<std::string>().find(c.slip), std::string::npos);
    EXPECT_EQ(dumpedDialog()["controls"]["Velnor1"]["value"], 12.5);
    ASSERT_TRUE(outcome.value);
    EXPECT_EQ(*outcome.value, c.value);
  }
}

TEST_F(NumberDialog, OnlyTheTextGivenUsesTheDefaults) {
  ASSERT_EQ(run("go\ndump\nkey ENTER\n", [](fGetNumero& d) { return d.GetNumeroWithError("Monto"); }), 0) << out.str();
  const auto w = dumpedDialog();
  EXPECT_EQ(w["caption"], "Informacion requerida");
  EXPECT_EQ(w["controls"]["Velnor1"]["format"], "");
  EXPECT_EQ(w["controls"]["Velnor1"]["value"], 0);
  ASSERT_TRUE(outcome.value);
  EXPECT_EQ(*outcome.value, 0.0);
}

TEST_F(NumberDialog, GetNumeroFallsBackToItsDefault) {
  auto ask = [](fGetNumero& d) { return d.GetNumero(automation::Variant(12.5), "Porcentaje"); };
  ASSERT_EQ(run("go\ndump\nkey ESC\n", ask), 0) << out.str();
  ASSERT_TRUE(outcome.value);
  EXPECT_EQ(*outcome.value, 12.5);
  EXPECT_EQ(dumpedDialog()["controls"]["Velnor1"]["value"], 12.5);
  EXPECT_EQ(dumpedDialog()["caption"], "");

  outcome = {};
  ASSERT_EQ(run("go\ntype 7\nkey ENTER\n", ask), 0) << out.str();
  ASSERT_TRUE(outcome.value);
  EXPECT_EQ(*outcome.value, 7.0);

  // A default that is not a number fails as its conversion does, before anything is shown.
  outcome = {};
  ASSERT_EQ(run("go\n", [](fGetNumero& d) { return d.GetNumero(automation::Variant("doce"), "x"); }), 0);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->number(), 13);
}

// A short prompt narrows the dialog, the accept button partly off its left edge (the commission
// prompts widen it: seen through the host).
TEST_F(NumberDialog, AShortPromptNarrowsTheDialog) {
  ASSERT_EQ(run("go\ndump\nkey ESC\n", [](fGetNumero& d) { return d.GetNumero(1.0, "Monto"); }), 0) << out.str();
  const auto w = dumpedDialog();
  EXPECT_EQ(w["controls"]["Label1"]["width"], 450);  // 30 px of the headless 8-point font
  EXPECT_EQ(w["controls"]["Velnor1"]["left"], 810);
  EXPECT_EQ(w["width"], 3135);
  EXPECT_EQ(w["controls"]["cbCancelar"]["left"], 1455);
  EXPECT_EQ(w["controls"]["cbOk"]["left"], -120);
}

TEST_F(NumberDialog, LoadingThemesTheWindowAndTakesTheHostIcons) {
  auto d = std::make_shared<fGetNumero>();
  d->SetParamsNoShow("Titulo", "Texto");
  EXPECT_EQ(factory->tema->styled, std::vector<std::string>{"fGetNumero"});
  EXPECT_TRUE(factory->tema->byRef);
  EXPECT_EQ(factory->icons, (std::vector<int16_t>{25, 8}));
  EXPECT_EQ(d->controlAs<forms::ActionButton>("cbOk")->icon(), "ok");
  EXPECT_EQ(d->controlAs<forms::ActionButton>("cbCancelar")->icon(), "cancel");
  EXPECT_EQ(d->caption(), "Titulo");
  EXPECT_FALSE(d->visible());

  // Without a value the box keeps its own.
  d->SetParamsNoShow("Titulo", "Texto", automation::Variant(3.5));
  d->SetParamsNoShow("Titulo", "Texto");
  EXPECT_EQ(d->Entrada(), automation::Variant(3.5));

  // Closing twice is harmless; touching the closed window loads it again with its design values.
  d->descargar();
  d->descargar();
  EXPECT_FALSE(d->isLoaded());
  EXPECT_EQ(d->Entrada(), automation::Variant(0.0));
  EXPECT_TRUE(d->isLoaded());
  EXPECT_EQ(factory->tema->styled.size(), 2u);
  EXPECT_EQ(d->caption(), "...");
}

}  // namespace
