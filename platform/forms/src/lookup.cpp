#include <memory>

#include "automation/error.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "scope.h"

namespace forms {

namespace {

// The modal search list a code box opens on F2: one grid of codes and descriptions; a double
// click or Enter chooses the current row, Esc closes without choosing.
class SearchListWindow final : public Window {
 public:
  SearchListWindow(std::string title, std::vector<LookupEntry> rows)
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
  std::vector<LookupEntry> rows_;
  std::optional<std::string> chosen_;
};

}  // namespace

CodeLookupField::CodeLookupField(Window& window, std::string name)
    : TextEntry(window, std::move(name), ControlKind::CodeLookupField) {}

void CodeLookupField::setLookupSource(std::shared_ptr<LookupSource> source) {
  source_ = std::move(source);
  changed();
}

automation::ObjectRef CodeLookupField::registro() const {
  if (!source_) return {};
  return source_->find(text());
}

void CodeLookupField::setTitle(std::string title) { title_ = std::move(title); }

void CodeLookupField::openSearch() {
  detail::EventScope scope(application());
  if (!source_) automation::raise(automation::err::kObjectNotSet, name());
  std::vector<LookupEntry> rows;
  try {
    rows = source_->entries();
  } catch (const automation::Error& e) {
    // An error the source raises without a source of its own is reported as this box's.
    if (!e.source().empty()) throw;
    throw automation::Error(e.number(), name(), e.description());
  }
  auto list = std::make_shared<SearchListWindow>(title_, std::move(rows));
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
