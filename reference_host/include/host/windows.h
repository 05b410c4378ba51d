#pragma once
// The host's own windows in the forms runtime: the document viewer, the launcher, and the
// HostUi that shows warnings and viewers through the forms Application.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "forms/preferences.h"
#include "forms/window.h"
#include "host/cuts.h"
#include "host/printing.h"
#include "host/ui.h"

namespace host {

// A read-only document: caption, one label and one value per line, and a "Cerrar" button.
class DocumentWindow final : public forms::Window {
 public:
  explicit DocumentWindow(DocumentView doc);
  nlohmann::json stateJson() const override;

 protected:
  void build() override;

 private:
  DocumentView doc_;
};

// Opens a printed document with the desktop's viewer; false when nothing could open it.
using OpenDocument = std::function<bool(const std::filesystem::path&)>;
// Prints the bank movement of a printout again from the books; returns the new file (raises on
// failure).
using ReprintDocument = std::function<std::filesystem::path(const Printout& printout)>;

// A list of printed cheques and transfers (as listPrintouts gives them): "Abrir" (or a double
// click, or Enter on the list) opens the current one with `open`; "Reimprimir" prints its movement
// again from the books with `reprint`, lists the new file first and opens it; "Cerrar" (or Esc)
// closes.
class PrintoutsWindow final : public forms::Window {
 public:
  PrintoutsWindow(std::vector<Printout> printouts, OpenDocument open, ReprintDocument reprint = nullptr);
  nlohmann::json stateJson() const override;

 protected:
  void build() override;

 private:
  void cbAbrir_Click();
  void cbReimprimir_Click();
  void fillList();
  void openFile(const std::filesystem::path& file);
  std::vector<Printout> printouts_;
  OpenDocument open_;
  ReprintDocument reprint_;
};

// The launcher of interactive mode: the salespeople of the books and the action "Pago selectivo
// de comisiones", which calls `go` with the chosen salesperson, or with "" when the first row
// (a free window) is chosen; "Documentos impresos", the printouts of `printDir` (modal); and the
// register of processed cuts as `readCuts` gives them, whose "Abrir documento" (or a double
// click, or Enter in the register) opens the chosen cut's printout with `open`.
class LauncherWindow final : public forms::Window {
 public:
  using Salesperson = std::pair<std::string, std::string>;  // code, name
  using ReadCuts = std::function<std::vector<ProcessedCut>()>;
  LauncherWindow(std::vector<Salesperson> salespeople, std::function<void(const std::string&)> go,
                 std::filesystem::path printDir, OpenDocument open, ReprintDocument reprint = nullptr,
                 ReadCuts readCuts = {});
  // The code of the current row ("" for the free-window row).
  std::string chosenCode() const;
  // Reads the register of cuts again (after a cut), with the newest chosen. A register that
  // cannot be read keeps its rows and says why on stderr.
  void refreshCuts();
  nlohmann::json stateJson() const override;

 protected:
  void build() override;

 private:
  void cbPagoComisiones_Click();
  void cbImpresos_Click();
  void cbAbrirDocumento_Click();
  const ProcessedCut* chosenCut();
  std::vector<Salesperson> salespeople_;
  std::function<void(const std::string&)> go_;
  std::filesystem::path printDir_;
  OpenDocument open_;
  ReprintDocument reprint_;
  ReadCuts readCuts_;
  std::vector<ProcessedCut> cuts_;
};

// The operator's remembered choices in the windows (column widths), in the per-user settings
// store under application "Tessaline". A store that cannot be written is reported on stderr.
class StorePreferences final : public forms::Preferences {
 public:
  std::optional<std::string> read(const std::string& section, const std::string& key) const override;
  void write(const std::string& section, const std::string& key, const std::string& value) override;
};

// Warnings through Application::showWarning; viewers as DocumentWindows.
class FormsUi final : public HostUi {
 public:
  void warning(const std::string& text) override;
  void error(const automation::Error& e) override;
  void showDocument(const DocumentView& doc) override;
};

}  // namespace host
