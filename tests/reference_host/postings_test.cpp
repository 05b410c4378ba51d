// Postings: vouchers, salesperson-account lines, bank movements with printouts, cash
// withdrawals; transactions around them.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "host/errors.h"
#include "host/printing.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

using automation::Arg;
using automation::Currency;
using automation::Date;
using automation::ObjectRef;
using automation::Variant;

Currency money(int64_t cents) {
  return Currency::fromRaw(cents * 100);
}

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
  EXPECT_EQ(count("SELECT count(*) FROM comprobantes"), 0);
  EXPECT_EQ(count("SELECT count(*) FROM comprobante_lineas"), 0);
  EXPECT_EQ(count("SELECT count(*) FROM cuenta_vendedor"), 0);
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
    EXPECT_NE(text.find("CIENTO VEINTITRES CON 45/100"), std::string::npos) << text;
    EXPECT_NE(text.find("Rosa Quintero"), std::string::npos) << text;
    EXPECT_NE(text.find("Banco Andino"), std::string::npos) << text;
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
  const std::pair<int64_t, const char*> casos[] = {{1234500, "CIENTO VEINTITRES CON 45/100"},
                                                   {1000000, "CIEN CON 00/100"},
                                                   {1010000, "CIENTO UNO CON 00/100"},
                                                   {10000000, "MIL CON 00/100"},
                                                   {210000000, "VEINTIUN MIL CON 00/100"},
                                                   {5710000, "QUINIENTOS SETENTA Y UNO CON 00/100"},
                                                   {10000000000, "UN MILLON CON 00/100"},
                                                   {25000005000, "DOS MILLONES QUINIENTOS MIL CON 50/100"},
                                                   {5000, "CERO CON 50/100"},
                                                   {7153010000, "SETECIENTOS QUINCE MIL TRESCIENTOS UNO CON 00/100"},
                                                   {12345, "UNO CON 2345/10000"}};
  for (const auto& [raw, words] : casos) EXPECT_EQ(host::amountInWords(Currency::fromRaw(raw)), words) << raw;
  EXPECT_EQ(host::amountInFigures(Currency::fromRaw(12345678900), automation::NumberSymbols{}), "1,234,567.89");
  automation::NumberSymbols es;
  es.decimal = U',';
  es.thousands = U'.';
  EXPECT_EQ(host::amountInFigures(Currency::fromRaw(12345000), es), "1.234,50");
}

}  // namespace
}  // namespace hosttest
