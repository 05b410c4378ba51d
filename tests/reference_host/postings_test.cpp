// Postings: vouchers, salesperson-account lines, bank movements with printouts, cash
// withdrawals; transactions around them; recordsets over the books.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "host/errors.h"
#include "host/printing.h"
#include "host/recordset.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

using automation::Arg;
using automation::Currency;
using automation::Date;
using automation::ObjectRef;
using automation::Variant;
using automation::VarType;

Currency money(int64_t cents) { return Currency::fromRaw(cents * 100); }

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator(); ++it)
    out.push_back(it->path().filename());
  return out;
}

std::string pdfText(const std::filesystem::path& pdf) {
  std::string cmd = "pdftotext -layout '" + pdf.string() + "' - 2>/dev/null";
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

class PostingsTest : public HostTest {
 protected:
  const Date today = Date::fromYmd(2026, 11, 30);

  ObjectRef startVoucher(const std::string& text) {
    auto voucher = create("BComprobante");
    call(voucher, "StartComprobante", {Arg(today), Arg(""), Arg(text)});
    return voucher;
  }
  ObjectRef bank(const std::string& code) { return automation::toObject(call(create("Banco"), "Buscar", {Arg(code)})); }
  Variant registerCheque(const ObjectRef& bankRecord, Currency amount, const std::string& number,
                         const ObjectRef& voucher, bool print = true) {
    Variant total(amount);
    return call(bankRecord, "RegistrarMovimiento",
                {Arg(int16_t{0}), Arg(today), Arg("Pago de comisiones a Rosa Quintero"), Arg("Rosa Quintero"),
                 Arg::ref(total), Arg(number), Arg(today), Arg(voucher ? Variant(voucher) : Variant::nothing())},
                {{"Imprimir", Arg(print)}});
  }
};

TEST_F(PostingsTest, UnbalancedVoucherIsRefusedAndNothingOfItIsWritten) {
  auto voucher = startVoucher("Corte de comisiones para el vendedor V001");
  auto detail = create("DetalleCE");
  call(detail, "Add",
       {Arg(int16_t{0}), Arg("V001"), Arg("VND"), Arg(today), Arg("A-0000042 Abastos Uno"), Arg(-money(3003)),
        Arg(voucher)});
  Variant total(money(3000));  // three cents short of the line above
  call(voucher, "AddDetalleValor", {Arg("6.1.05"), Arg("gasto"), Arg::ref(total)});
  std::string why = errorOf(host::hosterr::kUnbalancedVoucher, [&] { call(voucher, "Procesar"); });
  EXPECT_NE(why.find("-0.0300"), std::string::npos) << why;
  for (const char* table : {"comprobantes", "comprobante_lineas", "cuenta_vendedor"})
    EXPECT_EQ(count(std::string("SELECT count(*) FROM ") + table), 0) << table;
  // A voucher never started cannot be posted either.
  errorOf(host::hosterr::kDocumentState, [&] { call(create("BComprobante"), "Procesar"); });
}

// The pid of a process that has ended.
pid_t deadPid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(PostingsTest, APrintoutCommittedButNotNamedIsSaidAndMadeFinalAtTheNextStart) {
  const auto dead = std::to_string(deadPid());
  const std::string tag = host::printTag(session->db());
  auto named = [&](const std::string& head) { return head + "-" + tag + ".pdf"; };
  call(factoryRef, "StartTransaction");
  registerCheque(bank("BAN02"), money(12345), "7", nullptr);
  // The pending printout goes astray (as if its host had died after the commit): naming it fails.
  std::filesystem::rename(host::pendingPrintout(options.printDir, named("cheque-BAN02-7-m1")),
                          options.printDir / ("." + named("cheque-BAN02-7-m1") + "." + dead + ".part"));
  call(factoryRef, "CommitTransaction");
  ASSERT_EQ(ui->errors.size(), 1u);
  EXPECT_NE(ui->errors[0].find("bank movement 1 is recorded"), std::string::npos) << ui->errors[0];
  EXPECT_EQ(count("SELECT impreso FROM movimientos_banco WHERE numero = 1"), 1);

  // At the next start the committed one takes its name; one whose movement never committed goes;
  // one of a host still running, and one of other books, stay.
  const auto others = ".cheque-BAN02-7-m2-00000000.pdf." + dead + ".part";
  for (const auto& part : {"." + named("cheque-BAN02-8-m2") + "." + dead + ".part", others,
                           host::pendingPrintout({}, named("cheque-BAN02-9-m3")).string()})
    std::ofstream(options.printDir / part) << "%PDF";
  EXPECT_EQ(host::recoverPrintouts(session->db(), options.printDir).size(), 1u);
  auto files = filesIn(options.printDir);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::filesystem::path>{others, host::pendingPrintout({}, named("cheque-BAN02-9-m3")),
                                                       named("cheque-BAN02-7-m1")}));

  // Printed again from the books: the same document beside the first. Other books printing the
  // same cheque in the same folder name theirs apart.
  const auto again = host::reprintBankDocument(session->db(), 1, options.symbols, options.printDir);
  EXPECT_EQ(again.filename(), "cheque-BAN02-7-m1-" + tag + "-2.pdf");
  const std::string text = pdfText(again);
  if (!text.empty()) {
    for (const char* shown : {"CIENTO VEINTITRES CON 45/100", "Rosa Quintero", "Banco Andino"})
      EXPECT_NE(text.find(shown), std::string::npos) << text;
  }
  errorOf(host::hosterr::kNotFound, [&] { host::reprintBankDocument(session->db(), 9, options.symbols, dir.path()); });
  books = dir.path() / "otros.sqlite";
  writeSmallBooks(books);
  openSession();
  registerCheque(bank("BAN02"), money(12345), "7", nullptr);
  EXPECT_NE(host::printTag(session->db()), tag);
  EXPECT_TRUE(std::filesystem::exists(options.printDir / ("cheque-BAN02-7-m1-" + host::printTag(session->db()) + ".pdf")));
  EXPECT_EQ(filesIn(options.printDir).size(), 5u);
}

TEST_F(PostingsTest, PostingsRefuseWhatTheBooksCannotHold) {
  auto detail = create("DetalleCE");
  errorOf(host::hosterr::kNotFound, [&] {
    call(detail, "Add",
         {Arg(int16_t{0}), Arg("V999"), Arg("VND"), Arg(today), Arg("x"), Arg(money(1)), Arg(Variant::nothing())});
  });
  errorOf(automation::err::kTypeMismatch, [&] {
    call(detail, "Add",
         {Arg(int16_t{0}), Arg("V001"), Arg("VND"), Arg(today), Arg("x"), Arg(money(1)), Arg(Variant(factoryRef))});
  });
  errorOf(host::hosterr::kInvalidArgument, [&] { registerCheque(bank("BAN01"), money(0), "1001", nullptr); });
  // Only cash movements are submitted (a cash withdrawal is the end-to-end cash cut's); before
  // the first one the session has none.
  auto caja = create("Sesion");
  EXPECT_TRUE(automation::get(caja, "UltimoMovCaja").isNothing());
  errorOf(automation::err::kTypeMismatch, [&] { call(factoryRef, "SubmitDoc", {Arg(Variant(caja))}); });
  // Without a voucher a salesperson line is written at once, with no voucher number.
  call(
      detail, "Add",
      {Arg(int16_t{0}), Arg("V001"), Arg("VND"), Arg(today), Arg("ajuste"), Arg(money(-250)), Arg(Variant::nothing())});
  EXPECT_EQ(count("SELECT count(*) FROM cuenta_vendedor WHERE comprobante IS NULL AND monto = -2.5"), 1);
}

TEST_F(PostingsTest, TransactionCallsOutOfOrder) {
  call(factoryRef, "AbortTransaction");  // none open: nothing happens
  call(factoryRef, "FreeGlobalLock");    // none held: nothing happens
  errorOf(host::hosterr::kTransactionState, [&] { call(factoryRef, "CommitTransaction"); });
  call(factoryRef, "StartTransaction");
  errorOf(host::hosterr::kTransactionState, [&] { call(factoryRef, "StartTransaction"); });
  call(factoryRef, "ExecuteSQL", {Arg("UPDATE Facturas SET Comision = 1 WHERE Numero = 1")});
  call(factoryRef, "CommitTransaction");
  EXPECT_EQ(count("SELECT Comision FROM Facturas WHERE Numero = 1"), 1);
}

TEST(AmountInWords, SpanishAsOnACheque) {
  const std::pair<int64_t, const char*> casos[] = {
      {1234500, "CIENTO VEINTITRES CON 45/100"}, {1000000, "CIEN CON 00/100"}, {1010000, "CIENTO UNO CON 00/100"},
      {10000000, "MIL CON 00/100"}, {210000000, "VEINTIUN MIL CON 00/100"}, {5000, "CERO CON 50/100"},
      {5710000, "QUINIENTOS SETENTA Y UNO CON 00/100"}, {10000000000, "UN MILLON CON 00/100"},
      {25000005000, "DOS MILLONES QUINIENTOS MIL CON 50/100"}, {12345, "UNO CON 2345/10000"},
      {7153010000, "SETECIENTOS QUINCE MIL TRESCIENTOS UNO CON 00/100"}};
  for (const auto& [raw, words] : casos) EXPECT_EQ(host::amountInWords(Currency::fromRaw(raw)), words) << raw;
  EXPECT_EQ(host::amountInFigures(Currency::fromRaw(12345678900), automation::NumberSymbols{}), "1,234,567.89");
  EXPECT_EQ(host::amountInFigures(Currency::fromRaw(12345000), {.decimal = U',', .thousands = U'.'}), "1.234,50");
}

// Recordsets over the books: value types, the commission query as the window sends it, bound
// parameters, statements kept for reuse.
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
  EXPECT_EQ((std::vector{value(rs, "numero"), value(rs, "serie"), value(rs, "fechaTransaccion"), value(rs, "Comision")}),
            (std::vector{Variant(int32_t{1}), Variant("A"), Variant(Date::fromYmd(2026, 11, 2)),
                         Variant(Currency::fromRaw(300300))}));
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
  EXPECT_EQ((std::vector{value(rs, "cuando"), value(rs, "comprobante"), value(rs, "n"), value(rs, "t")}),
            (std::vector{Variant(Date::fromYmd(2026, 11, 30, 15, 20, 0)), Variant::null(), Variant(int32_t{1}),
                         Variant("texto")}));
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

TEST(HostSql, RewritesAndNumbersPlaceholdersOnlyOutsideQuotedText) {
  EXPECT_EQ(host::rewriteHostSql("SELECT dbo.SafeDivide(a, b) FROM t"), "SELECT SafeDivide(a, b) FROM t");
  EXPECT_EQ(host::rewriteHostSql("SELECT DBO.safedivide(a,b), 'dbo.SafeDivide(' FROM t"),
            "SELECT SafeDivide(a,b), 'dbo.SafeDivide(' FROM t");
  EXPECT_EQ(host::rewriteHostSql("SELECT xdbo.SafeDivide(1)"), "SELECT xdbo.SafeDivide(1)");
  // On a server each '?' becomes $n, but never inside quoted text, quoted names or comments.
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
