#pragma once
// One widget class per kind of control. Each mirrors its control: sync() re-reads everything it
// shows from the model; what the operator does reaches the model through the InputSink (the
// view), never by changing the widget's own state first. The view places the widgets; sync()
// does not touch their geometry.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>

#include "convert.h"
#include "forms/control.h"
#include "forms/controls.h"

namespace forms_qt {

// Where the widgets send what the operator did.
class InputSink {
 public:
  virtual ~InputSink() = default;
  // A button, option button, check box or label was clicked.
  virtual void controlClicked(forms::Control& control) = 0;
  // The operator changed the text of a text box or the date of a date box in the editor: the
  // text goes to the model as typed (`type`).
  virtual void editorChanged(forms::Control& control, const std::string& text) = 0;
  // The search button of a code box (F2 with the mouse).
  virtual void lookupRequested(forms::Control& control) = 0;
  // The popup of a date or number box (calendar, calculator) produced a value, as text to type.
  virtual void popupResult(forms::Control& control, const std::string& text) = 0;
};

class ControlView {
 public:
  ControlView(forms::Control& control, InputSink& sink) : control_(&control), sink_(sink) {}
  virtual ~ControlView() = default;
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  // nullptr once the control's window was unloaded (the widget is about to go).
  forms::Control* control() const { return control_; }
  void detach() { control_ = nullptr; }

  virtual QWidget* widget() = 0;
  // The widget that holds the keyboard focus while the control has it.
  virtual QWidget* focusTarget() { return widget(); }
  // Re-reads the control's settings.
  virtual void sync(const Scale& scale) = 0;
  // Drawn on its container's surface (labels and shapes): beneath the controls that are windows.
  virtual bool lightweight() const { return false; }
  // Date and number boxes: typed text not given to the model yet.
  virtual bool hasPendingEdit() const { return false; }
  virtual std::string pendingText() const { return {}; }
  virtual void dropPendingEdit() {}

 protected:
  forms::Control* control_;
  InputSink& sink_;
};

// The themed colours of an entry box for its state: focused, disabled or plain.
struct EntryLook {
  forms::Color back;
  forms::Color fore;
  forms::Color border;
};
EntryLook entryLook(const forms::Control& c, const forms::ThemeColors& theme);

// ---------------------------------------------------------------------------------------------

class LabelWidget final : public QLabel, public ControlView {
 public:
  LabelWidget(forms::Label& label, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;
  bool lightweight() const override { return true; }
  // A label of fixed size one line high shows its whole text: it grows to the side its alignment
  // leaves free, by at most the room given (pixels), and then takes a smaller size of its face.
  void fitOneLine(int roomLeft, int roomRight);
};

class ShapeWidget final : public QWidget, public ControlView {
 public:
  ShapeWidget(forms::Shape& shape, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;
  bool lightweight() const override { return true; }

 protected:
  void paintEvent(QPaintEvent* e) override;
};

class FrameWidget final : public QWidget, public ControlView {
 public:
  FrameWidget(forms::Frame& frame, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 protected:
  void paintEvent(QPaintEvent* e) override;
};

// The themed command button: a flat face in the scheme's colour, the picture at the left, the
// caption centred.
class ActionButtonWidget final : public QAbstractButton, public ControlView {
 public:
  ActionButtonWidget(forms::ActionButton& button, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  int labelXPx_ = 6;
};

// Option buttons and check boxes show the model's value only: a click does not change the
// widget, it asks the model, and the model's answer comes back through sync().
class OptionButtonWidget final : public QRadioButton, public ControlView {
 public:
  OptionButtonWidget(forms::OptionButton& button, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 protected:
  void nextCheckState() override {}
};

class CheckBoxWidget final : public QCheckBox, public ControlView {
 public:
  CheckBoxWidget(forms::CheckBox& box, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 protected:
  void nextCheckState() override {}
};

// Code boxes and reference boxes. Each edit goes to the model at once.
class TextEntryWidget final : public QLineEdit, public ControlView {
 public:
  TextEntryWidget(forms::TextEntry& entry, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 private:
  QString styleSheet_;
};

// A date or number box: an editor and a button that opens a popup (calendar, calculator). The
// editor shows the value as the model shows it; typed text stays there until the operator leaves
// the box (or presses a key that acts on the window), then goes to the model, which takes it or
// refuses it and keeps its value. What the popup chooses goes to the model at once.
class PopupEntryWidget : public QWidget, public ControlView {
 public:
  PopupEntryWidget(forms::Control& control, InputSink& sink, QWidget* parent, const char* buttonName);
  QWidget* widget() override { return this; }
  QWidget* focusTarget() override { return edit_; }
  bool hasPendingEdit() const override { return pending_; }
  std::string pendingText() const override { return utf8(edit_->text()); }
  void dropPendingEdit() override;
  QLineEdit* editor() const { return edit_; }

 protected:
  // The model's text, the button shown or not, the colours of the box's state.
  void syncEntry(const QString& modelText, bool showButton, const EntryLook& look);
  virtual void openPopup() = 0;
  // Places a popup under the box's right edge and shows it.
  void showPopup(QWidget* popup);
  QLineEdit* edit_;
  QToolButton* button_;

 private:
  bool pending_ = false;
  QString shownModelText_;
  QString styleSheet_;
};

// A date box: the regional short date, typed as text; F4 or Alt+Down opens a calendar in the
// regional language.
class DateEntryWidget final : public PopupEntryWidget {
 public:
  DateEntryWidget(forms::DateEntryBox& box, InputSink& sink, QWidget* parent);
  void sync(const Scale& scale) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void openPopup() override;
};

// A number box; with showcalc a calculator button.
class NumberEntryWidget final : public PopupEntryWidget {
 public:
  NumberEntryWidget(forms::NumberEntryBox& box, InputSink& sink, QWidget* parent);
  void sync(const Scale& scale) override;

 private:
  void openPopup() override;
};

class StatusBarWidget final : public QWidget, public ControlView {
 public:
  StatusBarWidget(forms::StatusBar& bar, InputSink& sink, QWidget* parent);
  QWidget* widget() override { return this; }
  void sync(const Scale& scale) override;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  std::vector<forms::StatusBar::Panel> panels_;
  Scale scale_;
};

}  // namespace forms_qt
