// Recordsets over the books: value types, the commission query as the window sends it, bound
// parameters, statements kept for reuse.

#include "host/recordset.h"

#include "host/errors.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

using automation::Arg;
using automation::Currency;
using automation::Date;
using automation::Variant;
using automation::VarType;

// The query of the commission window, exactly as it sends it (pending invoices excluded).
const std::string kInvoiceQuery =
    "SELECT   numero, serie, correlativo, fechaTransaccion, precioEfectivo, Saldo, Comision, CodigoCliente, "
    "  nombreCliente, Impuesto1 + Impuesto2 As TotalIVA, Impuesto1 + Impuesto2 + PrecioEfectivo As MontoTotal, "
    "  dbo.SafeDivide(Comision, PrecioEfectivo) * 100.0 As pComis FROM Facturas WHERE ComisionAcreditada = 0 "
    "  AND Comision > 0   AND codigoVendedor = ?   AND FechaTransaccion <= ?  AND Saldo <= 0 "
    "ORDER BY FechaTransaccion, Numero";

class RecordsetTest : public HostTest {
 protected:
  automation::ObjectRef open(const std::string& sql, std::vector<Arg> params = {}) {
    params.insert(params.begin(), Arg(sql));
    return automation::toObject(call(factoryRef, "OpenRecordset", std::move(params)));
  }
  Variant value(const automation::ObjectRef& rs, const std::string& field) {
    auto f = automation::toObject(automation::get(rs, "Fields", {Arg(field)}));
    return automation::get(f, "Value");
  }
  bool eof(const automation::ObjectRef& rs) { return automation::get(rs, "EOF").asBoolean(); }
  std::vector<int32_t> numbers(const automation::ObjectRef& rs) {
    std::vector<int32_t> out;
    for (; !eof(rs); call(rs, "MoveNext")) out.push_back(value(rs, "numero").asLong());
    return out;
  }
};

TEST_F(RecordsetTest, FieldsComeBackWithTheirTypes) {
  auto rs = open(kInvoiceQuery, {Arg("V001"), Arg(Date::fromYmd(2026, 11, 30))});
  ASSERT_FALSE(eof(rs));
  EXPECT_EQ(value(rs, "numero"), Variant(int32_t{1}));
  EXPECT_EQ(value(rs, "serie"), Variant("A"));
  EXPECT_EQ(value(rs, "fechaTransaccion"), Variant(Date::fromYmd(2026, 11, 2)));
  EXPECT_EQ(value(rs, "Comision"), Variant(Currency::fromRaw(300300)));
  // 0.10 + 0.20 summed by the books is money (the exact values are the end-to-end list's totals).
  EXPECT_EQ(value(rs, "TotalIVA"), Variant(Currency::fromRaw(3000)));
  Variant pct = value(rs, "pComis");
  ASSERT_EQ(pct.type(), VarType::Double);
  EXPECT_NEAR(pct.asDouble(), 30.03 / 1000.10 * 100.0, 1e-9);
  EXPECT_EQ(value(rs, "NOMBRECLIENTE"), Variant("Abastos Uno"));  // names ignore case

  call(rs, "MoveNext");  // invoice 4: commission on a zero net sale
  EXPECT_EQ(value(rs, "pComis"), Variant(0.0));

  // Large amounts are exact.
  rs = open("SELECT PrecioEfectivo FROM Facturas WHERE Numero = ?", {Arg(int32_t{7})});
  EXPECT_EQ(value(rs, "PrecioEfectivo"), Variant(Currency::fromRaw(1234567891234)));
}

TEST_F(RecordsetTest, DateWithTimeAndNullAndComputedColumns) {
  session->db().exec(
      "INSERT INTO cuenta_vendedor (tipo, vendedor, codigo, fecha, descripcion, monto) "
      "VALUES (0, 'V001', 'VND', '2026-11-30', 'x', 1)");
  auto rs = open(
      "SELECT f.FechaTransaccion AS cuando, c.comprobante, count(*) AS n, 'texto' AS t "
      "FROM Facturas f, cuenta_vendedor c WHERE f.Numero = 3");
  EXPECT_EQ(value(rs, "cuando"), Variant(Date::fromYmd(2026, 11, 30, 15, 20, 0)));
  EXPECT_EQ(value(rs, "comprobante"), Variant::null());
  EXPECT_EQ(value(rs, "n"), Variant(int32_t{1}));
  EXPECT_EQ(value(rs, "t"), Variant("texto"));
}

TEST_F(RecordsetTest, FieldsByPositionCollectionAndErrors) {
  auto rs = open("SELECT codigo, nombre FROM vendedores ORDER BY codigo");
  auto fields = automation::toObject(automation::get(rs, "Fields"));
  EXPECT_EQ(automation::get(fields, "Count"), Variant(int32_t{2}));
  auto second = automation::toObject(automation::get(fields, "Item", {Arg(int32_t{1})}));
  EXPECT_EQ(automation::get(second, "Name"), Variant("nombre"));
  EXPECT_EQ(automation::get(second, "Value"), Variant("Rosa Quintero"));
  errorOf(host::hosterr::kItemNotFound, [&] { value(rs, "apellido"); });
  call(rs, "MoveNext");
  call(rs, "MoveNext");
  EXPECT_TRUE(eof(rs));
  // A field object kept from earlier reads nothing at the end, and MoveNext goes no further.
  errorOf(host::hosterr::kNoCurrentRecord, [&] { automation::get(second, "Value"); });
  errorOf(host::hosterr::kNoCurrentRecord, [&] { call(rs, "MoveNext"); });
}

TEST_F(RecordsetTest, HostileTextIsBoundNeverExecuted) {
  const std::string hostile = "' OR 1=1 --";
  auto rs = open(kInvoiceQuery, {Arg(hostile), Arg(Date::fromYmd(2026, 11, 30))});
  EXPECT_TRUE(eof(rs));
  auto changed =
      call(factoryRef, "ExecuteSQL",
           {Arg("UPDATE clientes SET nombre = ? WHERE codigo = ?"), Arg("x'); DROP TABLE Facturas; --"), Arg("C1")});
  EXPECT_EQ(changed, Variant(int32_t{1}));
  auto back = open("SELECT nombre FROM clientes WHERE codigo = ?", {Arg("C1")});
  EXPECT_EQ(value(back, "nombre"), Variant("x'); DROP TABLE Facturas; --"));
  EXPECT_EQ(count("SELECT count(*) FROM Facturas"), 7);
}

TEST_F(RecordsetTest, StatementsAreCheckedBeforeTheyRun) {
  // A second statement riding behind the first is refused; nothing runs.
  errorOf(host::hosterr::kDatabase, [&] {
    call(factoryRef, "ExecuteSQL",
         {Arg("UPDATE Facturas SET Comision = 0 WHERE Numero = ?; DELETE FROM Facturas"), Arg(int32_t{1})});
  });
  EXPECT_EQ(count("SELECT count(*) FROM Facturas WHERE Comision = 0"), 1);
  // Values and placeholders must match.
  errorOf(host::hosterr::kInvalidArgument, [&] {
    call(factoryRef, "ExecuteSQL", {Arg("UPDATE Facturas SET Comision = ? WHERE Numero = ?"), Arg(int32_t{1})});
  });
  // A recordset only reads; transactions go through the factory.
  errorOf(host::hosterr::kInvalidArgument, [&] { open("DELETE FROM Facturas"); });
  errorOf(host::hosterr::kInvalidArgument, [&] { call(factoryRef, "ExecuteSQL", {Arg("COMMIT")}); });
  EXPECT_EQ(count("SELECT count(*) FROM Facturas"), 7);
}

TEST_F(RecordsetTest, CurrencyParametersCompareAsTheirExactValue) {
  Variant nueva(Currency::fromRaw(123455));  // 12.3455
  Variant numero(int32_t{2});
  call(factoryRef, "ExecuteSQL",
       {Arg("UPDATE Facturas SET Comision = ? WHERE Numero = ?"), Arg::ref(nueva), Arg::ref(numero)});
  auto rs = open("SELECT Numero FROM Facturas WHERE Comision = ?", {Arg(Currency::fromRaw(123455))});
  ASSERT_FALSE(eof(rs));
  EXPECT_EQ(value(rs, "Numero"), Variant(int32_t{2}));
  auto back = open("SELECT Comision FROM Facturas WHERE Numero = 2");
  EXPECT_EQ(value(back, "Comision"), Variant(Currency::fromRaw(123455)));
}

TEST(HostSql, SafeDivideTokenIsRewrittenOutsideQuotedText) {
  EXPECT_EQ(host::rewriteHostSql("SELECT dbo.SafeDivide(a, b) FROM t"), "SELECT SafeDivide(a, b) FROM t");
  EXPECT_EQ(host::rewriteHostSql("SELECT DBO.safedivide(a,b), 'dbo.SafeDivide(' FROM t"),
            "SELECT SafeDivide(a,b), 'dbo.SafeDivide(' FROM t");
  EXPECT_EQ(host::rewriteHostSql("SELECT xdbo.SafeDivide(1)"), "SELECT xdbo.SafeDivide(1)");
}

// On a server each '?' becomes $n, but never inside quoted text, quoted names or comments.
TEST(HostSql, ServerPlaceholdersAreNumberedOutsideQuotedTextAndComments) {
  EXPECT_EQ(host::serverStatementText("SELECT '?', \"?\" FROM t -- ?\nWHERE a = ? /* ? /* ? */ ? */ AND b IN (?, ?)"),
            "SELECT '?', \"?\" FROM t -- ?\nWHERE a = $1 /* ? /* ? */ ? */ AND b IN ($2, $3)");
  EXPECT_EQ(host::serverStatementText("SELECT E'\\'?', 'it''s ?', $q$ ? $q$, ?"),
            "SELECT E'\\'?', 'it''s ?', $q$ ? $q$, $1");
  EXPECT_EQ(host::serverLockKey("TESSALOCKS"), -7330486443482417699);
}

// The commission query lists paid invoices up to the cut-off day (3 is dated on it at 15:20, after
// the day's start; 4, a zero net sale, is listed; 5 still owes; 6 has no commission). Statements
// are kept for reuse: the same text asked again while the first recordset is still open runs on a
// statement of its own (asked again after it ended, with new values, is the end-to-end reloads').
TEST_F(RecordsetTest, TheSameQueryAskedAgainWhileOpenRunsAfresh) {
  const auto cutOff = Date::fromYmd(2026, 11, 30);
  auto first = open(kInvoiceQuery, {Arg("V001"), Arg(cutOff)});
  ASSERT_FALSE(eof(first));
  auto second = open(kInvoiceQuery, {Arg("V001"), Arg(cutOff)});
  EXPECT_EQ(numbers(second), (std::vector<int32_t>{1, 4, 2}));
  EXPECT_EQ(numbers(first), (std::vector<int32_t>{1, 4, 2}));
}

}  // namespace
}  // namespace hosttest
