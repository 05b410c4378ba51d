#pragma once
// The host's own windows in the forms runtime: the document viewer, the launcher, and the
// HostUi that shows warnings and viewers through the forms Application.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/window.h"
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

// The launcher of interactive mode: the salespeople of the books and the action "Pago selectivo
// de comisiones", which calls `go` with the chosen salesperson, or with "" when the first row
// (a free window) is chosen.
class LauncherWindow final : public forms::Window {
 public:
  using Salesperson = std::pair<std::string, std::string>;  // code, name
  LauncherWindow(std::vector<Salesperson> salespeople, std::function<void(const std::string&)> go);
  // The code of the current row ("" for the free-window row).
  std::string chosenCode() const;
  nlohmann::json stateJson() const override;

 protected:
  void build() override;

 private:
  void cbPagoComisiones_Click();
  std::vector<Salesperson> salespeople_;
  std::function<void(const std::string&)> go_;
};

// Warnings through Application::showWarning; viewers as DocumentWindows.
class FormsUi final : public HostUi {
 public:
  void warning(const std::string& text) override;
  void showDocument(const DocumentView& doc) override;
};

}  // namespace host
