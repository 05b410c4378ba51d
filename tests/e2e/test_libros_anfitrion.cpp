// The host's own rules for what goes into the books, on either driver: cheque numbers, the
// numbers the books generate, invoice numbers and codes the component can hold.

#include <gtest/gtest.h>

#include "../reference_host/host_fixture.h"
#include "host/factory.h"
#include "host/session.h"
#include "e2e_support.h"

namespace e2e {
namespace {

using automation::Arg;
using automation::Currency;
using automation::ObjectRef;
using automation::Variant;
using hosttest::errorOf;

class LibrosDelAnfitrion : public PorMotor<> {
 protected:
  void SetUp() override {
    PorMotor<>::SetUp();
    if (IsSkipped()) return;
    libros = librosDelCorte(env);
    options.printDir = env.dir() / "impresos";
    session = std::make_shared<host::HostSession>(host::Database::open(libros->db()), options, ui);
    factory = std::make_shared<host::HostFactory>(session);
  }
  ObjectRef crear(const std::string& clase) {
    return automation::toObject(automation::call(factory, "crearObjeto", {Arg(clase)}));
  }
  ObjectRef banco(const std::string& codigo) {
    return automation::toObject(automation::call(crear("Banco"), "Buscar", {Arg(codigo)}));
  }
  Variant movimiento(const ObjectRef& banco, int16_t tipo, const std::string& referencia, bool imprimir = false) {
    Variant monto(Currency::fromRaw(123450000));
    const Variant hoy(automation::Date::fromYmd(2026, 12, 1));
    return automation::call(banco, "RegistrarMovimiento",
                            {Arg(tipo), Arg(hoy), Arg("Pago de comisiones a Rosa Peña"), Arg("Rosa Peña"),
                             Arg::ref(monto), Arg(referencia), Arg(hoy), Arg(Variant::nothing())},
                            {{"Imprimir", Arg(imprimir)}});
  }
  void sql(const std::string& texto) { session->db().exec(texto); }

  Entorno env;
  std::unique_ptr<Libros> libros;
  host::HostOptions options;
  std::shared_ptr<hosttest::RecordingUi> ui = std::make_shared<hosttest::RecordingUi>();
  std::shared_ptr<host::HostSession> session;
  ObjectRef factory;
};

TEST_P(LibrosDelAnfitrion, UnChequeEsUnicoPorSuNumeroEnSuBanco) {
  const ObjectRef ban01 = banco("BAN01");
  movimiento(ban01, 0, "1001");
  // Books written before the host refused tabs may hold a reference with one.
  sql("INSERT INTO movimientos_banco (numero, banco, tipo, fecha, descripcion, beneficiario, monto, referencia, "
      "fecha_valor) VALUES (90, 'BAN01', 0, '2026-11-01', 'x', 'x', 1, '1002\t', '2026-11-01')");
  for (const char* repetido : {"01001", " 1001 ", "1002", "001002"}) {
    SCOPED_TRACE(repetido);
    const std::string por = errorOf(host::hosterr::kInvalidArgument, [&] { movimiento(ban01, 0, repetido); });
    EXPECT_NE(por.find("already issued"), std::string::npos) << por;
  }
  // The same number on another bank, or as a transfer, is another document; the next cheque
  // proposed follows the highest number issued, however it was written.
  movimiento(banco("BAN02"), 0, "1001");
  movimiento(ban01, 4, "1001");
  movimiento(ban01, 0, "0001010");
  EXPECT_EQ(automation::call(ban01, "proximoCheque"), Variant("1011"));
  EXPECT_EQ(filas(libros->db(), "SELECT count(*) FROM movimientos_banco"), std::vector<std::string>{"5"});
}

TEST_P(LibrosDelAnfitrion, UnaReferenciaLargaOConCaracteresDeControlSeRechazaSinEscribirNada) {
  const ObjectRef ban02 = banco("BAN02");
  const std::string larga = "TR-" + std::string(38, '7');  // 41 characters
  for (const std::string& mala : {larga, std::string("T-1\0", 4), std::string("T-1\x1b"), std::string("T-1\x7f"),
                                  std::string("T\t1"), std::string("T-\xc3\x28")}) {
    SCOPED_TRACE(mala);
    const std::string por = errorOf(host::hosterr::kInvalidArgument, [&] { movimiento(ban02, 4, mala, true); });
    EXPECT_TRUE(por.find("at most 40 characters (this one has 41)") != std::string::npos ||
                por.find("control character") != std::string::npos || por.find("not valid UTF-8") != std::string::npos)
        << por;
  }
  EXPECT_EQ(filas(libros->db(), "SELECT count(*) FROM movimientos_banco"), std::vector<std::string>{"0"});
  EXPECT_FALSE(fs::exists(options.printDir));
  // Forty characters, accents and signs included, are printed under a name any file system takes.
  const std::string buena = "Transferencia Ñandú/2026 #" + std::string(14, '9');
  movimiento(ban02, 4, buena, true);
  const auto impresos = impresosDe(options.printDir, libros->db());
  EXPECT_EQ(impresos, std::vector<std::string>{"transferencia-BAN02-Transferencia___and___2026__999999999999-m1.pdf"});
}

TEST_P(LibrosDelAnfitrion, LosNumerosDeMasDe32BitsLleganEnterosYNingunaFacturaPasaDeAhi) {
  for (const char* fila : {"comprobantes (numero, fecha, referencia, descripcion) VALUES (2147483647, '2026-11-01', '', 'x')",
                           "movimientos_caja (numero, tipo, fecha, monto, descripcion, codigo, vendedor, beneficiario) "
                           "VALUES (2147483647, 1, '2026-11-01', 1, 'x', 'VND', 'V1', 'x')",
                           "movimientos_banco (numero, banco, tipo, fecha, descripcion, beneficiario, monto, referencia, "
                           "fecha_valor) VALUES (2147483647, 'BAN01', 4, '2026-11-01', 'x', 'x', 1, 'T-0', '2026-11-01')"})
    sql(std::string("INSERT INTO ") + fila);
  session->db().continueNumbering();
  const Variant siguiente(2147483648.0);
  Variant total(Currency::fromRaw(10000));
  const ObjectRef caja = crear("Sesion");
  EXPECT_EQ(automation::call(caja, "RegistrarRetiro",
                             {Arg(int16_t{1}), Arg::ref(total), Arg("x"), Arg(Variant::nothing()), Arg("VND"), Arg("V1")}),
            siguiente);
  EXPECT_EQ(automation::get(automation::toObject(automation::get(caja, "UltimoMovCaja")), "Numero"), siguiente);
  EXPECT_EQ(movimiento(banco("BAN01"), 4, "T-1"), siguiente);
  const ObjectRef comprobante = crear("BComprobante");
  automation::call(comprobante, "StartComprobante", {Arg(automation::Date::fromYmd(2026, 12, 1)), Arg(""), Arg("x")});
  for (const Currency monto : {Currency::fromRaw(10000), Currency::fromRaw(-10000)})
    automation::call(comprobante, "AddDetalleValor", {Arg("6.1.05"), Arg("x"), Arg(monto)});
  EXPECT_EQ(automation::call(comprobante, "Procesar"), siguiente);

  const std::string por = errorOf(host::hosterr::kDatabase, [&] {
    sql("INSERT INTO Facturas VALUES (2147483648, 'A', 1, '2026-11-01', 'C1', 'Abastos Uno', 'V1', 1, 0, 0, 0, 1, 0)");
  });
  EXPECT_NE(por.find("numero_de_factura_de_1_a_2147483647"), std::string::npos) << por;
}

TEST_P(LibrosDelAnfitrion, LosCodigosSeGuardanComoLaVentanaLosBusca) {
  for (const char* fila : {"vendedores VALUES ('v3', 'x')", "bancos VALUES (' BAN03', 'x', '1.1', 1)",
                           "Facturas VALUES (17, 'A', 1, '2026-11-01', 'C1', 'Abastos Uno', 'v1', 1, 0, 0, 0, 1, 0)"}) {
    const std::string por = errorOf(host::hosterr::kDatabase, [&] { sql(std::string("INSERT INTO ") + fila); });
    EXPECT_NE(por.find("_en_mayusculas"), std::string::npos) << por;
  }
  sql("INSERT INTO vendedores VALUES ('VÑ3', 'x')");
}

INSTANTIATE_TEST_SUITE_P(Motores, LibrosDelAnfitrion, testing::Combine(testing::ValuesIn(kMotores)),
                         nombrePorMotor<>);

}  // namespace
}  // namespace e2e
