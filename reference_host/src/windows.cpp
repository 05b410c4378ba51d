#include "host/windows.h"

#include <algorithm>
#include <initializer_list>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "host/printing.h"
#include "regional/format.h"

namespace host {

namespace {
constexpr int kLineHeight = 300;
constexpr int kLabelWidth = 2100;
constexpr int kValueWidth = 4800;
// The host's lists: the empty area below the rows white, the given column widths (what is left
// of the grid's width is room for the scroll bar), the second column's cell current, so that the
// chosen row shows by its name.
void listLook(forms::Grid& grid, std::initializer_list<int> widths) {
  forms::Grid::Colors colors;
  colors.backBkg = forms::colors::kWhite;
  grid.setGridColors(colors);
  int col = 0;
  for (int w : widths) grid.setColWidth(col++, w);
  grid.setCol(1);
}

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

PrintoutsWindow::PrintoutsWindow(std::vector<Printout> printouts, OpenDocument open)
    : Window("Impresos"), printouts_(std::move(printouts)), open_(std::move(open)) {}

void PrintoutsWindow::build() {
  setCaption("Documentos impresos");
  setBorderStyle(forms::BorderStyle::FixedDialog);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  const auto& regional = application().regionalSettings();
  auto& grid = add<forms::Grid>("impresos", {180, 180, 7200, 3600});
  grid.setFormatString("Fecha|Documento");
  listLook(grid, {1800, 5100});
  grid.setRows(static_cast<int>(printouts_.size()) + 1);
  for (size_t i = 0; i < printouts_.size(); ++i) {
    const automation::Variant written(printouts_[i].written);
    const int row = static_cast<int>(i) + 1;
    grid.setTextMatrix(row, 0, regional::format(written, "Short Date", regional) + " " +
                                   regional::format(written, "Short Time", regional));
    grid.setTextMatrix(row, 1, printouts_[i].file.filename().string());
  }
  if (!printouts_.empty()) grid.setRow(1);
  grid.onDblClick = [this] { cbAbrir_Click(); };
  auto& abrir = add<forms::ActionButton>("cbAbrir", {4620, 3960, 1335, 405});
  abrir.setCaption("Abrir");
  abrir.setDefault(true);
  abrir.onClick = [this] { cbAbrir_Click(); };
  auto& cerrar = add<forms::ActionButton>("cbCerrar", {6045, 3960, 1335, 405});
  cerrar.setCaption("Cerrar");
  cerrar.setCancel(true);
  cerrar.onClick = [this] { unload(); };
  setClientSize(7560, 4545);
}

void PrintoutsWindow::cbAbrir_Click() {
  auto* grid = controlAs<forms::Grid>("impresos");
  const int row = grid != nullptr ? grid->row() : 0;
  if (row < 1 || static_cast<size_t>(row) > printouts_.size()) return;
  const auto& file = printouts_[static_cast<size_t>(row) - 1].file;
  if (!open_ || !open_(file))
    application().showWarning("No se pudo abrir " + file.string() +
                              ": no hay un visor de documentos PDF en este escritorio o el archivo ya no existe.");
}

nlohmann::json PrintoutsWindow::stateJson() const {
  nlohmann::json files = nlohmann::json::array();
  for (const auto& p : printouts_) files.push_back(p.file.filename().string());
  return {{"impresos", files}};
}

LauncherWindow::LauncherWindow(std::vector<Salesperson> salespeople,
                               std::function<void(const std::string&)> go, std::filesystem::path printDir,
                               OpenDocument open)
    : Window("Lanzador"),
      salespeople_(std::move(salespeople)),
      go_(std::move(go)),
      printDir_(std::move(printDir)),
      open_(std::move(open)) {}

void LauncherWindow::build() {
  setCaption("Tessaline - host de referencia");
  setBorderStyle(forms::BorderStyle::FixedSingle);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  auto& label = add<forms::Label>("lblVendedores", {180, 180, 4000, 255});
  label.setCaption("Vendedores:");
  auto& grid = add<forms::Grid>("vendedores", {180, 480, 5400, 3600});
  grid.setFormatString("Codigo|Nombre");
  listLook(grid, {900, 4200});
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
  auto& impresos = add<forms::ActionButton>("cbImpresos", {180, 4755, 3300, 405});
  impresos.setCaption("Documentos impresos");
  impresos.onClick = [this] { cbImpresos_Click(); };
  auto& quit = add<forms::ActionButton>("cbSalir", {4245, 4755, 1335, 405});
  quit.setCaption("Salir");
  quit.setCancel(true);
  quit.onClick = [this] { unload(); };
  setClientSize(5760, 5340);
}

std::string LauncherWindow::chosenCode() const {
  auto* self = const_cast<LauncherWindow*>(this);
  auto* grid = self->controlAs<forms::Grid>("vendedores");
  if (!grid || grid->row() < grid->fixedRows()) return {};
  return grid->textMatrix(grid->row(), 0);
}

void LauncherWindow::cbPagoComisiones_Click() { go_(chosenCode()); }

void LauncherWindow::cbImpresos_Click() {
  // Read again at every click: a cut processed meanwhile has printed new ones.
  auto printouts = listPrintouts(printDir_);
  if (printouts.empty()) {
    application().showMessage("No hay documentos impresos en " + printDir_.string() + ".");
    return;
  }
  auto window = std::make_shared<PrintoutsWindow>(std::move(printouts), open_);
  window->show(true);
}

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
