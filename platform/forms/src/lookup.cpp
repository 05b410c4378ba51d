#include <memory>

#include "automation/error.h"
#include "automation/object.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "scope.h"

namespace forms {

namespace {

using automation::Arg;
using automation::Variant;

// Table and column names go into SQL text: only plain identifiers (optionally qualified).
bool plainIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!ok) return false;
  }
  return name.front() != '.' && name.back() != '.';
}

std::string fieldText(const automation::ObjectRef& rs, const std::string& field) {
  const Variant v = automation::get(automation::toObject(automation::get(rs, "Fields", {Arg(field)})), "Value");
  if (v.isNull() || v.isEmpty()) return {};
  return automation::cStr(v);
}

struct Row {
  std::string code;
  std::string description;
};

// The modal search list a code box opens on F2: one grid of codes and descriptions; a double
// click or Enter chooses the current row, Esc closes without choosing.
class SearchListWindow final : public Window {
 public:
  SearchListWindow(std::string title, std::vector<Row> rows)
      : Window("busqueda"), title_(std::move(title)), rows_(std::move(rows)) {}

  const std::optional<std::string>& chosen() const { return chosen_; }

 protected:
  void build() override {
    setBorderStyle(BorderStyle::FixedDialog);
    setCaption(title_.empty() ? std::string("Buscar") : "Buscar " + title_);
    setClientSize(6000, 4560);
    setStartUpPosition(StartUpPosition::CenterScreen);
    setShowInTaskbar(false);
    auto& grid = add<Grid>("lista", {60, 60, 5880, 3840});
    grid.setTabIndex(0);
    grid.setCols(2);
    grid.setRows(static_cast<int>(rows_.size()) + 1);
    grid.setTextMatrix(0, 0, "Código");
    grid.setTextMatrix(0, 1, title_.empty() ? std::string("Descripción") : title_);
    grid.setColWidth(0, 1500);
    grid.setColWidth(1, 4200);
    for (size_t i = 0; i < rows_.size(); ++i) {
      grid.setTextMatrix(static_cast<int>(i) + 1, 0, rows_[i].code);
      grid.setTextMatrix(static_cast<int>(i) + 1, 1, rows_[i].description);
    }
    if (!rows_.empty()) grid.setRow(1);
    grid.onDblClick = [this] { choose(); };
    auto& ok = add<ActionButton>("cbAceptar", {3120, 4020, 1395, 420});
    ok.setCaption("Aceptar");
    ok.setTabIndex(1);
    ok.setDefault(true);
    ok.onClick = [this] { choose(); };
    auto& cancel = add<ActionButton>("cbCancelar", {4560, 4020, 1395, 420});
    cancel.setCaption("Cancelar");
    cancel.setTabIndex(2);
    cancel.setCancel(true);
    cancel.setCausesValidation(false);
    cancel.onClick = [this] { hide(); };
  }

 private:
  void choose() {
    Grid* grid = controlAs<Grid>("lista");
    const int row = grid->row();
    if (row >= grid->fixedRows() && row < grid->rows() && static_cast<size_t>(row - 1) < rows_.size())
      chosen_ = rows_[static_cast<size_t>(row - 1)].code;
    hide();
  }

  std::string title_;
  std::vector<Row> rows_;
  std::optional<std::string> chosen_;
};

}  // namespace

CodeLookupField::CodeLookupField(Window& window, std::string name)
    : TextEntry(window, std::move(name), ControlKind::CodeLookupField) {}

void CodeLookupField::setFuente(automation::ObjectRef source) {
  fuente_ = std::move(source);
  changed();
}

void CodeLookupField::setFactoriaHost(automation::ObjectRef factory) {
  factoria_ = std::move(factory);
  changed();
}

automation::ObjectRef CodeLookupField::registro() const {
  if (!fuente_) return {};
  const Variant found = automation::call(fuente_, "Buscar", {Arg(text())});
  if (found.isObject()) return found.asObject();
  return {};
}

void CodeLookupField::setNombretabla(std::string v) { tabla_ = std::move(v); }
void CodeLookupField::setNombrecodigo(std::string v) { codigo_ = std::move(v); }
void CodeLookupField::setNombredescripcion(std::string v) { descripcion_ = std::move(v); }
void CodeLookupField::setTitulo(std::string v) { titulo_ = std::move(v); }

void CodeLookupField::openSearch() {
  detail::EventScope scope(application());
  if (!plainIdentifier(tabla_) || !plainIdentifier(codigo_) || !plainIdentifier(descripcion_))
    throw automation::Error(automation::err::kInvalidProcedureCall, name(),
                            "The lookup table and column names must be plain identifiers");
  if (!factoria_) automation::raise(automation::err::kObjectNotSet, name());
  const std::string sql = "SELECT " + codigo_ + ", " + descripcion_ + " FROM " + tabla_ + " ORDER BY " + codigo_;
  const automation::ObjectRef rs = automation::toObject(automation::call(factoria_, "OpenRecordset", {Arg(sql)}));
  if (!rs) automation::raise(automation::err::kObjectNotSet, name());
  std::vector<Row> rows;
  while (!automation::cBool(automation::get(rs, "EOF"))) {
    rows.push_back(Row{fieldText(rs, codigo_), fieldText(rs, descripcion_)});
    automation::call(rs, "MoveNext");
  }
  auto list = std::make_shared<SearchListWindow>(titulo_, std::move(rows));
  list->show(true);
  const auto chosen = list->chosen();
  list->unload();
  if (chosen) setText(*chosen);
}

void CodeLookupField::operatorSpecialKey(int key) {
  if (key != keys::kF2) return;
  window().runHandler([this] { openSearch(); });
}

}  // namespace forms
