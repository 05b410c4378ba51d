#pragma once
// QtView: real windows for the forms runtime. The model (forms::Application and its windows)
// stays the only truth; the view is a thin mirror with no state of its own:
//
// - It observes the Application and keeps one top-level widget per loaded window and one child
//   widget per control, placed at the control's twips geometry (1440 twips an inch, at the
//   screen's dots per inch), re-reading what it shows from the model on every notification.
// - Operator input on those widgets (clicks, typing, keys, focus changes, double clicks,
//   resizing, window state changes, the close box) goes to the window's operator entry points,
//   the same ones the script driver uses, so validation, key preview and the default and cancel
//   buttons behave exactly as in a script.
// - It is the Application's modal-loop provider: a modal window or message box runs a nested
//   QEventLoop until the model says it is finished.
// - While it is attached the Application measures text with the real fonts.
//
// Input is taken only while the view is the modal-loop provider. When a script driver runs
// (it makes itself the provider), the view only mirrors: actions come from the script.
//
// Qt stays inside this library: the header names Qt classes only by declaration.

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "forms/application.h"
#include "forms/observer.h"

class QApplication;
class QWidget;

namespace forms {
class Window;
class Control;
class Grid;
class MessageBox;
}  // namespace forms

namespace forms_qt {

class QtView final : public forms::Observer, public forms::ModalLoop {
 public:
  // Creates the QApplication (with argc and argv, which must outlive the view) when the process
  // has none yet, and a view attached to `app`.
  static std::unique_ptr<QtView> attach(forms::Application& app, int& argc, char** argv);

  // Attaches to `app`. A QApplication must exist. Windows already loaded get their widgets now.
  explicit QtView(forms::Application& app);
  ~QtView() override;
  QtView(const QtView&) = delete;
  QtView& operator=(const QtView&) = delete;

  forms::Application& application() const { return app_; }

  // Interactive mode: runs the event loop until no window of the application is visible any
  // more. Returns 0 (or the code given to QCoreApplication::exit).
  int exec();

  // The script driver's `shot FILE` (ScriptDriver::onShot): a PNG of the window as shown.
  std::function<void(forms::Window&, const std::string&)> shotHook();
  // Writes a PNG of the window's client area. std::runtime_error when the window has no widget
  // or the file cannot be written.
  void saveShot(forms::Window& window, const std::string& file);

  // Takes the Application's screen size (in twips) from the primary screen: interactive mode.
  // Scripts keep the size the host was given, so that their placements are reproducible.
  void useScreenSize();

  // Brings the widgets up to date (coalesced grid updates) and processes pending Qt events.
  void processEvents();

  // A stream that hands `source` out line by line and processes Qt events before each line:
  // the script driver reads from it so that the windows are redrawn after every action.
  std::unique_ptr<std::istream> pumpingInput(std::istream& source);

  // Opens a document (a printed PDF) with the desktop's viewer. False when nothing opened it.
  static bool openDocument(const std::string& path);

  // ---- The widgets (for tests and benchmarks) ----
  // The top-level widget of a loaded window, or nullptr.
  QWidget* windowWidget(const forms::Window& window) const;
  // The widget of a control of a loaded window, or nullptr.
  QWidget* controlWidget(const forms::Control& control) const;
  // The dialog of the open message box on top, or nullptr.
  QWidget* messageBoxWidget() const;
  // Twips per pixel, horizontally and vertically.
  double twipsPerPixelX() const;
  double twipsPerPixelY() const;

  // ---- forms::ModalLoop ----
  void runModalLoop(const std::function<bool()>& finished) override;

  // ---- forms::Observer ----
  void windowLoaded(forms::Window& w) override;
  void windowUnloaded(forms::Window& w) override;
  void windowDestroyed(forms::Window& w) override;
  void windowShown(forms::Window& w, bool modal) override;
  void windowHidden(forms::Window& w) override;
  void windowChanged(forms::Window& w) override;
  void controlChanged(forms::Control& c) override;
  void gridCellsChanged(forms::Grid& g, int firstRow, int lastRow) override;
  void gridShapeChanged(forms::Grid& g) override;
  void focusChanged(forms::Window& w, forms::Control* focused) override;
  void messageBoxOpened(forms::MessageBox& box) override;
  void messageBoxClosed(forms::MessageBox& box) override;

  class Impl;

 private:
  forms::Application& app_;
  std::unique_ptr<QApplication> ownedApp_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace forms_qt
