#include "host/windows.h"

#include <algorithm>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"

namespace host {

namespace {
constexpr int kLineHeight = 300;
constexpr int kLabelWidth = 2100;
constexpr int kValueWidth = 4800;
}  // namespace

DocumentWindow::DocumentWindow(DocumentView doc)
    : Window(doc.windowName.empty() ? std::string("Visor") : doc.windowName), doc_(std::move(doc)) {}

void DocumentWindow::build() {
  setCaption(doc_.caption);
  setBorderStyle(forms::BorderStyle::FixedSingle);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  int top = 180;
  for (size_t i = 0; i < doc_.lines.size(); ++i) {
    auto& label = add<forms::Label>("lblEtiqueta" + std::to_string(i + 1),
                                    {180, top, kLabelWidth, 255});
    label.setCaption(doc_.lines[i].first + ":");
    auto& value = add<forms::Label>("lblValor" + std::to_string(i + 1),
                                    {180 + kLabelWidth, top, kValueWidth, 255});
    value.setCaption(doc_.lines[i].second);
    top += kLineHeight;
  }
  top += 120;
  auto& close = add<forms::ActionButton>("cbCerrar", {180 + kLabelWidth + kValueWidth - 1335, top, 1335, 405});
  close.setCaption("Cerrar");
  close.setCancel(true);
  close.setDefault(true);
  close.onClick = [this] { unload(); };
  setClientSize(180 + kLabelWidth + kValueWidth + 180, top + 405 + 180);
}

nlohmann::json DocumentWindow::stateJson() const {
  nlohmann::json lines = nlohmann::json::object();
  for (const auto& [label, value] : doc_.lines) lines[label] = value;
  return {{"document", doc_.caption}, {"lines", lines}};
}

LauncherWindow::LauncherWindow(std::vector<Salesperson> salespeople,
                               std::function<void(const std::string&)> go)
    : Window("Lanzador"), salespeople_(std::move(salespeople)), go_(std::move(go)) {}

void LauncherWindow::build() {
  setCaption("Tessaline - host de referencia");
  setBorderStyle(forms::BorderStyle::FixedSingle);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  auto& label = add<forms::Label>("lblVendedores", {180, 180, 4000, 255});
  label.setCaption("Vendedores:");
  auto& grid = add<forms::Grid>("vendedores", {180, 480, 5400, 3600});
  grid.setFormatString("Codigo     |Nombre                                        ");
  grid.setRows(static_cast<int>(salespeople_.size()) + 2);
  grid.setTextMatrix(1, 0, "");
  grid.setTextMatrix(1, 1, "(ventana libre: el vendedor se elige en la ventana)");
  for (size_t i = 0; i < salespeople_.size(); ++i) {
    grid.setTextMatrix(static_cast<int>(i) + 2, 0, salespeople_[i].first);
    grid.setTextMatrix(static_cast<int>(i) + 2, 1, salespeople_[i].second);
  }
  grid.setRow(1);
  grid.onDblClick = [this] { cbPagoComisiones_Click(); };
  auto& action = add<forms::ActionButton>("cbPagoComisiones", {180, 4260, 3300, 405});
  action.setCaption("Pago selectivo de comisiones");
  action.setDefault(true);
  action.onClick = [this] { cbPagoComisiones_Click(); };
  auto& quit = add<forms::ActionButton>("cbSalir", {4245, 4260, 1335, 405});
  quit.setCaption("Salir");
  quit.setCancel(true);
  quit.onClick = [this] { unload(); };
  setClientSize(5760, 4845);
}

std::string LauncherWindow::chosenCode() const {
  auto* self = const_cast<LauncherWindow*>(this);
  auto* grid = self->controlAs<forms::Grid>("vendedores");
  if (!grid || grid->row() < grid->fixedRows()) return {};
  return grid->textMatrix(grid->row(), 0);
}

void LauncherWindow::cbPagoComisiones_Click() { go_(chosenCode()); }

nlohmann::json LauncherWindow::stateJson() const {
  return {{"vendedores", static_cast<int>(salespeople_.size())}};
}

void FormsUi::warning(const std::string& text) {
  forms::Application::instance().showWarning(text);
}

void FormsUi::showDocument(const DocumentView& doc) {
  auto window = std::make_shared<DocumentWindow>(doc);
  window->show(false);
}

}  // namespace host
