// The invoice list loaded from a generated recordset: lists longer than a 16-bit row counter (the
// grid grown in steps and cut to size), and a record that cannot be read.

#include "commission_window/select_facturas.h"
#include "forms/grid.h"
#include "harness.h"

namespace {

using automation::Currency;
using automation::ObjectRef;
using automation::Variant;
using tessaline::SelectFacturas;

class CargaUnidad : public harness::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // The host's OpenRecordset lists `cantidad` generated invoices.
    factory->recordset = [this] { return ObjectRef(std::make_shared<fakes::Recordset>(cantidad, valor)); };
  }
  // Opens the window for V001 (which loads the list), as the host's go does: an error that
  // escapes is shown in an error box.
  void abrir() {
    app.runHandler([&] {
      ventana->load();
      Variant codigo("V001");
      ventana->setVendedor(codigo);
    });
  }
  forms::Grid& grid() { return *ventana->controlAs<forms::Grid>("detalles"); }
  nlohmann::json state() { return ventana->stateJson(); }

  size_t cantidad = 0;
  // The value of a field of invoice i (0-based).
  fakes::Recordset::Valor valor = [](size_t i, const std::string& campo) -> Variant {
    const auto n = static_cast<int32_t>(i + 1);
    if (campo == "precioefectivo") return Currency::fromRaw(100001);  // 10.0001
    if (campo == "totaliva") return Currency::fromRaw(16000);
    if (campo == "montototal") return Currency::fromRaw(116001);
    if (campo == "saldo") return Currency();
    if (campo == "comision") return Currency::fromRaw(5001);  // 0.5001
    if (campo == "pcomis") return 5.001;
    if (campo == "fechatransaccion") return automation::Date::fromYmd(2024, 3, 1);
    if (campo == "serie") return "A";
    if (campo == "correlativo" || campo == "numero") return n;
    if (campo == "nombrecliente") return "Ferreteria El Tornillo";
    if (campo == "codigocliente") return "C001";
    automation::raise(3265);  // not in the collection
  };
  std::shared_ptr<SelectFacturas> ventana = std::make_shared<SelectFacturas>();
};

TEST_F(CargaUnidad, MoreInvoicesThanA16BitCounterHoldsAreAllListed) {
  cantidad = 33000;
  abrir();
  EXPECT_EQ(grid().rows(), 33001);  // one header row
  // Cut to size: the room the grid grew into is given back (no more than a quarter is kept).
  EXPECT_LE(grid().store().cells().capacity(), 33001u * 13u * 5u / 4u);
  EXPECT_EQ(state()["cantidadFacturas"], 33000);
  EXPECT_EQ(grid().textMatrix(32767, tessaline::col::kNumero), "32767");
  EXPECT_EQ(grid().textMatrix(33000, tessaline::col::kNumero), "33000");
  // Exact sums: 33000 x 10.0001 and 33000 x 0.5001.
  EXPECT_EQ(state()["totalVenta"], "330003.3000");
  EXPECT_EQ(state()["totalComision"], "16503.3000");
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(CargaUnidad, ARecordThatCannotBeReadEndsTheLoadKeepingWhatWasDone) {
  cantidad = 5;
  const auto normal = valor;
  valor = [normal](size_t i, const std::string& campo) {
    return i == 2 && campo == "montototal" ? Variant::null() : normal(i, campo);
  };
  abrir();
  // The error ended the start (the window is not shown) and was reported once.
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_FALSE(ventana->visible());
  EXPECT_EQ(state()["cantidadFacturas"], 3);
  EXPECT_EQ(state()["totalVenta"], "30.0003");
  EXPECT_EQ(state()["totalComision"], "1.5003");
  EXPECT_EQ(state()["fechaCargada"], "1899-12-30");
  EXPECT_EQ(grid().rows(), 50);
  EXPECT_EQ(grid().textMatrix(2, tessaline::col::kNumero), "2");
  // The failing record's cells before its total stay; the rest of its row is empty.
  EXPECT_EQ(grid().textMatrix(3, tessaline::col::kIVA), "1.60");
  EXPECT_EQ(grid().textMatrix(3, tessaline::col::kTotal), "");
}

TEST_F(CargaUnidad, TheHeaderRowIsNoInvoice) {
  cantidad = 0;
  abrir();  // "no invoices": the grid keeps only its header row, which is current
  ASSERT_EQ(grid().rows(), 1);
  op.boxes.clear();
  ventana->operatorFocus(grid());
  for (int c : {tessaline::col::kFactura, tessaline::col::kAcreditar, tessaline::col::kNombreCliente}) {
    grid().setCol(c);
    ventana->operatorKey(' ');
  }
  EXPECT_TRUE(op.boxes.empty());
  EXPECT_EQ(grid().textMatrix(0, tessaline::col::kAcreditar), "Acreditar");
  EXPECT_EQ(state()["hayCambios"], false);
}

}  // namespace
