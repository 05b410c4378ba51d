#pragma once
// The control kinds a window is made of (the grid is in grid.h).
//
//   Label             caption, alignment, auto-size to its text (one line), fixed size otherwise
//   OptionButton      caption, value; one selected per container; True from code raises Click
//   CheckBox          caption, value 0/1 (2 grey); Click whenever the value changes, also from code
//   OptionCheckBox    the themed check box, same behaviour
//   Frame             a container; its children are placed relative to it
//   Shape             an outlined rectangle
//   ActionButton      the themed command button: caption, icon, colours, default / cancel
//   CodeLookupField   code box bound to a lookup source: text, registro, F2 search list
//   DateEntryBox      a date box: value a Date; typed text that is not a date is refused
//   ReferenceTextBox  a one-line text box
//   NumberEntryBox    a number box: value a Double shown through `format`
//   StatusBar         panels; panel 1 carries the hints

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/date.h"
#include "automation/variant.h"
#include "forms/control.h"
#include "forms/lookup_source.h"

namespace forms {

class Label final : public Control {
 public:
  Label(Window& window, std::string name);

  const std::string& caption() const { return caption_; }
  // With auto-size on, the label takes the width of the text and the height of one line.
  void setCaption(std::string caption);
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment a);
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on);
  // 0 transparent, 1 opaque.
  int backStyle() const { return backStyle_; }
  void setBackStyle(int style);
  // 0 none, 1 fixed single.
  int borderStyle() const { return borderStyle_; }
  void setBorderStyle(int style);

  bool takesFocus() const override { return false; }

 private:
  void fontChanged() override;
  void fitToText();
  std::string caption_;
  Alignment alignment_ = Alignment::Left;
  bool autoSize_ = false;
  int backStyle_ = 1;
  int borderStyle_ = 0;
};

class OptionButton final : public Control {
 public:
  OptionButton(Window& window, std::string name);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  bool value() const { return value_; }
  // True selects this button: the others of its container turn False silently and Click is
  // raised on this one (nothing is raised when it was already selected). False just clears it.
  void setValue(bool selected);
  // The option buttons that share this one's container (this one included), in creation order.
  std::vector<OptionButton*> group() const;

 private:
  void operatorClickAction() override;
  void operatorCharAction(int16_t keyAscii) override;
  std::string caption_;
  bool value_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(Window& window, std::string name);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // 0 unchecked, 1 checked, 2 grey. Click is raised whenever the value changes (also from code).
  int value() const { return value_; }
  void setValue(int value);  // error 380 outside 0..2

 protected:
  CheckBox(Window& window, std::string name, ControlKind kind);

 private:
  void operatorClickAction() override;
  void operatorCharAction(int16_t keyAscii) override;
  std::string caption_;
  int value_ = 0;
};

// The themed check box (value 0 or 1).
class OptionCheckBox final : public CheckBox {
 public:
  OptionCheckBox(Window& window, std::string name);
};

class Frame final : public Control {
 public:
  Frame(Window& window, std::string name);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // 0 none, 1 fixed single.
  int borderStyle() const { return borderStyle_; }
  void setBorderStyle(int style);
  // The controls directly inside this frame, in creation order.
  std::vector<Control*> children() const;

  bool takesFocus() const override { return false; }

 private:
  std::string caption_;
  int borderStyle_ = 1;
};

class Shape final : public Control {
 public:
  Shape(Window& window, std::string name);

  // 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square.
  int shape() const { return shape_; }
  void setShape(int shape);
  Color borderColor() const { return borderColor_; }
  void setBorderColor(Color c);
  int borderWidth() const { return borderWidth_; }
  void setBorderWidth(int pixels);
  Color fillColor() const { return fillColor_; }
  void setFillColor(Color c);
  // 0 solid, 1 transparent (the default: an outlined rectangle).
  int fillStyle() const { return fillStyle_; }
  void setFillStyle(int style);

  bool takesFocus() const override { return false; }

 private:
  int shape_ = 0;
  Color borderColor_ = colors::kBlack;
  int borderWidth_ = 1;
  Color fillColor_ = colors::kBlack;
  int fillStyle_ = 1;
};

// The focused / disabled colour scheme of the themed widgets.
struct ThemeColors {
  Color backFocused = colors::kWhite;
  Color foreFocused = colors::kBlack;
  Color backDisabled = rgb(224, 224, 224);
  Color foreDisabled = rgb(192, 192, 192);
  Color border = colors::kBlack;
  Color borderFocused = colors::kBlack;
  bool operator==(const ThemeColors&) const = default;
};

class ActionButton final : public Control {
 public:
  ActionButton(Window& window, std::string name);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // The name of the icon drawn left of the caption ("" for none); the view maps it to an image.
  const std::string& icon() const { return icon_; }
  void setIcon(std::string name);
  const ThemeColors& themeColors() const { return theme_; }
  void setThemeColors(const ThemeColors& colors);
  int labelX() const { return labelX_; }
  int labelY() const { return labelY_; }
  void setLabelOffset(int x, int y);

  // The window's default button (Enter presses it) / cancel button (Esc presses it). Making one
  // button the default (cancel) takes that role from any other button of the window.
  bool isDefault() const { return default_; }
  void setDefault(bool on);
  bool isCancel() const { return cancel_; }
  void setCancel(bool on);

  // Presses the button from code (its Click runs; the focus does not move).
  void press();

 private:
  void operatorCharAction(int16_t keyAscii) override;
  std::string caption_;
  std::string icon_;
  ThemeColors theme_;
  int labelX_ = 90;
  int labelY_ = 90;
  bool default_ = false;
  bool cancel_ = false;
};

// A one-line text box: the common part of the code box and the reference box.
class TextEntry : public Control {
 public:
  const std::string& text() const { return text_; }
  // Sets the text as it is (the maximum length limits typing only); Change runs when it differs.
  void setText(std::string text);
  // 0 means no limit; counted in characters.
  int maxLength() const { return maxLength_; }
  void setMaxLength(int n);
  bool locked() const { return locked_; }
  void setLocked(bool on);
  const std::string& passwordChar() const { return passwordChar_; }
  void setPasswordChar(std::string c);
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment a);
  const ThemeColors& themeColors() const { return theme_; }
  void setThemeColors(const ThemeColors& colors);
  // 0 flat, 1 three-dimensional.
  int appearance() const { return appearance_; }
  void setAppearance(int a);

  std::function<void()> onChange;

 protected:
  TextEntry(Window& window, std::string name, ControlKind kind);
  TypeResult operatorTypeText(const std::string& text) override;
  void operatorCharAction(int16_t keyAscii) override;

 private:
  std::string text_;
  int maxLength_ = 0;
  bool locked_ = false;
  std::string passwordChar_;
  Alignment alignment_ = Alignment::Left;
  ThemeColors theme_;
  int appearance_ = 1;
};

class ReferenceTextBox final : public TextEntry {
 public:
  ReferenceTextBox(Window& window, std::string name);
};

// A code box bound to a lookup source: `registro` is the source's record for the text, and F2
// shows the source's entries in a modal search list window ("busqueda"); choosing a row (double
// click or Enter) fills the text, Esc closes.
class CodeLookupField final : public TextEntry {
 public:
  CodeLookupField(Window& window, std::string name);

  const std::shared_ptr<LookupSource>& lookupSource() const { return source_; }
  void setLookupSource(std::shared_ptr<LookupSource> source);
  // The record of the current text, asked of the source at every read; an empty reference when
  // the source finds nothing or there is no source. Errors of the source propagate.
  automation::ObjectRef registro() const;

  // Names what the search list lists (its caption and description heading).
  const std::string& title() const { return title_; }
  void setTitle(std::string title);

  // What F2 does: shows the modal search list and, when a row is chosen, puts its code into the
  // text. Error 91 without a source; errors of the source propagate, those without a source of
  // their own reported as this box's.
  void openSearch();

 private:
  void operatorSpecialKey(int key) override;
  std::shared_ptr<LookupSource> source_;
  std::string title_;
};

// A date box. Starts at today's date (automation::today()). Typed text is a date written
// YYYY-MM-DD or in the regional short date; anything else is refused and the value kept.
class DateEntryBox final : public Control {
 public:
  DateEntryBox(Window& window, std::string name);

  automation::Date value() const { return value_; }
  void setValue(automation::Date d);
  // Any value the platform converts to a date (error 13 otherwise).
  void setValue(const automation::Variant& v);
  // The value as shown: the regional short date.
  std::string text() const;
  const ThemeColors& themeColors() const { return theme_; }
  void setThemeColors(const ThemeColors& colors);

  std::function<void()> onChange;

 private:
  TypeResult operatorTypeText(const std::string& text) override;
  automation::Date value_;
  ThemeColors theme_;
};

// A number box. Its value is a Double; it is shown through `format` (regional::format) when
// `format` is not empty, else as the platform writes a Double. Typed text is read with the
// regional settings; text that is not a number is refused and the value kept.
class NumberEntryBox final : public Control {
 public:
  NumberEntryBox(Window& window, std::string name);

  double value() const { return value_; }
  // The value as a Variant holding a Double (the box's default property).
  automation::Variant valueVariant() const { return automation::Variant(value_); }
  void setValue(double v);
  // Any value the platform converts to a Double (regional text, Currency, ...): error 13
  // otherwise, 94 for Null.
  void setValue(const automation::Variant& v);
  const std::string& format() const { return format_; }
  void setFormat(std::string pattern);
  bool showCalc() const { return showCalc_; }
  void setShowCalc(bool on);
  // The value as shown.
  std::string text() const;
  const ThemeColors& themeColors() const { return theme_; }
  void setThemeColors(const ThemeColors& colors);

  std::function<void()> onChange;

 private:
  TypeResult operatorTypeText(const std::string& text) override;
  double value_ = 0;
  std::string format_;
  bool showCalc_ = false;
  ThemeColors theme_;
};

class StatusBar final : public Control {
 public:
  StatusBar(Window& window, std::string name);

  struct Panel {
    std::string text;
    int width = 1440;
    bool operator==(const Panel&) const = default;
  };
  // Panels are numbered from 1; a new status bar has one empty panel.
  int panelCount() const { return static_cast<int>(panels_.size()); }
  const std::string& panelText(int index) const;  // error 9 for a panel that does not exist
  void setPanelText(int index, std::string text);
  int panelWidth(int index) const;
  void setPanelWidth(int index, int width);
  // Appends a panel and returns its number.
  int addPanel(std::string text = {}, int width = 1440);
  const std::vector<Panel>& panels() const { return panels_; }

  // Docking (a status bar docks to the bottom edge unless told otherwise): a docked status bar
  // on the client area spans its width at that edge, keeping its height, whenever the window's
  // size or state changes (before the window's Resize event) and when it loads.
  enum class Dock { None = 0, Top = 1, Bottom = 2 };
  Dock dock() const { return dock_; }
  void setDock(Dock d);

  bool takesFocus() const override { return false; }

 private:
  const Panel& panel(int index) const;
  std::vector<Panel> panels_;
  Dock dock_ = Dock::Bottom;
};

}  // namespace forms
