#include "forms/controls.h"

#include "automation/error.h"
#include "forms/application.h"
#include "forms/window.h"
#include "scope.h"
#include "text/utf8.h"

namespace forms {

// ---------------------------------------------------------------------------------------------
// Label

Label::Label(Window& window, std::string name) : Control(window, std::move(name), ControlKind::Label) {}

void Label::fontChanged() {
  if (autoSize_) fitToText();
}

void Label::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  if (autoSize_) fitToText();
  changed();
}

void Label::setAlignment(Alignment a) {
  if (alignment_ == a) return;
  alignment_ = a;
  changed();
}

void Label::setAutoSize(bool on) {
  if (autoSize_ == on) return;
  autoSize_ = on;
  if (on) fitToText();
  changed();
}

void Label::fitToText() {
  const TextMetrics& m = application().textMetrics();
  move(left(), top(), m.textWidth(caption_, font()), m.lineHeight(font()));
}

void Label::setBackStyle(int style) {
  if (style != 0 && style != 1) automation::raise(automation::err::kInvalidPropertyValue, name());
  backStyle_ = style;
  changed();
}

void Label::setBorderStyle(int style) {
  if (style != 0 && style != 1) automation::raise(automation::err::kInvalidPropertyValue, name());
  borderStyle_ = style;
  changed();
}

// ---------------------------------------------------------------------------------------------
// OptionButton

OptionButton::OptionButton(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::OptionButton) {}

void OptionButton::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed();
}

std::vector<OptionButton*> OptionButton::group() const {
  std::vector<OptionButton*> out;
  for (Control* c : window().loadedControls()) {
    auto* o = dynamic_cast<OptionButton*>(c);
    if (o != nullptr && o->container() == container()) out.push_back(o);
  }
  return out;
}

void OptionButton::setValue(bool selected) {
  if (value_ == selected) return;
  detail::EventScope scope(application());
  if (selected) {
    for (OptionButton* other : group()) {
      if (other != this && other->value_) {
        other->value_ = false;
        other->changed();
      }
    }
  }
  value_ = selected;
  changed();
  if (selected) raiseClick();
}

void OptionButton::operatorClickAction() { setValue(true); }

void OptionButton::operatorCharAction(int16_t keyAscii) {
  if (keyAscii == keys::kSpace) setValue(true);
}

// ---------------------------------------------------------------------------------------------
// CheckBox

CheckBox::CheckBox(Window& window, std::string name) : CheckBox(window, std::move(name), ControlKind::CheckBox) {}

CheckBox::CheckBox(Window& window, std::string name, ControlKind kind) : Control(window, std::move(name), kind) {}

void CheckBox::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed();
}

void CheckBox::setValue(int value) {
  if (value < 0 || value > 2) automation::raise(automation::err::kInvalidPropertyValue, name());
  if (value_ == value) return;
  detail::EventScope scope(application());
  value_ = value;
  changed();
  raiseClick();
}

void CheckBox::operatorClickAction() { setValue(value_ == 1 ? 0 : 1); }

void CheckBox::operatorCharAction(int16_t keyAscii) {
  if (keyAscii == keys::kSpace) setValue(value_ == 1 ? 0 : 1);
}

OptionCheckBox::OptionCheckBox(Window& window, std::string name)
    : CheckBox(window, std::move(name), ControlKind::OptionCheckBox) {}

// ---------------------------------------------------------------------------------------------
// Frame and Shape

Frame::Frame(Window& window, std::string name) : Control(window, std::move(name), ControlKind::Frame) {}

void Frame::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed();
}

void Frame::setBorderStyle(int style) {
  if (style != 0 && style != 1) automation::raise(automation::err::kInvalidPropertyValue, name());
  borderStyle_ = style;
  changed();
}

std::vector<Control*> Frame::children() const {
  std::vector<Control*> out;
  for (Control* c : window().loadedControls())
    if (c->container() == this) out.push_back(c);
  return out;
}

Shape::Shape(Window& window, std::string name) : Control(window, std::move(name), ControlKind::Shape) {}

void Shape::setShape(int shape) {
  if (shape < 0 || shape > 5) automation::raise(automation::err::kInvalidPropertyValue, name());
  shape_ = shape;
  changed();
}

void Shape::setBorderColor(Color c) {
  borderColor_ = c;
  changed();
}

void Shape::setBorderWidth(int pixels) {
  if (pixels < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  borderWidth_ = pixels;
  changed();
}

void Shape::setFillColor(Color c) {
  fillColor_ = c;
  changed();
}

void Shape::setFillStyle(int style) {
  if (style < 0 || style > 7) automation::raise(automation::err::kInvalidPropertyValue, name());
  fillStyle_ = style;
  changed();
}

// ---------------------------------------------------------------------------------------------
// ActionButton

ActionButton::ActionButton(Window& window, std::string name)
    : Control(window, std::move(name), ControlKind::ActionButton) {}

void ActionButton::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed();
}

void ActionButton::setIcon(std::string name) {
  if (icon_ == name) return;
  icon_ = std::move(name);
  changed();
}

void ActionButton::setThemeColors(const ThemeColors& colors) {
  if (theme_ == colors) return;
  theme_ = colors;
  changed();
}

void ActionButton::setLabelOffset(int x, int y) {
  labelX_ = x;
  labelY_ = y;
  changed();
}

void ActionButton::setDefault(bool on) {
  if (on) {
    for (Control* c : window().loadedControls()) {
      auto* b = dynamic_cast<ActionButton*>(c);
      if (b != nullptr && b != this && b->default_) {
        b->default_ = false;
        b->changed();
      }
    }
  }
  if (default_ == on) return;
  default_ = on;
  changed();
}

void ActionButton::setCancel(bool on) {
  if (on) {
    for (Control* c : window().loadedControls()) {
      auto* b = dynamic_cast<ActionButton*>(c);
      if (b != nullptr && b != this && b->cancel_) {
        b->cancel_ = false;
        b->changed();
      }
    }
  }
  if (cancel_ == on) return;
  cancel_ = on;
  changed();
}

void ActionButton::press() {
  detail::EventScope scope(application());
  raiseClick();
}

void ActionButton::operatorCharAction(int16_t keyAscii) {
  if (keyAscii == keys::kSpace) press();
}

// ---------------------------------------------------------------------------------------------
// Text boxes

TextEntry::TextEntry(Window& window, std::string name, ControlKind kind) : Control(window, std::move(name), kind) {}

void TextEntry::setText(std::string text) {
  if (text_ == text) return;
  detail::EventScope scope(application());
  text_ = std::move(text);
  changed();
  raise(onChange);
}

void TextEntry::setMaxLength(int n) {
  if (n < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  maxLength_ = n;
  changed();
}

void TextEntry::setLocked(bool on) {
  locked_ = on;
  changed();
}

void TextEntry::setPasswordChar(std::string c) {
  if (text::utf8::length(c) > 1) automation::raise(automation::err::kInvalidPropertyValue, name());
  passwordChar_ = std::move(c);
  changed();
}

void TextEntry::setAlignment(Alignment a) {
  alignment_ = a;
  changed();
}

void TextEntry::setThemeColors(const ThemeColors& colors) {
  if (theme_ == colors) return;
  theme_ = colors;
  changed();
}

void TextEntry::setAppearance(int a) {
  if (a != 0 && a != 1) automation::raise(automation::err::kInvalidPropertyValue, name());
  appearance_ = a;
  changed();
}

TypeResult TextEntry::operatorTypeText(const std::string& text) {
  if (locked_) return TypeResult::Refused;
  // Typing stops at the maximum length.
  std::string typed = maxLength_ > 0 ? std::string(text::utf8::prefix(text, static_cast<size_t>(maxLength_))) : text;
  setText(std::move(typed));
  return TypeResult::Accepted;
}

void TextEntry::operatorCharAction(int16_t keyAscii) {
  if (locked_) return;
  if (keyAscii == keys::kBackspace) {
    const size_t n = text::utf8::length(text_);
    if (n > 0) setText(std::string(text::utf8::prefix(text_, n - 1)));
    return;
  }
  if (keyAscii < 32) return;
  if (maxLength_ > 0 && text::utf8::length(text_) >= static_cast<size_t>(maxLength_)) return;
  setText(text_ + text::utf8::encode(static_cast<char32_t>(static_cast<uint16_t>(keyAscii))));
}

ReferenceTextBox::ReferenceTextBox(Window& window, std::string name)
    : TextEntry(window, std::move(name), ControlKind::ReferenceTextBox) {}

// ---------------------------------------------------------------------------------------------
// StatusBar

StatusBar::StatusBar(Window& window, std::string name) : Control(window, std::move(name), ControlKind::StatusBar) {
  panels_.push_back(Panel{});
}

void StatusBar::setDock(Dock d) {
  dock_ = d;
  window().dockControls();
}

const StatusBar::Panel& StatusBar::panel(int index) const {
  if (index < 1 || index > panelCount())
    throw automation::Error(automation::err::kSubscriptOutOfRange, name(), "Index out of bounds");
  return panels_[static_cast<size_t>(index - 1)];
}

const std::string& StatusBar::panelText(int index) const { return panel(index).text; }

void StatusBar::setPanelText(int index, std::string text) {
  Panel& p = const_cast<Panel&>(panel(index));
  if (p.text == text) return;
  p.text = std::move(text);
  changed();
}

int StatusBar::panelWidth(int index) const { return panel(index).width; }

void StatusBar::setPanelWidth(int index, int width) {
  if (width < 0) automation::raise(automation::err::kInvalidPropertyValue, name());
  const_cast<Panel&>(panel(index)).width = width;
  changed();
}

int StatusBar::addPanel(std::string text, int width) {
  panels_.push_back(Panel{std::move(text), width});
  changed();
  return panelCount();
}

}  // namespace forms
