// A commission cut from the window to the books: the postings, the printout, and what a failure
// or a crash in the middle leaves behind.

#include "e2e_harness.h"
#include "host/named_lock.h"

namespace e2e {
namespace {

// Marks the first two invoices, pays by cheque on BAN01 (the next cheque number is proposed when
// the bank box is left) and processes.
const char* kChequeCut =
    "go V001\n"
    "dblclick 1 8\n"
    "dblclick 2 8\n"
    "click optCheque\n"
    "focus codigoBanco\n"
    "type ban01\n"
    "tab\n"
    "click cbProcesar\n";

class ProcessingTest : public HostScriptTest {
 protected:
  void SetUp() override {
    HostScriptTest::SetUp();
    writeDemoBooks();
  }
  std::vector<std::string> visiblePrintouts() {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(prints, ec);
         !ec && it != std::filesystem::directory_iterator(); ++it) {
      std::string name = it->path().filename().string();
      if (!name.starts_with(".")) out.push_back(name);
    }
    return out;
  }
  void expectBooksUntouched() {
    EXPECT_EQ(scalar("SELECT count(*) FROM comprobantes"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM comprobante_lineas"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM cuenta_vendedor"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM movimientos_banco"), 0);
    EXPECT_EQ(scalar("SELECT proximo_cheque FROM bancos WHERE codigo = 'BAN01'"), 1001);
    EXPECT_TRUE(visiblePrintouts().empty());
    // The lock is free again.
    host::NamedLock lock(books, "TESSALOCKS", 0);
  }
};

TEST_F(ProcessingTest, ChequeCutPostsTheVoucherPaysAndPrints) {
  int64_t credited = scalar("SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 1");
  auto run = runScript(kChequeCut);
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.eventsOf("unload").size(), 1u) << "a window opened for a salesperson closes";
  EXPECT_EQ(scalar("SELECT count(*) FROM Facturas WHERE ComisionAcreditada = 1"), credited + 2);
  EXPECT_EQ(scalar("SELECT count(*) FROM comprobantes"), 1);
  EXPECT_EQ(scalar("SELECT count(*) FROM comprobante_lineas"), 5);
  EXPECT_EQ(scalar("SELECT count(*) FROM (SELECT sum(monto) AS s FROM comprobante_lineas) WHERE abs(s) < 0.00005"), 1);
  EXPECT_EQ(scalar("SELECT count(*) FROM cuenta_vendedor WHERE comprobante = 1"), 3);
  EXPECT_EQ(text("SELECT referencia FROM movimientos_banco"), "1001");
  EXPECT_EQ(text("SELECT descripcion FROM cuenta_vendedor WHERE monto > 0"), "Cheque 1001 Bco. BAN01");
  EXPECT_EQ(scalar("SELECT proximo_cheque FROM bancos WHERE codigo = 'BAN01'"), 1002);
  EXPECT_EQ(visiblePrintouts(), std::vector<std::string>{"cheque-BAN01-1001-m1.pdf"});

  auto seq = run.memberSequence();
  auto pos = [&](const std::string& m) { return std::find(seq.begin(), seq.end(), m) - seq.begin(); };
  EXPECT_LT(pos("SetGlobalLock"), pos("StartTransaction"));
  EXPECT_LT(pos("StartTransaction"), pos("Procesar"));
  EXPECT_LT(pos("Procesar"), pos("CommitTransaction"));
  EXPECT_LT(pos("CommitTransaction"), pos("FreeGlobalLock"));
  auto movement = run.calls("RegistrarMovimiento");
  ASSERT_EQ(movement.size(), 1u);
  EXPECT_EQ(movement[0]["named"]["Imprimir"], (Json{{"type", "Boolean"}, {"value", true}}));
  EXPECT_EQ(movement[0]["args"][4]["type"], "Currency");
  EXPECT_EQ(movement[0]["args"][4]["byRef"], true);
  EXPECT_EQ(movement[0]["args"][7]["class"], "BComprobante");
}

TEST_F(ProcessingTest, InjectedFailureAbortsTheCutAndFreesTheLock) {
  auto run = runScript(std::string(kChequeCut) + "ok\ndump\n", {"--fail-at", "RegistrarMovimiento"});
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  auto errors = run.eventsOf("error");
  ASSERT_EQ(errors.size(), 1u) << run.out;
  EXPECT_EQ(errors[0]["number"], 50001);
  EXPECT_EQ(errors[0]["description"], "injected failure in RegistrarMovimiento");
  EXPECT_EQ(errors[0]["source"], "SelectFacturas::cbProcesar_Click");
  auto seq = run.memberSequence();
  ASSERT_GE(seq.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(seq.end() - 2, seq.end()),
            (std::vector<std::string>{"AbortTransaction", "FreeGlobalLock"}));
  EXPECT_TRUE(run.window("SelectFacturas").is_object()) << "the window stays as it was";
  expectBooksUntouched();
}

TEST_F(ProcessingTest, CrashBeforeTheCommitLeavesTheBooksAsTheyWere) {
  auto run = runScript(kChequeCut, {"--crash-at", "CommitTransaction"});
  EXPECT_EQ(run.exitCode, 137) << run.err << run.out;
  EXPECT_EQ(run.memberSequence().back(), "CommitTransaction");
  expectBooksUntouched();
  // The next host start clears the half-written printout of the dead one.
  runHost({"--db", books.string(), "--print-dir", prints.string(), "--script", "-"}, "");
  std::error_code ec;
  EXPECT_TRUE(std::filesystem::is_empty(prints, ec) || !std::filesystem::exists(prints));
}

}  // namespace
}  // namespace e2e
