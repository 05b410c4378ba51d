// The commission cut's typed list without a window or a host: money the list cannot hold, and a
// property over random marking and adjusting that the amount to credit, which the cut posts
// against the credited invoices' lines, is always the sum of the marked rows as shown.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "commission_window/corte.h"
#include "commission_window/lista_facturas.h"
#include "regional/format.h"

namespace {

using automation::Currency;
using namespace tessaline;

Currency cur(const char* text) {
  return *automation::parseCurrency(text);
}

class CorteTest : public ::testing::Test {
 protected:
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
    }
  }

  ListaFacturas lista;
  regional::RegionalSettings ajustes = regional::RegionalSettings::fromLocale("en_US");
  Presentacion presentacion{regional::Formatter("#,##0.00", ajustes), regional::Formatter("0.00", ajustes)};
};

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

// Random marking and adjusting: the amount to credit is always the sum of the marked rows as shown.
TEST_F(CorteTest, RandomMarksAndAdjustmentsKeepTheAmountToCreditTheSumOfTheMarkedRowsAsShown) {
  std::mt19937 rng(20261207);
  for (int ronda = 0; ronda < 40; ++ronda) {
    lista.limpiar();
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
  }
}

}  // namespace
