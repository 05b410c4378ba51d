#pragma once
// Window: the base class of every window. A window class derives from it and, in build(), sets
// its design values, creates its controls from its design table (design.h) and wires its handlers
// by name:
//
//   class fGetNumero : public forms::Window {
//    public:
//     fGetNumero() : Window("fGetNumero") {}
//    protected:
//     void build() override {
//       setCaption("...");
//       setBorderStyle(forms::BorderStyle::FixedDialog);
//       setClientSize(3390, 1440);
//       static const forms::ControlDesign design[] = {
//           {forms::ControlKind::Label, "Label1", "", {90, 180, 480, 195}, "Label1", 0, {.autoSize = true}},
//           {forms::ControlKind::ActionButton, "cbOk", "", {45, 615, 1515, 510}, "Aceptar", 1, {.isDefault = true}},
//       };
//       addDesign(design);
//       cbOk->onClick = [this] { cbOk_Click(); };
//       onLoad = [this] { Form_Load(); };
//     }
//    private:
//     forms::ControlRef<forms::Label> Label1{this, "Label1"};
//     forms::ControlRef<forms::ActionButton> cbOk{this, "cbOk"};
//   };
//   auto w = std::make_shared<fGetNumero>();   // windows are owned by shared_ptr
//
// Life cycle, as the platform has it:
// - The window object lives as long as its owners (shared_ptr); while it is loaded the
//   Application keeps it alive as well. Its own fields survive an unload.
// - Loading (on the first touch: any property, control or operation of the window, but not
//   name()) runs build() (design values), then the Load handler.
// - unload(): QueryUnload, then Unload (either may cancel); the window is hidden, the `unload`
//   event goes out and the controls are dropped. A window unloaded inside one of its own
//   handlers lives until the outermost handler returns (the rest of the handler still runs).
//   Touching it again loads it again (build() and Load run again, design values come back).
// - show(modal): loads if needed, becomes visible (`show` event), Resize runs on the first show
//   after a load, the focus goes to the first control in tab order that can take it. Modal: runs
//   the Application's nested loop until the window is hidden or unloaded. Showing a visible window
//   modally raises 400; showing a window non-modally while a modal window is open raises 401.
//
// Geometry: left/top/width/height are the outer rectangle in twips on the screen; a bordered
// window's outer size is its client size plus kFrameWidth x kFrameHeight (none: equal). Resize
// runs on every change of the outer size or of the window state (nested when a handler changes
// the size). Minimised, the window reports its normal rectangle; maximised, the whole screen.
// Moving or sizing a window that is not in the normal state raises 384.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "automation/variant.h"
#include "forms/control.h"
#include "forms/design.h"
#include "forms/types.h"

namespace forms {

class Application;
class Grid;
class StatusBar;

class Window : public std::enable_shared_from_this<Window> {
 public:
  explicit Window(std::string name);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Application& application() const { return app_; }
  // The window's name; reading it does not load the window.
  const std::string& name() const { return name_; }
  bool isLoaded() const { return state_ != LoadState::Unloaded; }
  // Loads the window when it is not loaded (build(), then Load).
  void load();
  // Counts loads: a ControlRef uses it to notice that the controls were re-created.
  uint64_t loadGeneration() const { return generation_; }

  // ---- Properties (each loads the window first) ----
  std::string caption() const;
  void setCaption(std::string caption);
  BorderStyle borderStyle() const;
  // Also sets the minimise and maximise buttons to what the style has by default (on for the
  // sizable styles, off for the others), as choosing the style at design time does.
  void setBorderStyle(BorderStyle style);
  bool controlBox() const;
  void setControlBox(bool on);
  bool minButton() const;
  void setMinButton(bool on);
  bool maxButton() const;
  void setMaxButton(bool on);
  bool showInTaskbar() const;
  void setShowInTaskbar(bool on);
  // Key preview: the window's KeyPress runs before the focused control's.
  bool keyPreview() const;
  void setKeyPreview(bool on);
  StartUpPosition startUpPosition() const;
  void setStartUpPosition(StartUpPosition p);
  Color backColor() const;
  void setBackColor(Color c);
  Color foreColor() const;
  void setForeColor(Color c);
  Font font() const;
  void setFont(const Font& f);
  void setFontName(std::string name);
  void setFontSize(double points);

  int left() const;
  int top() const;
  int width() const;
  int height() const;
  Rect outerRect() const;
  void setLeft(int v);
  void setTop(int v);
  void setWidth(int v);
  void setHeight(int v);
  // Moves (and sizes) in one step; omitted parts keep their value. One Resize at most.
  void move(int left, std::optional<int> top = {}, std::optional<int> width = {},
            std::optional<int> height = {});
  // The client area (inside the borders).
  int clientWidth() const;
  int clientHeight() const;
  void setClientSize(int width, int height);

  WindowState windowState() const;
  void setWindowState(WindowState s);

  bool visible() const;
  // True shows non-modally, False hides.
  void setVisible(bool on);
  // Shown modally right now.
  bool isModal() const { return modal_; }

  // ---- Operations ----
  void show(bool modal = false);
  void hide();
  // Unloads (QueryUnload with mode FromCode, then Unload). Returns false when a handler cancelled.
  // Unloading a window that is not loaded does nothing (and returns true).
  bool unload();

  // The control of that name (case-insensitive), or nullptr. Loads the window.
  Control* control(std::string_view name);
  template <class T>
  T* controlAs(std::string_view name) {
    return dynamic_cast<T*>(control(name));
  }
  // Every control, in creation order. Loads the window.
  std::vector<Control*> controls();
  // Every control of the current load, in creation order, without loading (empty when unloaded).
  std::vector<Control*> loadedControls() const;
  // The control that has the focus, or nullptr. Does not load the window.
  Control* activeControl() const { return isLoaded() ? active_ : nullptr; }
  // The window's first status bar / grid, or nullptr. Do not load the window.
  StatusBar* statusBar() const;
  Grid* firstGrid() const;
  // The default / cancel button, or nullptr. Do not load the window.
  Control* defaultButton() const;
  Control* cancelButton() const;
  // Controls that can take the focus now, in tab order (tab index, then creation order; tab stop
  // off excluded).
  std::vector<Control*> tabOrder() const;

  // ---- Operator input (the script driver and the Qt view) ----
  // Each goes through the same handling as the real action: focus changes with validation, key
  // preview, default and cancel buttons. A disabled control ignores clicks and focus.
  void operatorFocus(Control& control);  // clicks into the control
  void operatorTab(bool back);           // Tab / Shift+Tab
  void operatorKey(int key);             // a character code or keys::kF2
  TypeResult operatorType(const std::string& text);  // replaces the focused control's content
  void operatorClick(Control& control);              // focus first (if it takes focus), then click
  void operatorCell(Grid& grid, int row, int col);   // error 381 outside the grid
  void operatorDblClick(Grid& grid, int row, int col);
  // Drags a column border: the column takes the width (twips, 120 at least) and keeps it the next
  // time the window loads, when the Application keeps preferences. A hidden column (width 0)
  // stays hidden.
  void operatorColWidth(Grid& grid, int col, int width);
  void operatorClose();                              // the close box (QueryUnload mode CloseBox)
  void operatorResize(int width, int height);        // outer size; the window must be normal
  void operatorSetState(WindowState state);

  // ---- Window events ----
  std::function<void()> onLoad;
  std::function<void()> onResize;
  std::function<void()> onActivate;
  std::function<void(int16_t& keyAscii)> onKeyPress;
  std::function<void(bool& cancel, UnloadMode mode)> onQueryUnload;
  std::function<void(bool& cancel)> onUnload;

  // The window's own variables for `dump` ("state"). Default: an empty object.
  virtual nlohmann::json stateJson() const;

  // The window as a late-bound object of class "Form" (for the host's theme): Name (get),
  // Caption, BackColor, ForeColor, FontName, FontSize, Left, Top, Width, Height, WindowState,
  // Visible (get/let), ScaleWidth, ScaleHeight, BorderStyle (get), Move, Show, Hide (methods),
  // and Controls: Count, Item(i) from 0 in creation order, each control with Name (get),
  // BackColor and ForeColor (get/let). Touching a member loads the window. The object holds the window weakly: calls after the
  // window object is gone raise 91.
  automation::ObjectRef asObject();

  // Runs an event handler of this window or its controls: counts the handler depth (deferred
  // destruction), shows an escaping automation::Error or std::exception in an error box. Skipped
  // while the window is being built. Returns false when the handler ended with an error or the
  // window was unloaded meanwhile.
  bool runHandler(const std::function<void()>& handler);

 protected:
  // Creates the controls with their design values and sets the window's design values. Runs at
  // every load.
  virtual void build() {}

  // Creates a control of kind T (a class of controls.h or grid.h) inside `container` (a Frame of
  // this window) or the client area. Tab indexes follow creation order unless set.
  template <class T>
  T& add(std::string name, Rect geometry = {}, Control* container = nullptr) {
    static_assert(std::is_base_of_v<Control, T>);
    auto control = std::make_unique<T>(*this, std::move(name));
    T& ref = *control;
    adopt(std::move(control), geometry, container);
    return ref;
  }

  // Creates the controls of a design table, row by row in its order, each with its design values
  // (design.h). Throws std::logic_error for a row that does not fit its kind.
  void addDesign(std::span<const ControlDesign> rows);

 private:
  friend class Control;
  friend class Application;
  enum class LoadState { Unloaded, Building, Loaded };
  struct Props;

  void adopt(std::unique_ptr<Control> control, const Rect& geometry, Control* container);
  void touch() const;
  void windowChanged();
  void raiseResize();
  // Places the docked controls (status bars) at their edges of the client area.
  void dockControls();
  // The column widths the operator gave the window's grids, from the preferences.
  void restoreColumnWidths();
  friend class StatusBar;
  void setOuter(const Rect& r, bool sizeMayChange);
  void becomeVisible(bool modal);
  bool moveFocus(Control* target, bool validate);
  void focusFirst();
  void controlLostFocusability(Control& c);
  void pressButton(Control& button);
  bool unloadWith(UnloadMode mode);
  bool shown() const;
  void placeAtStart();
  Control* findControl(std::string_view name) const;

  Application& app_;
  std::string name_;
  LoadState state_ = LoadState::Unloaded;
  uint64_t generation_ = 0;
  std::unique_ptr<Props> props_;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* active_ = nullptr;
  bool modal_ = false;
  bool shownSinceLoad_ = false;
  int nextCreationIndex_ = 0;
  std::shared_ptr<automation::Object> formObject_;
};

// A window class's handle on one of its controls, by name. Every use loads the window when it is
// not loaded (so touching a control of an unloaded window loads it again) and finds the control
// of the current load. Throws std::logic_error when the window has no such control of kind T
// (a programming error), and automation error 364 when the window unloaded itself in its Load.
template <class T>
class ControlRef {
 public:
  ControlRef(Window* window, std::string name) : window_(window), name_(std::move(name)) {}

  T* get() const {
    window_->load();
    if (!window_->isLoaded()) throwUnloaded();
    if (cached_ == nullptr || generation_ != window_->loadGeneration()) {
      cached_ = window_->template controlAs<T>(name_);
      generation_ = window_->loadGeneration();
      if (cached_ == nullptr) throw std::logic_error("window " + window_->name() + " has no control " + name_ + " of that kind");
    }
    return cached_;
  }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  const std::string& name() const { return name_; }

 private:
  [[noreturn]] static void throwUnloaded();
  Window* window_;
  std::string name_;
  mutable T* cached_ = nullptr;
  mutable uint64_t generation_ = 0;
};

// Error 364 "Object was unloaded".
[[noreturn]] void raiseObjectUnloaded();

template <class T>
void ControlRef<T>::throwUnloaded() {
  raiseObjectUnloaded();
}

}  // namespace forms
