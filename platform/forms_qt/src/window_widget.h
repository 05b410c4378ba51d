#pragma once
// The top-level widget of one window: its area is the window's client area. What the operator
// does to the window itself (the close box, dragging its size or place, minimising) is passed to
// the view, which asks the model; the widget never decides by itself.

#include <QWidget>
#include <functional>

namespace forms {
class Window;
}

namespace forms_qt {

class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void closeRequested(forms::Window& w) = 0;
  virtual void resizedByOperator(forms::Window& w, QSize clientPx) = 0;
  virtual void movedByOperator(forms::Window& w, QPoint outerPx) = 0;
  virtual void stateChangedByOperator(forms::Window& w, Qt::WindowStates states) = 0;
  virtual void activated(forms::Window& w) = 0;
  // After every resize (the view docks the status bar).
  virtual void resized(forms::Window& w) = 0;
};

class WindowWidget final : public QWidget {
 public:
  WindowWidget(forms::Window& window, WindowEvents& events);

  // nullptr once the window was unloaded.
  forms::Window* window() const { return window_; }
  void detach() { window_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  forms::Window* window_;
  WindowEvents& events_;
};

}  // namespace forms_qt
