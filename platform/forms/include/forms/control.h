#pragma once
// Control: what every control of a window has (name, container, place, enabled, visible, tab
// order, validation and the common events). The kinds are in controls.h and grid.h.
//
// Controls are created by their window while it loads (Window::add) and belong to it; they die
// when the window is unloaded (once the outermost event handler has returned). Window classes
// reach them through ControlRef (window.h), which loads the window again when it is touched after
// an unload.
//
// Events are public callback members, wired by the window when it builds its controls:
//   codigoVendedor->onValidate = [this](bool& cancel) { codigoVendedor_Validate(cancel); };
// An exception (automation::Error or std::exception) escaping a handler is shown in an error box
// and the window stays usable. No event runs while the window is being built.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "forms/types.h"

namespace forms {

class Window;
class Application;

enum class ControlKind {
  Label,
  OptionButton,
  CheckBox,
  OptionCheckBox,
  Frame,
  Shape,
  ActionButton,
  CodeLookupField,
  DateEntryBox,
  ReferenceTextBox,
  NumberEntryBox,
  Grid,
  StatusBar,
};
// The kind as dumps write it: "Label", "OptionButton", ..., "Grid", "StatusBar".
const char* kindName(ControlKind kind);

// What `type` did with the text.
enum class TypeResult {
  Accepted,  // the control took the text
  Refused,   // the control kept its value (a date or number box given text that is not one)
  NoText,    // the control takes no typed text (or no control has the focus)
};

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  Window& window() const { return window_; }
  Application& application() const;

  // The frame this control sits in, or nullptr for the window's client area. Geometry is
  // relative to the container. Only a Frame of the same window can contain controls.
  Control* container() const { return container_; }
  void setContainer(Control* frame);
  // Whether this control lies (directly or further down) inside `frame`.
  bool isInside(const Control& frame) const;

  int left() const { return rect_.left; }
  int top() const { return rect_.top; }
  int width() const { return rect_.width; }
  int height() const { return rect_.height; }
  const Rect& geometry() const { return rect_; }
  void setLeft(int v);
  void setTop(int v);
  virtual void setWidth(int v);
  virtual void setHeight(int v);
  void setGeometry(const Rect& r);
  // Move in one step; omitted parts keep their value (as the platform's Move).
  void move(int left, int top, int width, int height);
  void move(int left, int top);
  // The control's place in its window's client area (containers' offsets added).
  Rect clientRect() const;

  // The control's own settings (as the platform gives them, not counting its container).
  bool enabled() const { return enabled_; }
  void setEnabled(bool v);
  bool visible() const { return visible_; }
  void setVisible(bool v);
  // Enabled / visible counting every container (a disabled frame disables what it holds).
  bool isEffectivelyEnabled() const;
  bool isEffectivelyVisible() const;

  int tabIndex() const { return tabIndex_; }
  void setTabIndex(int v);
  bool tabStop() const { return tabStop_; }
  void setTabStop(bool v);
  // Moving the focus into this control validates the control losing it (when this is on).
  bool causesValidation() const { return causesValidation_; }
  void setCausesValidation(bool v);

  Color backColor() const { return backColor_; }
  void setBackColor(Color c);
  Color foreColor() const { return foreColor_; }
  void setForeColor(Color c);
  const Font& font() const { return font_; }
  void setFont(const Font& f);
  const std::string& toolTipText() const { return toolTip_; }
  void setToolTipText(std::string t);
  const std::string& tag() const { return tag_; }
  void setTag(std::string t);

  // Whether this kind of control ever takes the focus (labels, frames, shapes and status bars
  // never do).
  virtual bool takesFocus() const { return true; }
  // Whether it can take the focus now: a kind that takes it, enabled and visible (with its
  // containers), in a loaded window.
  bool canTakeFocus() const;
  bool hasFocus() const;
  // Moves the focus here from code, as the platform does (Validate of the control losing the
  // focus when this control causes validation, then LostFocus and GotFocus). Error 5 when the
  // control cannot take the focus now or its window is not visible.
  void setFocus();

  // Common events (those that do not apply to a kind are never raised for it).
  std::function<void()> onGotFocus;
  std::function<void()> onLostFocus;
  std::function<void(bool& cancel)> onValidate;
  std::function<void(int16_t& keyAscii)> onKeyPress;
  std::function<void()> onClick;
  std::function<void()> onDblClick;

 protected:
  Control(Window& window, std::string name, ControlKind kind);

  // Tells the observers that this control changed.
  void changed();
  // Runs a handler of this control through the window (error box on escape, no event while the
  // window is being built). Returns false when the window was unloaded meanwhile.
  bool raise(const std::function<void()>& handler);
  // Raises onClick.
  void raiseClick();

  // What an operator's click does once the focus is here (default: Click).
  virtual void operatorClickAction();
  // What a character key does after the KeyPress handlers let it through (default: nothing).
  virtual void operatorCharAction(int16_t keyAscii);
  // A key without a character (F2). Default: nothing.
  virtual void operatorSpecialKey(int key);
  // Text typed into the control (`type`). Default: takes none.
  virtual TypeResult operatorTypeText(const std::string& text);
  // The font changed (a label that sizes itself measures again).
  virtual void fontChanged() {}

 private:
  friend class Window;
  Window& window_;
  std::string name_;
  ControlKind kind_;
  Control* container_ = nullptr;
  Rect rect_;
  bool enabled_ = true;
  bool visible_ = true;
  int tabIndex_ = 0;
  bool tabStop_ = true;
  bool causesValidation_ = true;
  Color backColor_ = colors::kButtonFace;
  Color foreColor_ = colors::kWindowText;
  Font font_;
  std::string toolTip_;
  std::string tag_;
  int creationIndex_ = 0;
  bool attached_ = true;  // part of its window's current load
};

}  // namespace forms
