#include "host/windows.h"

#include <algorithm>
#include <initializer_list>
#include <iostream>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/design.h"
#include "forms/grid.h"
#include "host/printing.h"
#include "profile/settings_store.h"
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

// Opens a printout with the desktop's viewer, or says why it could not be opened.
void openOrWarn(forms::Application& app, const OpenDocument& open, const std::filesystem::path& file) {
  if (!open || !open(file))
    app.showWarning("No se pudo abrir " + file.string() +
                    ": no hay un visor de documentos PDF en este escritorio o el archivo ya no existe.");
}

}  // namespace

DocumentWindow::DocumentWindow(DocumentView doc)
    : Window(doc.windowName.empty() ? std::string("Visor") : doc.windowName), doc_(std::move(doc)) {}

void DocumentWindow::build() {
  using enum forms::ControlKind;
  setCaption(doc_.caption);
  setBorderStyle(forms::BorderStyle::FixedSingle);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  // A label and a value a line, then "Cerrar" under the values' right edge.
  std::vector<forms::ControlDesign> design;
  int top = 180;
  for (size_t i = 0; i < doc_.lines.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    design.push_back({Label, "lblEtiqueta" + n, "", {180, top, kLabelWidth, 255}, doc_.lines[i].first + ":"});
    design.push_back({Label, "lblValor" + n, "", {180 + kLabelWidth, top, kValueWidth, 255}, doc_.lines[i].second});
    top += kLineHeight;
  }
  top += 120;
  design.push_back({ActionButton, "cbCerrar", "", {180 + kLabelWidth + kValueWidth - 1335, top, 1335, 405}, "Cerrar",
                    -1, {.isDefault = true, .isCancel = true}});
  addDesign(design);
  forms::ControlRef<forms::ActionButton>(this, "cbCerrar")->onClick = [this] { unload(); };
  setClientSize(180 + kLabelWidth + kValueWidth + 180, top + 405 + 180);
}

nlohmann::json DocumentWindow::stateJson() const {
  nlohmann::json lines = nlohmann::json::object();
  for (const auto& [label, value] : doc_.lines) lines[label] = value;
  return {{"document", doc_.caption}, {"lines", lines}};
}

PrintoutsWindow::PrintoutsWindow(std::vector<Printout> printouts, OpenDocument open, ReprintDocument reprint)
    : Window("Impresos"), printouts_(std::move(printouts)), open_(std::move(open)), reprint_(std::move(reprint)) {}

void PrintoutsWindow::build() {
  using enum forms::ControlKind;
  setCaption("Documentos impresos");
  setBorderStyle(forms::BorderStyle::FixedDialog);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  setClientSize(7560, 4545);
  static const forms::ControlDesign kDesign[] = {
      {Grid, "impresos", "", {180, 180, 7200, 3600}, "", -1, {.format = "Fecha|Documento"}},
      {ActionButton, "cbReimprimir", "", {3195, 3960, 1335, 405}, "Reimprimir"},
      {ActionButton, "cbAbrir", "", {4620, 3960, 1335, 405}, "Abrir", -1, {.isDefault = true}},
      {ActionButton, "cbCerrar", "", {6045, 3960, 1335, 405}, "Cerrar", -1, {.isCancel = true}},
  };
  addDesign(kDesign);

  const forms::ControlRef<forms::Grid> grid{this, "impresos"};
  listLook(*grid, {1800, 5100});
  fillList();
  grid->onDblClick = [this] { cbAbrir_Click(); };
  forms::ControlRef<forms::ActionButton>(this, "cbAbrir")->onClick = [this] { cbAbrir_Click(); };
  forms::ControlRef<forms::ActionButton>(this, "cbReimprimir")->onClick = [this] { cbReimprimir_Click(); };
  forms::ControlRef<forms::ActionButton>(this, "cbCerrar")->onClick = [this] { unload(); };
}

void PrintoutsWindow::fillList() {
  auto* grid = controlAs<forms::Grid>("impresos");
  const auto& regional = application().regionalSettings();
  grid->setRows(static_cast<int>(printouts_.size()) + 1);
  for (size_t i = 0; i < printouts_.size(); ++i) {
    const automation::Variant written(printouts_[i].written);
    const int row = static_cast<int>(i) + 1;
    grid->setTextMatrix(row, 0, regional::format(written, "Short Date", regional) + " " +
                                    regional::format(written, "Short Time", regional));
    grid->setTextMatrix(row, 1, printouts_[i].file.filename().string());
  }
  if (!printouts_.empty()) grid->setRow(1);
}

void PrintoutsWindow::openFile(const std::filesystem::path& file) { openOrWarn(application(), open_, file); }

void PrintoutsWindow::cbAbrir_Click() {
  auto* grid = controlAs<forms::Grid>("impresos");
  const int row = grid != nullptr ? grid->row() : 0;
  if (row < 1 || static_cast<size_t>(row) > printouts_.size()) return;
  openFile(printouts_[static_cast<size_t>(row) - 1].file);
}

void PrintoutsWindow::cbReimprimir_Click() {
  auto* grid = controlAs<forms::Grid>("impresos");
  const int row = grid != nullptr ? grid->row() : 0;
  if (row < 1 || static_cast<size_t>(row) > printouts_.size() || !reprint_) return;
  const Printout& chosen = printouts_[static_cast<size_t>(row) - 1];
  if (!chosen.movement) {
    application().showWarning("No se puede reimprimir " + chosen.file.filename().string() +
                              ": su nombre no dice de qué movimiento bancario es.");
    return;
  }
  std::filesystem::path file;
  try {
    file = reprint_(chosen);
  } catch (const automation::Error& e) {
    application().showError(e.number(), e.description(), e.source());
    return;
  }
  printouts_.insert(printouts_.begin(), printoutOf(file).value_or(Printout{file, {}, chosen.movement, chosen.books}));
  fillList();
  openFile(file);
}

nlohmann::json PrintoutsWindow::stateJson() const {
  nlohmann::json files = nlohmann::json::array();
  for (const auto& p : printouts_) files.push_back(p.file.filename().string());
  return {{"impresos", files}};
}

LauncherWindow::LauncherWindow(std::vector<Salesperson> salespeople,
                               std::function<void(const std::string&)> go, std::filesystem::path printDir,
                               OpenDocument open, ReprintDocument reprint, ReadCuts readCuts)
    : Window("Lanzador"),
      salespeople_(std::move(salespeople)),
      go_(std::move(go)),
      printDir_(std::move(printDir)),
      open_(std::move(open)),
      reprint_(std::move(reprint)),
      readCuts_(std::move(readCuts)) {}

void LauncherWindow::build() {
  using enum forms::ControlKind;
  setCaption("Tessaline - host de referencia");
  setBorderStyle(forms::BorderStyle::FixedSingle);
  setStartUpPosition(forms::StartUpPosition::CenterScreen);
  setClientSize(16440, 5340);
  // The salespeople on the left, the register of processed cuts on the right.
  static const forms::ControlDesign kDesign[] = {
      {Label, "lblVendedores", "", {180, 180, 4000, 255}, "Vendedores:"},
      {Grid, "vendedores", "", {180, 480, 5400, 3600}, "", -1, {.format = "Codigo|Nombre"}},
      {ActionButton, "cbPagoComisiones", "", {180, 4260, 3300, 405}, "Pago selectivo de comisiones", -1,
       {.isDefault = true}},
      {ActionButton, "cbImpresos", "", {180, 4755, 3300, 405}, "Documentos impresos"},
      {Label, "lblCortes", "", {5760, 180, 4000, 255}, "Cortes procesados:"},
      {Grid, "cortes", "", {5760, 480, 10500, 3600}, "", -1,
       {.format = "Fecha|Vendedor|>Facturas|>Monto|Medio de pago|>Comprobante|Banco|Documento"}},
      {ActionButton, "cbAbrirDocumento", "", {14160, 4260, 2100, 405}, "Abrir documento"},
      {ActionButton, "cbSalir", "", {14925, 4755, 1335, 405}, "Salir", -1, {.isCancel = true}},
  };
  addDesign(kDesign);

  const forms::ControlRef<forms::Grid> grid{this, "vendedores"};
  listLook(*grid, {900, 4200});
  grid->setRows(static_cast<int>(salespeople_.size()) + 2);
  grid->setTextMatrix(1, 0, "");
  grid->setTextMatrix(1, 1, "(ventana libre: el vendedor se elige en la ventana)");
  for (size_t i = 0; i < salespeople_.size(); ++i) {
    grid->setTextMatrix(static_cast<int>(i) + 2, 0, salespeople_[i].first);
    grid->setTextMatrix(static_cast<int>(i) + 2, 1, salespeople_[i].second);
  }
  grid->setRow(1);
  const forms::ControlRef<forms::ActionButton> pago{this, "cbPagoComisiones"};
  const forms::ControlRef<forms::ActionButton> abrir{this, "cbAbrirDocumento"};
  grid->onDblClick = [this] { cbPagoComisiones_Click(); };
  pago->onClick = [this] { cbPagoComisiones_Click(); };
  forms::ControlRef<forms::ActionButton>(this, "cbImpresos")->onClick = [this] { cbImpresos_Click(); };
  forms::ControlRef<forms::ActionButton>(this, "cbSalir")->onClick = [this] { unload(); };

  // Enter acts on the list that has the focus: a salesperson's cut, or a cut's document.
  const forms::ControlRef<forms::Grid> cortes{this, "cortes"};
  listLook(*cortes, {1050, 2400, 840, 1350, 1500, 1140, 780, 1080});
  grid->onGotFocus = [pago] { pago->setDefault(true); };
  cortes->onGotFocus = [abrir] { abrir->setDefault(true); };
  cortes->onRowColChange = [this, abrir] { abrir->setEnabled(chosenCut() != nullptr && chosenCut()->printout); };
  cortes->onDblClick = [this] { cbAbrirDocumento_Click(); };
  abrir->onClick = [this] { cbAbrirDocumento_Click(); };
  refreshCuts();
}

void LauncherWindow::refreshCuts() {
  // A launcher closed already is left alone (touching it would load it again).
  if (!readCuts_ || !isLoaded()) return;
  auto* grid = controlAs<forms::Grid>("cortes");
  try {
    cuts_ = readCuts_();
  } catch (const std::exception& e) {
    std::cerr << "tessaline-host: the register of processed cuts cannot be read: " << e.what() << '\n';
    return;
  }
  const auto& regional = application().regionalSettings();
  grid->setRedraw(false);
  grid->setRows(static_cast<int>(cuts_.size()) + 1);
  for (size_t i = 0; i < cuts_.size(); ++i) {
    const ProcessedCut& c = cuts_[i];
    const int row = static_cast<int>(i) + 1;
    const std::string cells[] = {
        regional::format(automation::Variant(c.date), "Short Date", regional),
        c.salespersonName.empty() ? c.salesperson : c.salesperson + " " + c.salespersonName,
        std::to_string(c.invoices),
        regional::format(automation::Variant(c.amount), "#,##0.00", regional),
        methodText(c.method),
        std::to_string(c.voucher),
        c.bank,
        c.document,
    };
    for (int col = 0; col < 8; ++col) grid->setTextMatrix(row, col, cells[col]);
  }
  grid->setRedraw(true);
  grid->setRow(cuts_.empty() ? 0 : 1);
  controlAs<forms::ActionButton>("cbAbrirDocumento")->setEnabled(chosenCut() != nullptr && chosenCut()->printout);
}

const ProcessedCut* LauncherWindow::chosenCut() {
  auto* grid = controlAs<forms::Grid>("cortes");
  if (grid == nullptr || grid->row() < 1 || static_cast<size_t>(grid->row()) > cuts_.size()) return nullptr;
  return &cuts_[static_cast<size_t>(grid->row()) - 1];
}

void LauncherWindow::cbAbrirDocumento_Click() {
  const ProcessedCut* cut = chosenCut();
  if (cut == nullptr) return;
  if (!cut->printout) {
    application().showMessage("El corte del comprobante " + std::to_string(cut->voucher) +
                              " no tiene documento impreso.");
    return;
  }
  openOrWarn(application(), open_, *cut->printout);
}

std::string LauncherWindow::chosenCode() const {
  auto* self = const_cast<LauncherWindow*>(this);
  auto* grid = self->controlAs<forms::Grid>("vendedores");
  if (!grid || grid->row() < grid->fixedRows()) return {};
  return grid->textMatrix(grid->row(), 0);
}

void LauncherWindow::cbPagoComisiones_Click() {
  const std::string code = chosenCode();
  // A window already fixed on this salesperson comes forward instead of a second one on top of it.
  for (forms::Window* w : application().loadedWindows()) {
    if (code.empty() || w == this || !w->visible()) continue;
    const nlohmann::json state = w->stateJson();
    if (state.value("vendedorFijo", false) && state.value("vendedorCargado", std::string()) == code) {
      if (w->windowState() == forms::WindowState::Minimized) w->setWindowState(forms::WindowState::Normal);
      w->show(false);
      return;
    }
  }
  go_(code);
}

void LauncherWindow::cbImpresos_Click() {
  // Read again at every click: a cut processed meanwhile has printed new ones.
  auto printouts = listPrintouts(printDir_);
  if (printouts.empty()) {
    application().showMessage("No hay documentos impresos en " + printDir_.string() + ".");
    return;
  }
  auto window = std::make_shared<PrintoutsWindow>(std::move(printouts), open_, reprint_);
  window->show(true);
}

nlohmann::json LauncherWindow::stateJson() const {
  return {{"vendedores", static_cast<int>(salespeople_.size())}, {"cortes", static_cast<int>(cuts_.size())}};
}

std::optional<std::string> StorePreferences::read(const std::string& section, const std::string& key) const {
  return profile::SettingsStore::forCurrentUser().find("Tessaline", section, key);
}

void StorePreferences::write(const std::string& section, const std::string& key, const std::string& value) {
  try {
    profile::SettingsStore::forCurrentUser().set("Tessaline", section, key, value);
  } catch (const profile::StoreError& e) {
    std::cerr << "tessaline-host: the column widths are not remembered: " << e.what() << '\n';
  }
}

void FormsUi::warning(const std::string& text) {
  forms::Application::instance().showWarning(text);
}

void FormsUi::error(const automation::Error& e) {
  forms::Application::instance().showError(e.number(), e.description(), e.source());
}

void FormsUi::showDocument(const DocumentView& doc) {
  auto window = std::make_shared<DocumentWindow>(doc);
  window->show(false);
}

}  // namespace host
