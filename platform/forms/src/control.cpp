#include "forms/control.h"

#include "automation/error.h"
#include "forms/application.h"
#include "forms/window.h"
#include "scope.h"

namespace forms {

const char* kindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: return "Label";
    case ControlKind::OptionButton: return "OptionButton";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::OptionCheckBox: return "OptionCheckBox";
    case ControlKind::Frame: return "Frame";
    case ControlKind::Shape: return "Shape";
    case ControlKind::ActionButton: return "ActionButton";
    case ControlKind::CodeLookupField: return "CodeLookupField";
    case ControlKind::DateEntryBox: return "DateEntryBox";
    case ControlKind::ReferenceTextBox: return "ReferenceTextBox";
    case ControlKind::NumberEntryBox: return "NumberEntryBox";
    case ControlKind::Grid: return "Grid";
    case ControlKind::StatusBar: return "StatusBar";
  }
  return "Control";
}

Control::Control(Window& window, std::string name, ControlKind kind)
    : window_(window), name_(std::move(name)), kind_(kind) {
  switch (kind) {
    case ControlKind::CodeLookupField:
    case ControlKind::DateEntryBox:
    case ControlKind::ReferenceTextBox:
    case ControlKind::NumberEntryBox:
    case ControlKind::Grid:
      backColor_ = colors::kWindow;
      break;
    default:
      break;
  }
}

Control::~Control() = default;

Application& Control::application() const { return window_.application(); }

void Control::changed() {
  if (attached_ && window_.state_ == Window::LoadState::Loaded)
    window_.application().notify([&](Observer& o) { o.controlChanged(*this); });
}

bool Control::raise(const std::function<void()>& handler) {
  if (!handler) return true;
  return window_.runHandler(handler);
}

void Control::raiseClick() { raise(onClick); }

void Control::setContainer(Control* frame) {
  if (frame != nullptr) {
    if (frame->kind() != ControlKind::Frame || &frame->window() != &window_ || frame == this || frame->isInside(*this))
      automation::raise(automation::err::kInvalidPropertyValue, name_);
  }
  if (container_ == frame) return;
  container_ = frame;
  changed();
  window_.controlLostFocusability(*this);
}

bool Control::isInside(const Control& frame) const {
  for (const Control* c = container_; c != nullptr; c = c->container_)
    if (c == &frame) return true;
  return false;
}

void Control::setLeft(int v) { move(v, rect_.top, rect_.width, rect_.height); }
void Control::setTop(int v) { move(rect_.left, v, rect_.width, rect_.height); }
void Control::setWidth(int v) { move(rect_.left, rect_.top, v, rect_.height); }
void Control::setHeight(int v) { move(rect_.left, rect_.top, rect_.width, v); }
void Control::setGeometry(const Rect& r) { move(r.left, r.top, r.width, r.height); }
void Control::move(int left, int top) { move(left, top, rect_.width, rect_.height); }

void Control::move(int left, int top, int width, int height) {
  if (width < 0 || height < 0) automation::raise(automation::err::kInvalidPropertyValue, name_);
  const Rect r{left, top, width, height};
  if (r == rect_) return;
  rect_ = r;
  changed();
}

Rect Control::clientRect() const {
  Rect r = rect_;
  for (const Control* c = container_; c != nullptr; c = c->container_) {
    r.left += c->rect_.left;
    r.top += c->rect_.top;
  }
  return r;
}

void Control::setEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  changed();
  if (!v) window_.controlLostFocusability(*this);
}

void Control::setVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  changed();
  if (!v) window_.controlLostFocusability(*this);
}

bool Control::isEffectivelyEnabled() const {
  for (const Control* c = this; c != nullptr; c = c->container_)
    if (!c->enabled_) return false;
  return true;
}

bool Control::isEffectivelyVisible() const {
  for (const Control* c = this; c != nullptr; c = c->container_)
    if (!c->visible_) return false;
  return true;
}

void Control::setTabIndex(int v) {
  if (v < 0) automation::raise(automation::err::kInvalidPropertyValue, name_);
  if (tabIndex_ == v) return;
  tabIndex_ = v;
  changed();
}

void Control::setTabStop(bool v) {
  if (tabStop_ == v) return;
  tabStop_ = v;
  changed();
}

void Control::setCausesValidation(bool v) {
  if (causesValidation_ == v) return;
  causesValidation_ = v;
  changed();
}

void Control::setBackColor(Color c) {
  if (backColor_ == c) return;
  backColor_ = c;
  changed();
}

void Control::setForeColor(Color c) {
  if (foreColor_ == c) return;
  foreColor_ = c;
  changed();
}

void Control::setFont(const Font& f) {
  if (font_ == f) return;
  font_ = f;
  fontChanged();
  changed();
}

void Control::setToolTipText(std::string t) {
  if (toolTip_ == t) return;
  toolTip_ = std::move(t);
  changed();
}

void Control::setTag(std::string t) { tag_ = std::move(t); }

bool Control::canTakeFocus() const {
  return attached_ && window_.state_ == Window::LoadState::Loaded && takesFocus() && isEffectivelyEnabled() &&
         isEffectivelyVisible();
}

bool Control::hasFocus() const { return attached_ && window_.activeControl() == this; }

void Control::setFocus() {
  detail::EventScope scope(window_.application());
  if (!canTakeFocus() || !window_.shown()) automation::raise(automation::err::kInvalidProcedureCall, name_);
  window_.moveFocus(this, true);
}

void Control::operatorClickAction() { raiseClick(); }
void Control::operatorCharAction(int16_t) {}
void Control::operatorSpecialKey(int) {}
TypeResult Control::operatorTypeText(const std::string&) { return TypeResult::NoText; }

}  // namespace forms
