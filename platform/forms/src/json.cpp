#include "forms/json.h"

#include <cmath>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace forms {

namespace {

template <class Json>
Json valueAs(const automation::Variant& v) {
  using automation::VarType;
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing:
    case VarType::Null:
    case VarType::Object:
      return nullptr;
    case VarType::Integer:
      return v.asInteger();
    case VarType::Long:
      return v.asLong();
    case VarType::Double: {
      const double d = v.asDouble();
      if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9007199254740992.0) return static_cast<int64_t>(d);
      if (!std::isfinite(d)) return nullptr;
      return d;
    }
    case VarType::Currency:
      return v.asCurrency().toString();
    case VarType::String:
      return v.asString();
    case VarType::Date:
      return v.asDate().toIso();
    case VarType::Boolean:
      return v.asBoolean();
  }
  return nullptr;
}

}  // namespace

nlohmann::json jsonValue(const automation::Variant& value) { return valueAs<nlohmann::json>(value); }
nlohmann::ordered_json orderedJsonValue(const automation::Variant& value) {
  return valueAs<nlohmann::ordered_json>(value);
}

nlohmann::ordered_json controlJson(const Control& c) {
  nlohmann::ordered_json j;
  j["kind"] = kindName(c.kind());
  j["container"] = c.container() ? nlohmann::ordered_json(c.container()->name()) : nlohmann::ordered_json(nullptr);
  j["enabled"] = c.enabled();
  j["visible"] = c.visible();
  j["left"] = c.left();
  j["top"] = c.top();
  j["width"] = c.width();
  j["height"] = c.height();
  j["tabIndex"] = c.tabIndex();
  switch (c.kind()) {
    case ControlKind::Label:
      j["caption"] = static_cast<const Label&>(c).caption();
      break;
    case ControlKind::OptionButton: {
      const auto& o = static_cast<const OptionButton&>(c);
      j["caption"] = o.caption();
      j["value"] = o.value();
      break;
    }
    case ControlKind::CheckBox:
    case ControlKind::OptionCheckBox: {
      const auto& b = static_cast<const CheckBox&>(c);
      j["caption"] = b.caption();
      j["value"] = b.value();
      break;
    }
    case ControlKind::Frame:
      j["caption"] = static_cast<const Frame&>(c).caption();
      break;
    case ControlKind::ActionButton:
      j["caption"] = static_cast<const ActionButton&>(c).caption();
      break;
    case ControlKind::CodeLookupField:
    case ControlKind::ReferenceTextBox:
      j["text"] = static_cast<const TextEntry&>(c).text();
      break;
    case ControlKind::DateEntryBox:
      j["value"] = static_cast<const DateEntryBox&>(c).value().toIsoDate();
      break;
    case ControlKind::NumberEntryBox: {
      const auto& n = static_cast<const NumberEntryBox&>(c);
      j["value"] = orderedJsonValue(automation::Variant(n.value()));
      j["format"] = n.format();
      break;
    }
    case ControlKind::Grid: {
      const auto& g = static_cast<const Grid&>(c);
      j["rows"] = g.rows();
      j["cols"] = g.cols();
      j["fixedRows"] = g.fixedRows();
      j["row"] = g.row();
      j["col"] = g.col();
      j["colWidths"] = g.colWidths();
      auto cells = nlohmann::ordered_json::array();
      const GridStore& store = g.store();
      for (int r = 0; r < store.rows(); ++r) {
        auto row = nlohmann::ordered_json::array();
        for (int col = 0; col < store.cols(); ++col) row.push_back(store.at(r, col));
        cells.push_back(std::move(row));
      }
      j["cells"] = std::move(cells);
      break;
    }
    case ControlKind::Shape:
    case ControlKind::StatusBar:
      break;
  }
  return j;
}

nlohmann::ordered_json windowJson(const Window& w) {
  nlohmann::ordered_json j;
  j["name"] = w.name();
  j["caption"] = w.caption();
  j["visible"] = w.visible();
  j["modal"] = w.isModal();
  j["windowState"] = static_cast<int>(w.windowState());
  j["left"] = w.left();
  j["top"] = w.top();
  j["width"] = w.width();
  j["height"] = w.height();
  j["clientWidth"] = w.clientWidth();
  j["clientHeight"] = w.clientHeight();
  const Control* active = w.activeControl();
  j["activeControl"] = active ? nlohmann::ordered_json(active->name()) : nlohmann::ordered_json(nullptr);
  const StatusBar* bar = w.statusBar();
  j["statusText"] = bar ? nlohmann::ordered_json(bar->panelText(1)) : nlohmann::ordered_json(nullptr);
  auto controls = nlohmann::ordered_json::object();
  for (const Control* c : w.loadedControls()) controls[c->name()] = controlJson(*c);
  j["controls"] = std::move(controls);
  // The window's own variables, converted keeping the names.
  j["state"] = nlohmann::ordered_json::parse(
      w.stateJson().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  return j;
}

nlohmann::ordered_json dumpJson(const Application& app) {
  nlohmann::ordered_json j;
  j["event"] = "dump";
  auto windows = nlohmann::ordered_json::array();
  for (const Window* w : app.loadedWindows()) windows.push_back(windowJson(*w));
  j["windows"] = std::move(windows);
  return j;
}

std::string jsonLine(const nlohmann::ordered_json& j) {
  return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace forms
