// The launcher window of interactive mode and its list of printed documents, driven through the
// forms runtime.

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "host/printing.h"
#include "host/windows.h"
#include "host_fixture.h"

namespace {

// The operator's next steps inside the modal windows and boxes the launcher opens.
struct Steps final : forms::ModalLoop {
  std::deque<std::function<void()>> next;
  void runModalLoop(const std::function<bool()>& finished) override {
    while (!finished()) {
      if (next.empty()) throw std::logic_error("a modal loop with no step left");
      auto step = std::move(next.front());
      next.pop_front();
      step();
    }
  }
};

using Salespeople = std::vector<host::LauncherWindow::Salesperson>;

TEST(Launcher, GoGetsTheChosenSalespersonOrNothingForAFreeWindow) {
  forms::Application app;
  std::vector<std::string> calls;
  auto launcher = std::make_shared<host::LauncherWindow>(
      Salespeople{{"V001", "Rosa"}, {"V002", "Ernesto"}}, [&](const std::string& code) { calls.push_back(code); },
      "/nonexistent", nullptr);
  launcher->show(false);
  auto* grid = launcher->controlAs<forms::Grid>("vendedores");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rows(), 4);
  EXPECT_EQ(grid->textMatrix(3, 1), "Ernesto");
  auto* action = launcher->controlAs<forms::ActionButton>("cbPagoComisiones");
  ASSERT_NE(action, nullptr);

  launcher->operatorClick(*action);  // the free-window row is current at first
  launcher->operatorDblClick(*grid, 3, 0);
  launcher->operatorCell(*grid, 2, 1);
  launcher->operatorClick(*action);
  EXPECT_EQ(calls, (std::vector<std::string>{"", "V002", "V001"}));

  // A window open for V002 comes forward instead of a second one.
  struct Open final : forms::Window {
    Open() : Window("SelectFacturas") {}
    void build() override {}
    nlohmann::json stateJson() const override { return {{"vendedorCargado", "V002"}, {"vendedorFijo", true}}; }
  };
  auto open = std::make_shared<Open>();
  open->show(false);
  launcher->show(false);
  launcher->operatorDblClick(*grid, 3, 0);
  EXPECT_EQ(calls.size(), 3u);
  EXPECT_EQ(app.activeWindow(), open.get());

  launcher->operatorClick(*launcher->controlAs<forms::ActionButton>("cbSalir"));
  EXPECT_FALSE(launcher->isLoaded());
}

class Printouts : public ::testing::Test {
 protected:
  void SetUp() override { app.setModalLoop(&steps); }
  void TearDown() override { app.setModalLoop(nullptr); }

  std::filesystem::path write(const std::string& name, int secondsAgo) {
    auto file = dir.path() / name;
    std::ofstream(file) << "%PDF-1.4\n";
    std::filesystem::last_write_time(file,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
    return file;
  }
  // The launcher's "Documentos impresos" button on `folder`, with `opener` answering whether a
  // file opened and `reprint` rendering a printout again.
  void clickPrintouts(std::function<bool(const std::filesystem::path&)> opener, host::ReprintDocument reprint = nullptr,
                      std::filesystem::path folder = {}) {
    launcher = std::make_shared<host::LauncherWindow>(Salespeople{}, [](const std::string&) {},
                                                      folder.empty() ? dir.path() : folder, std::move(opener),
                                                      std::move(reprint));
    launcher->show(false);
    launcher->operatorClick(*launcher->controlAs<forms::ActionButton>("cbImpresos"));
  }
  forms::Window& top() { return *app.activeWindow(); }
  forms::Grid& list() { return *top().controlAs<forms::Grid>("impresos"); }

  TempDir dir;
  forms::Application app;
  Steps steps;
  std::shared_ptr<host::LauncherWindow> launcher;
};

// Listed newest first, without half-written printouts or other files; the chosen one opens (double
// click, or Enter on the current row), and a failure to open is said.
TEST_F(Printouts, TheChosenOneOpensAndAFailureToOpenIsSaid) {
  auto cheque = write("cheque-BAN01-1001-m17-0a1b2c3d.pdf", 7200);
  auto transfer = write("transferencia-BAN02-TR-55-m18-0a1b2c3d.pdf", 60);
  write(".cheque-BAN01-1002-m19.pdf.4242.part", 0);
  write("notas.txt", 0);
  std::vector<std::filesystem::path> opened;
  bool opens = true;
  std::string warning;
  steps.next = {
      [&] {
        ASSERT_EQ(top().name(), "Impresos");
        EXPECT_EQ(list().rows(), 3);
        EXPECT_EQ(list().textMatrix(1, 1), transfer.filename().string());
        top().operatorDblClick(list(), 2, 0);
        top().operatorKey(forms::keys::kEnter);  // the default button, on the current row
      },
      [&] {
        opens = false;
        top().operatorClick(*top().controlAs<forms::ActionButton>("cbAbrir"));
      },
      [&] {
        ASSERT_NE(app.activeMessageBox(), nullptr);
        warning = app.activeMessageBox()->text();
        app.answerMessageBox(forms::MessageBox::Answer::Ok);
      },
      [&] {
        opens = true;
        top().operatorClick(*top().controlAs<forms::ActionButton>("cbReimprimir"));  // the cheque, again
        EXPECT_EQ(list().rows(), 4);
        EXPECT_EQ(list().textMatrix(1, 1), "cheque-BAN01-1001-m17-0a1b2c3d-2.pdf");
        EXPECT_EQ(list().row(), 1);
      },
      [&] { top().operatorKey(forms::keys::kEscape); },
  };
  std::vector<std::pair<int64_t, std::string>> reprinted;
  clickPrintouts(
      [&](const std::filesystem::path& file) {
        opened.push_back(file);
        return opens;
      },
      [&](const host::Printout& p) {
        reprinted.emplace_back(p.movement.value_or(0), p.books);
        return write("cheque-BAN01-1001-m17-0a1b2c3d-2.pdf", 0);
      });
  EXPECT_EQ(reprinted, (std::vector<std::pair<int64_t, std::string>>{{17, "0a1b2c3d"}}));
  EXPECT_EQ(opened, (std::vector<std::filesystem::path>{cheque, cheque, cheque,
                                                        dir.path() / "cheque-BAN01-1001-m17-0a1b2c3d-2.pdf"}));
  EXPECT_NE(warning.find("No se pudo abrir " + cheque.string()), std::string::npos) << warning;
  EXPECT_TRUE(steps.next.empty());
  EXPECT_EQ(app.activeWindow(), launcher.get()) << "Esc closed the list";
}

TEST_F(Printouts, NoneYetIsSaidInsteadOfAnEmptyList) {
  std::string message;
  steps.next = {[&] {
    ASSERT_NE(app.activeMessageBox(), nullptr);
    message = app.activeMessageBox()->text();
    app.answerMessageBox(forms::MessageBox::Answer::Ok);
  }};
  clickPrintouts(nullptr, nullptr, dir.path() / "missing");
  EXPECT_EQ(message, "No hay documentos impresos en " + (dir.path() / "missing").string() + ".");
  EXPECT_EQ(app.activeWindow(), launcher.get());
}

}  // namespace
