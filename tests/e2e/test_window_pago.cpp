// The payment panel through the reference host: the remembered option (settings store), the bank
// fields that follow the option, the hints, and the bank box.

#include "e2e_support.h"

namespace {

using namespace e2e;

class VentanaPago : public ::testing::Test {
 protected:
  void SetUp() override { libros.factura({.numero = 1}); }
  WindowBooks libros;
};

// The option a window closed with is selected at the next start. Nothing remembered, or a name
// that is not a payment option, selects credit only; cash is the option selected by design, so
// remembering it raises no click of its own.
TEST_F(VentanaPago, TheRememberedOptionIsSelectedOnlyWhenItIsAPaymentOption) {
  const Salida r = libros.run("go V001\nclick optTransferencia\nclose\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(libros.setting("Hollowmere", "Transient", "optQuorvane"), "optTransferencia");

  // One host opens a free window after each change of the store.
  auto host = libros.live();
  const std::pair<const char*, const char*> casos[] = {
      {nullptr, "optTransferencia"},                                 // the store as the last window left it
      {"optCheque", "optCheque"},     {"OPTCHEQUE", "optCheque"},    // control names ignore case
      {"optChequ", "optNoPagar"},     {"cbProcesar", "optNoPagar"},  // another control
      {"detalles", "optNoPagar"},     {"", "optNoPagar"},
      {"optEfectivo", "optEfectivo"}, {"-", "optNoPagar"},  // nothing remembered
  };
  for (const auto& [guardado, esperado] : casos) {
    if (guardado && std::string(guardado) == "-")
      libros.writeStore({});
    else if (guardado)
      libros.writeStore({{"Hollowmere\\Transient", {{"optQuorvane", guardado}}}});
    host->send("go\ndump\nclose\necho cerrada");
    const Ventana v{ventana(host->waitFor("dump"))};
    host->waitFor("echo", "cerrada");
    const std::string caso = guardado ? guardado : "(as closed)";
    EXPECT_EQ(v.medioPago(), esperado) << caso;
    EXPECT_EQ(v.text("codigoBanco"), "") << caso;
    const bool banco = std::string(esperado) == "optCheque" || std::string(esperado) == "optTransferencia";
    EXPECT_EQ(v.enabled("codigoBanco"), banco) << caso;
    EXPECT_EQ(v.enabled("refMovBanco"), banco) << caso;
  }
  EXPECT_EQ(libros.finish(*host).status, 0);
}

// Leaving a bank payment clears and locks the bank fields; coming back finds them empty.
TEST_F(VentanaPago, OptionsSetTheBankFieldsAndTheHint) {
  const Salida r = libros.run(
      "go V001\nclick optCheque\ndump\nfocus codigoBanco\ntype ban01\nfocus refMovBanco\ntype 555\n"
      "click optEfectivo\ndump\nclick optCheque\ndump\nclick optNoPagar\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const std::pair<bool, const char*> pasos[] = {{true, "El pago se realizará mediante la emision de un cheque"},
                                                {false, "El pago se realizará mediante un egreso de caja"},
                                                {true, "El pago se realizará mediante la emision de un cheque"},
                                                {false, "Solo se acreditarán las comisiones al vendedor"}};
  for (int i = 0; i < 4; ++i) {
    const Ventana v = r.dump(i);
    EXPECT_EQ(v.enabled("codigoBanco"), pasos[i].first) << i;
    EXPECT_EQ(v.enabled("refMovBanco"), pasos[i].first) << i;
    EXPECT_EQ(v.text("codigoBanco") + v.text("refMovBanco"), "") << i;
    EXPECT_EQ(v.status(), pasos[i].second) << i;
  }
}

// F2 on the bank box lists the host's banks. The box trims and upper-cases the code; for a cheque
// it proposes the bank's next cheque number, for a transfer it keeps the number typed. The host
// refuses an unknown code (the window says nothing of its own and keeps the focus) and an empty
// one is accepted without asking it.
TEST_F(VentanaPago, TheBankBoxNormalisesTheCodeAndTheHostRefusesAnUnknownOne) {
  const Salida r = libros.run(
      "go V001\nclick optCheque\nfocus codigoBanco\nkey F2\ndump\nkey ESC\nfocus refMovBanco\ntype 555\n"
      "focus codigoBanco\ntype \" ban01 \"\ntab\ndump\n"
      "click optTransferencia\nfocus refMovBanco\ntype 777\nfocus codigoBanco\ntype "
      "ban02\ntab\ndump\n"
      "focus codigoBanco\ntype xx1\ntab\ndump\n"
      "type \"  \"\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const json lista = r.dump(0, "busqueda").control("lista")["cells"];
  EXPECT_EQ(lista, json::parse(R"([["Código", "Banco"], ["BAN01", "Banco Meridional"], ["BAN02", "Banco Andino"]])"));
  const Ventana cheque = r.dump(1);
  EXPECT_EQ(cheque.text("codigoBanco"), "BAN01");
  EXPECT_EQ(cheque.text("refMovBanco"), "1001");
  EXPECT_EQ(cheque.active(), "refMovBanco");
  EXPECT_EQ(r.calls("proximoCheque").size(), 1u);
  const Ventana transferencia = r.dump(2);
  EXPECT_EQ(transferencia.text("codigoBanco"), "BAN02");
  EXPECT_EQ(transferencia.text("refMovBanco"), "777");

  const Ventana refused = r.dump(3);
  EXPECT_EQ(refused.active(), "codigoBanco");
  EXPECT_EQ(refused.text("codigoBanco"), "XX1");
  EXPECT_TRUE(r.boxes().empty());
  const auto validar = r.calls("validarCodigo");
  ASSERT_EQ(validar.size(), 1u);
  EXPECT_EQ(arg(validar[0], 0)["value"], "XX1");

  const Ventana empty = r.dump();
  EXPECT_EQ(empty.text("codigoBanco"), "");
  EXPECT_EQ(empty.active(), "refMovBanco");
}

}  // namespace
