// The payment panel through the reference host: the remembered option (settings store),
// the bank fields that follow the option, the hints, and the bank box.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

const char* const kSeccion = "Hollowmere\\Transient";

class VentanaPago : public ::testing::Test {
 protected:
  void SetUp() override { books.factura({.numero = 1}); }
  // Opens a free window (the salesperson box keeps the focus) and dumps it.
  Ventana inicio() {
    const Salida r = books.run("go\ndump\n");
    EXPECT_EQ(r.status, 0) << r.transcript();
    return r.dump();
  }
  WindowBooks books;
};

TEST_F(VentanaPago, TheOptionClosedWithIsSelectedAtTheNextStart) {
  const Salida r = books.run("go V001\nclick optTransferencia\nclose\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(books.setting("Hollowmere", "Transient", "optQuorvane"), "optTransferencia");
  const Ventana v = inicio();
  EXPECT_EQ(v.medioPago(), "optTransferencia");
  EXPECT_TRUE(v.enabled("codigoBanco"));
  EXPECT_TRUE(v.enabled("refMovBanco"));
}

// Nothing remembered, or a name that is not a payment option, selects credit only; cash is the
// option selected by design, so remembering it raises no click of its own.
TEST_F(VentanaPago, TheRememberedOptionIsSelectedOnlyWhenItIsAPaymentOption) {
  EXPECT_EQ(inicio().medioPago(), "optNoPagar");
  struct Caso {
    std::string guardado;
    std::string esperado;
  };
  const Caso casos[] = {
      {"optCheque", "optCheque"},     {"OPTCHEQUE", "optCheque"},  // control names ignore case
      {"optChequ", "optNoPagar"},     {"cbProcesar", "optNoPagar"},  // another control
      {"detalles", "optNoPagar"},     {"", "optNoPagar"},
      {"optEfectivo", "optEfectivo"},
  };
  for (const Caso& c : casos) {
    books.writeStore({{kSeccion, {{"optQuorvane", c.guardado}}}});
    const Ventana v = inicio();
    EXPECT_EQ(v.medioPago(), c.esperado) << c.guardado;
    EXPECT_EQ(v.text("codigoBanco"), "") << c.guardado;
    const bool banco = c.esperado == "optCheque";
    EXPECT_EQ(v.enabled("codigoBanco"), banco) << c.guardado;
    EXPECT_EQ(v.enabled("refMovBanco"), banco) << c.guardado;
  }
}

// Leaving a bank payment clears and locks the bank fields; coming back finds them empty.
TEST_F(VentanaPago, OptionsSetTheBankFields) {
  const Salida r = books.run(
      "go V001\nclick optCheque\ndump\nfocus codigoBanco\ntype ban01\nfocus refMovBanco\ntype 555\n"
      "click optEfectivo\ndump\nclick optCheque\ndump\nclick optNoPagar\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  struct Paso {
    bool enabled;
    const char* hint;
  };
  const Paso pasos[] = {{true, "El pago se realizará mediante la emision de un cheque"},
                        {false, "El pago se realizará mediante un egreso de caja"},
                        {true, "El pago se realizará mediante la emision de un cheque"},
                        {false, "Solo se acreditarán las comisiones al vendedor"}};
  for (int i = 0; i < 4; ++i) {
    const Ventana v = r.dump("SelectFacturas", i);
    EXPECT_EQ(v.enabled("codigoBanco"), pasos[i].enabled) << i;
    EXPECT_EQ(v.enabled("refMovBanco"), pasos[i].enabled) << i;
    EXPECT_EQ(v.text("codigoBanco"), "") << i;
    EXPECT_EQ(v.text("refMovBanco"), "") << i;
    EXPECT_EQ(v.status(), pasos[i].hint) << i;
  }
}

TEST_F(VentanaPago, TheBankBoxNormalisesTheCodeAndProposesTheNextCheque) {
  const Salida r = books.run(
      "go V001\nclick optCheque\nfocus refMovBanco\ntype 555\n"
      "focus codigoBanco\ntype \" ban01 \"\ntab\ndump\n"
      "click optTransferencia\nfocus refMovBanco\ntype 777\nfocus codigoBanco\ntype ban02\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana cheque = r.dump("SelectFacturas", 0);
  EXPECT_EQ(cheque.text("codigoBanco"), "BAN01");
  EXPECT_EQ(cheque.text("refMovBanco"), "1001");
  EXPECT_EQ(cheque.active(), "refMovBanco");
  EXPECT_EQ(r.calls("proximoCheque").size(), 1u);

  const Ventana transferencia = r.dump("SelectFacturas", 1);
  EXPECT_EQ(transferencia.text("codigoBanco"), "BAN02");
  EXPECT_EQ(transferencia.text("refMovBanco"), "777");
}

TEST_F(VentanaPago, AnUnknownBankCodeIsRefusedByTheHostAndAnEmptyOneIsAccepted) {
  const Salida r = books.run(
      "go V001\nclick optCheque\nfocus codigoBanco\ntype xx1\ntab\ndump\n"
      "type \"  \"\ntab\ndump\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  const Ventana refused = r.dump("SelectFacturas", 0);
  EXPECT_EQ(refused.active(), "codigoBanco");
  EXPECT_EQ(refused.text("codigoBanco"), "XX1");
  EXPECT_TRUE(r.boxes().empty());  // the window says nothing of its own
  const auto validar = r.calls("validarCodigo");
  ASSERT_EQ(validar.size(), 1u);
  EXPECT_EQ(validar[0]["args"][0]["value"], "XX1");
  int bancos = 0;
  for (const auto& c : r.calls("crearObjeto")) bancos += c["args"][0]["value"] == "banco";
  EXPECT_EQ(bancos, 1);

  const Ventana empty = r.dump("SelectFacturas", 1);
  EXPECT_EQ(empty.text("codigoBanco"), "");
  EXPECT_EQ(empty.active(), "refMovBanco");
  EXPECT_EQ(r.calls("validarCodigo").size(), 1u);
}

}  // namespace
