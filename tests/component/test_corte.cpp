// The commission cut on the typed list, without a window: the lock and transaction guard, the
// check against the books, the writes and postings of each payment method, and a property over
// random marking and adjusting that every cut posts a balanced voucher.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "commission_window/corte.h"
#include "commission_window/lista_facturas.h"
#include "entry/globales.h"
#include "fakes.h"
#include "regional/format.h"

namespace {

using automation::CallArgs;
using automation::Currency;
using automation::ObjectRef;
using automation::Variant;
using namespace tessaline;

Currency cur(const char* text) {
  return *automation::parseCurrency(text);
}

// Books in memory: invoices (commission, credited), the calls in order, and the voucher's lines
// as a double-entry host posts them (a bank movement as minus its amount).
class Libro final : public fakes::Logged {
 public:
  struct Factura {
    Currency comision;
    bool acreditada = false;
  };

  explicit Libro(std::shared_ptr<fakes::CallLog> log) : Logged("HostFactory", log) {
    for (const char* m : {"SetGlobalLock", "StartTransaction", "CommitTransaction", "AbortTransaction",
                          "FreeGlobalLock", "SubmitDoc", "StartComprobante", "Procesar", "RegistrarRetiro"}) {
      metodos[m] = [this, m](CallArgs&) { return paso(m); };
    }
    metodos["ExecuteSQL"] = [this](CallArgs& a) {
      if (automation::cStr(a.at(0)).find("SET Comision =") != std::string::npos) {
        facturas.at(automation::cLng(a.at(2))).comision = automation::cCur(a.at(1));
      } else {
        facturas.at(automation::cLng(a.at(1))).acreditada = true;
      }
      return paso("ExecuteSQL");
    };
    metodos["OpenRecordset"] = [this](CallArgs& a) {
      std::vector<fakes::Recordset::Row> filas;
      for (size_t i = 1; i < a.size(); ++i) {
        const auto f = facturas.find(automation::cLng(a.at(i)));
        if (f == facturas.end()) continue;
        filas.push_back({{"Numero", a.at(i)},
                         {"Comision", f->second.comision},
                         {"ComisionAcreditada", int32_t{f->second.acreditada}}});
      }
      paso("OpenRecordset");
      return Variant(ObjectRef(std::make_shared<fakes::Recordset>(filas, log_)));
    };
    // Amounts posted: the expense and cash lines, the salesperson lines, the bank movement.
    for (auto [m, i, signo] : {std::tuple{"AddDetalleValor", 2, 1}, {"Add", 5, 1}, {"RegistrarMovimiento", 4, -1}}) {
      metodos[m] = [this, m, i, signo](CallArgs& a) {
        const Currency monto = automation::cCur(a.at(static_cast<size_t>(i)));
        lineas.push_back(signo < 0 ? -monto : monto);
        return paso(m);
      };
    }
    metodos["crearObjeto"] = [this](CallArgs&) { return Variant(ObjectRef(shared_from_this())); };
    metodos["UltimoMovCaja"] = [this](CallArgs&) { return Variant(ObjectRef(shared_from_this())); };
    propiedades["Numero"] = int32_t{57};
    propiedades["CuentaGastosComisiones"] = "6.1.01";
    propiedades["CuentaCaja"] = "1.1.01";
    propiedades["TemaUI"] = Variant::nothing();
  }

  // One object answers for the factory, the company, the voucher, the salesperson lines, the bank
  // and the cash box.
  Variant invoke(std::string_view member, automation::CallKind kind, CallArgs& args) override {
    log_->calls.push_back(std::string(member));
    if (auto m = metodos.find(std::string(member)); m != metodos.end()) return m->second(args);
    if (auto p = propiedades.find(std::string(member)); p != propiedades.end()) return p->second;
    return Logged::invoke(member, kind, args);
  }

  Variant paso(const std::string& nombre) {
    pasos.push_back(nombre);
    if (nombre == fallarEn) throw automation::Error(50001, "libro", "injected failure in " + nombre);
    return Variant();
  }
  Currency saldoComprobante() const {
    Currency s;
    for (const Currency& c : lineas) s += c;
    return s;
  }

  std::map<int32_t, Factura> facturas;
  std::vector<std::string> pasos;
  std::vector<Currency> lineas;
  std::string fallarEn;

 private:
  std::map<std::string, std::function<Variant(CallArgs&)>> metodos;
  std::map<std::string, Variant> propiedades;
};

class CorteTest : public ::testing::Test {
 protected:
  void SetUp() override { Globales::setFactoria(libro); }

  // Invoices 1..n with the given commissions, loaded as shown with two decimals.
  void cargar(const std::vector<const char*>& comisiones) {
    int32_t n = 0;
    for (const char* c : comisiones) {
      FilaFactura f;
      f.numero = ++n;
      f.factura = lista.guardar("A-" + std::to_string(1000000 + n).substr(1));
      f.nombreCliente = lista.guardar("Cliente " + std::to_string(n));
      f.ventaNeta = cur("1000");
      f.comisionLibros = cur(c);
      f.comision = f.comisionCargada = presentacion.dinero.shown(cur(c));
      lista.agregar(f);
      libro->facturas[n] = {cur(c), false};
    }
  }
  // A whole cut, as processing runs it; the error it ends with, if any.
  std::optional<automation::Error> procesar(MedioPago medio = MedioPago::NoPagar) {
    DatosCorte datos;
    datos.codigoVendedor = "V001";
    datos.nombreVendedor = "Rosalba Quintero";
    datos.medio = medio;
    datos.codigoBanco = "BAN01";
    datos.referencia = "1001";
    datos.banco = [this] { return ObjectRef(libro); };
    try {
      procesarCorte(lista, datos, automation::invariantSymbols(), alLiberar, nullptr);
    } catch (const automation::Error& e) {
      return e;
    }
    return std::nullopt;
  }

  std::shared_ptr<fakes::CallLog> log = std::make_shared<fakes::CallLog>();
  std::shared_ptr<Libro> libro = std::make_shared<Libro>(log);
  ListaFacturas lista;
  std::vector<automation::Error> alLiberar;
  regional::RegionalSettings ajustes = regional::RegionalSettings::fromLocale("en_US");
  Presentacion presentacion{regional::Formatter("#,##0.00", ajustes), regional::Formatter("0.00", ajustes)};
};

// Which calls a cut makes, and that each failing one aborts and frees the lock, the end-to-end
// cuts check on the books; here, that a failing abort cannot hide the cut's error: it is kept for
// the report after it, and the lock is freed all the same.
TEST_F(CorteTest, AFailingAbortDoesNotHideTheCutsError) {
  cargar({"10", "20"});
  lista.alternarMarca(0);
  lista.alternarMarca(1);
  libro->facturas[2].acreditada = true;
  libro->fallarEn = "AbortTransaction";
  const auto error = procesar();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), kErrorYaAcreditadas);
  ASSERT_EQ(alLiberar.size(), 1u);
  EXPECT_EQ(alLiberar[0].description(), "injected failure in AbortTransaction");
  EXPECT_EQ(libro->pasos.back(), "FreeGlobalLock");
}

TEST_F(CorteTest, InvoicesCreditedOrChangedMeanwhileStopTheCutBeforeAnyWrite) {
  cargar({"10", "20", "30.0049"});
  lista.alternarMarca(0);
  lista.alternarMarca(1);
  lista.alternarMarca(2);
  libro->facturas[2].acreditada = true;
  auto error = procesar();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), kErrorYaAcreditadas);
  EXPECT_EQ(error->description(), "Facturas ya acreditadas: A-000002");

  // Someone else's commission: compared with the books' value as loaded, to the last decimal,
  // although the list shows it rounded.
  libro->facturas[2].acreditada = false;
  libro->facturas[3].comision = cur("30.005");
  libro->facturas[1].comision = cur("11");
  error = procesar();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), kErrorModificadas);
  EXPECT_EQ(error->description(), "Facturas modificadas por otro usuario: A-000001, A-000003");
  EXPECT_EQ(std::count(libro->pasos.begin(), libro->pasos.end(), "ExecuteSQL"), 0);

  // As loaded again: the cut goes through.
  libro->facturas[1].comision = cur("10");
  libro->facturas[3].comision = cur("30.0049");
  EXPECT_FALSE(procesar());
  EXPECT_TRUE(libro->facturas[3].acreditada);
}

TEST_F(CorteTest, AMarkOrAdjustmentMoneyCannotHoldChangesNothing) {
  cargar({"400000000000000", "400000000000000", "200000000000000"});
  lista.alternarMarca(0);
  lista.alternarMarca(1);
  EXPECT_THROW(lista.alternarMarca(2), automation::Error);
  EXPECT_THROW(lista.ajustarComision(0, cur("600000000000000"), 0.0), automation::Error);
  EXPECT_FALSE(lista[2].acreditar);
  EXPECT_EQ(lista[0].comision, cur("400000000000000"));
  EXPECT_EQ(lista.comisionAcreditar(), cur("800000000000000"));
  EXPECT_THROW(presentacion.comision(1e20), automation::Error);
}

// Random marking and adjusting, then a cut: the amount to credit is always the sum of the marked
// rows as shown, and the voucher balances.
TEST_F(CorteTest, RandomMarksAndAdjustmentsAlwaysGiveABalancedVoucher) {
  std::mt19937 rng(20261207);
  for (int ronda = 0; ronda < 40; ++ronda) {
    lista.limpiar();
    libro->facturas.clear();
    libro->lineas.clear();
    std::vector<std::string> comisiones;
    for (int i = 0; i < 8; ++i) comisiones.push_back(std::to_string(rng() % 100000 / 100.0 + (rng() % 100) / 10000.0));
    std::vector<const char*> textos;
    for (const auto& c : comisiones) textos.push_back(c.c_str());
    cargar(textos);
    for (int paso = 0; paso < 30; ++paso) {
      const size_t i = rng() % lista.size();
      switch (rng() % 4) {
        case 0:
          lista.alternarMarca(i);
          break;
        case 1: {  // an amount with 0 to 4 decimals
          const double monto = static_cast<double>(rng() % 1000000) / std::pow(10.0, rng() % 5);
          const Currency nueva = presentacion.comision(monto);
          lista.ajustarComision(i, nueva, presentacion.porcentajeDe(nueva, lista[i].ventaNeta));
          break;
        }
        case 2: {  // a percentage, or the one shown accepted unchanged
          const Currency p = rng() % 2 ? presentacion.porcentajeMostrado(lista[i].porcentaje)
                                       : Currency::fromDouble((rng() % 10000) / 1000.0);
          const Currency nueva = presentacion.comisionPorPorcentaje(lista[i].ventaNeta, p);
          lista.ajustarComision(i, nueva, presentacion.porcentajeDe(nueva, lista[i].ventaNeta));
          break;
        }
        default:
          break;
      }
      Currency marcadas;
      for (const FilaFactura& f : lista.filas()) {
        EXPECT_EQ(f.comision, presentacion.dinero.shown(f.comision));
        if (f.acreditar) marcadas += f.comision;
      }
      ASSERT_EQ(lista.comisionAcreditar(), marcadas);
    }
    // The payment lines (+total on the salesperson, -total on the bank) cancel; what is left is
    // the expense against the credited invoices.
    const auto error = procesar(MedioPago::Cheque);
    ASSERT_FALSE(error) << error->description();
    EXPECT_EQ(libro->saldoComprobante(), Currency());
  }
}

}  // namespace
