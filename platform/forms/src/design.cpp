// Window::addDesign: the controls of a design table, each with its design values.

#include <stdexcept>

#include "forms/controls.h"
#include "forms/design.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace forms {

namespace {

// A row that gives its control a value the kind does not have, or names a container that is not
// a frame of an earlier row: a mistake in the window's design.
[[noreturn]] void misdesigned(const ControlDesign& row, const std::string& what) {
  throw std::logic_error("design of control " + row.name + " (" + kindName(row.kind) + "): " + what);
}

// The control as kind T, or the design mistake of giving it `what`.
template <class T>
T& having(Control& c, const ControlDesign& row, const char* what) {
  auto* t = dynamic_cast<T*>(&c);
  if (t == nullptr) misdesigned(row, std::string("has no ") + what);
  return *t;
}

void setCaption(Control& c, const ControlDesign& row) {
  switch (c.kind()) {
    case ControlKind::Label: return static_cast<Label&>(c).setCaption(row.caption);
    case ControlKind::OptionButton: return static_cast<OptionButton&>(c).setCaption(row.caption);
    case ControlKind::CheckBox:
    case ControlKind::OptionCheckBox: return static_cast<CheckBox&>(c).setCaption(row.caption);
    case ControlKind::Frame: return static_cast<Frame&>(c).setCaption(row.caption);
    case ControlKind::ActionButton: return static_cast<ActionButton&>(c).setCaption(row.caption);
    case ControlKind::CodeLookupField:
    case ControlKind::ReferenceTextBox: return static_cast<TextEntry&>(c).setText(row.caption);
    default: misdesigned(row, "has no caption or text");
  }
}

void setValue(Control& c, const ControlDesign& row, int value) {
  switch (c.kind()) {
    case ControlKind::OptionButton: return static_cast<OptionButton&>(c).setValue(value != 0);
    case ControlKind::CheckBox:
    case ControlKind::OptionCheckBox: return static_cast<CheckBox&>(c).setValue(value);
    case ControlKind::NumberEntryBox: return static_cast<NumberEntryBox&>(c).setValue(static_cast<double>(value));
    default: misdesigned(row, "has no design value");
  }
}

void applyDesign(Control& c, const ControlDesign& row) {
  const DesignValues& v = row.values;
  if (v.back) c.setBackColor(*v.back);
  if (v.fore) c.setForeColor(*v.fore);
  if (!row.caption.empty()) setCaption(c, row);
  if (v.alignment) {
    if (c.kind() == ControlKind::Label) {
      static_cast<Label&>(c).setAlignment(*v.alignment);
    } else {
      having<TextEntry>(c, row, "alignment").setAlignment(*v.alignment);
    }
  }
  if (v.autoSize) having<Label>(c, row, "auto-size").setAutoSize(true);
  if (v.border) {
    if (c.kind() == ControlKind::Label) {
      static_cast<Label&>(c).setBorderStyle(*v.border);
    } else {
      having<Frame>(c, row, "border style").setBorderStyle(*v.border);
    }
  }
  if (v.borderColor) having<Shape>(c, row, "border colour").setBorderColor(*v.borderColor);
  if (v.enabled) c.setEnabled(*v.enabled);
  if (v.value) setValue(c, row, *v.value);
  if (!v.format.empty()) {
    if (c.kind() == ControlKind::Grid) {
      static_cast<Grid&>(c).setFormatString(std::string(v.format));
    } else {
      having<NumberEntryBox>(c, row, "format").setFormat(std::string(v.format));
    }
  }
  if (v.showCalc) having<NumberEntryBox>(c, row, "calculator").setShowCalc(true);
  if (v.isDefault) having<ActionButton>(c, row, "default role").setDefault(true);
  if (v.isCancel) having<ActionButton>(c, row, "cancel role").setCancel(true);
  if (v.causesValidation) c.setCausesValidation(*v.causesValidation);
  if (row.tabIndex >= 0) c.setTabIndex(row.tabIndex);
}

}  // namespace

void Window::addDesign(std::span<const ControlDesign> rows) {
  for (const ControlDesign& row : rows) {
    Control* container = nullptr;
    if (!row.container.empty()) {
      container = findControl(row.container);
      if (container == nullptr || container->kind() != ControlKind::Frame)
        misdesigned(row, "its container " + row.container + " is not a frame of an earlier row");
    }
    Control* c = nullptr;
    switch (row.kind) {
      case ControlKind::Label: c = &add<Label>(row.name, row.rect, container); break;
      case ControlKind::OptionButton: c = &add<OptionButton>(row.name, row.rect, container); break;
      case ControlKind::CheckBox: c = &add<CheckBox>(row.name, row.rect, container); break;
      case ControlKind::OptionCheckBox: c = &add<OptionCheckBox>(row.name, row.rect, container); break;
      case ControlKind::Frame: c = &add<Frame>(row.name, row.rect, container); break;
      case ControlKind::Shape: c = &add<Shape>(row.name, row.rect, container); break;
      case ControlKind::ActionButton: c = &add<ActionButton>(row.name, row.rect, container); break;
      case ControlKind::CodeLookupField: c = &add<CodeLookupField>(row.name, row.rect, container); break;
      case ControlKind::DateEntryBox: c = &add<DateEntryBox>(row.name, row.rect, container); break;
      case ControlKind::ReferenceTextBox: c = &add<ReferenceTextBox>(row.name, row.rect, container); break;
      case ControlKind::NumberEntryBox: c = &add<NumberEntryBox>(row.name, row.rect, container); break;
      case ControlKind::Grid: c = &add<Grid>(row.name, row.rect, container); break;
      case ControlKind::StatusBar: c = &add<StatusBar>(row.name, row.rect, container); break;
    }
    applyDesign(*c, row);
  }
}

}  // namespace forms
