#pragma once
// The inside of QtView: the widgets of every loaded window, keyed by model object, and the
// routing of operator input to the model.

#include <QEventLoop>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTranslator>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "control_widgets.h"
#include "convert.h"
#include "forms/application.h"
#include "forms/grid.h"
#include "forms/message_box.h"
#include "forms/window.h"
#include "forms_qt/qt_view.h"
#include "grid_view.h"
#include "window_widget.h"

namespace forms_qt {

class QtView::Impl final : public QObject, public InputSink, public WindowEvents {
 public:
  Impl(QtView& view, forms::Application& app);
  ~Impl() override;

  struct Binding {
    forms::Window* window = nullptr;
    WindowWidget* widget = nullptr;
    std::vector<ControlView*> controls;          // creation order
    const forms::Control* focusShown = nullptr;  // the control the widgets last showed focused
  };

  // ---- Model to view ----
  Binding& bind(forms::Window& w);
  Binding* binding(const forms::Window& w) const;
  void unbind(const forms::Window& w);
  ControlView* view(const forms::Control& c) const;
  ControlView& ensureControl(Binding& b, forms::Control& c);
  void syncWindow(Binding& b);
  void syncControl(Binding& b, ControlView& v);
  void fitLabel(Binding& b, LabelWidget& label);
  void syncAllControls(Binding& b);
  void placeControl(Binding& b, ControlView& v);
  void restack(Binding& b, QWidget* container);
  void dockStatusBars(Binding& b);
  void showWindow(Binding& b, bool modal);
  void applyFocus(Binding& b);
  // After a window or box that had the keyboard went away: the model's active window takes it.
  void activateTopWindow();
  void markGrid(forms::Grid& g, int firstRow, int lastRow, bool shape, bool props);
  void flushGrids();
  void openMessageBox(forms::MessageBox& box);
  void closeMessageBox(forms::MessageBox& box);
  QWidget* topMessageBox() const;
  void scheduleQuitCheck();
  bool anyWindowVisible() const;

  // ---- Modal loops ----
  void runModalLoop(const std::function<bool()>& finished);
  void wakeModalLoops();
  int runMainLoop();

  // ---- View to model ----
  bool inputEnabled() const { return app_.modalLoop() == &view_; }
  // Runs operator input against the model: handler depth counted (so nothing unloaded is
  // destroyed while the input is being handled), errors shown in an error box, modal loops
  // woken afterwards.
  void dispatch(const std::function<void()>& action);
  // Number boxes: typed text goes to the model before anything else happens. False when the
  // model answered the text with a message: the operator's key or click has been answered and
  // does nothing more.
  bool commitPendingEdits(const ControlView* except = nullptr);
  bool commitPendingEdit(ControlView& v);
  bool handleKey(QObject* watched, QKeyEvent* e);
  bool handleControlKey(ControlView& v, QWidget* receiver, QKeyEvent* e);
  bool handleMouse(QObject* watched, QMouseEvent* e);
  void navigateGrid(GridWidget& gw, forms::Grid& g, int key, Qt::KeyboardModifiers mods);
  ControlView* controlViewOf(QWidget* w) const;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // InputSink
  void controlClicked(forms::Control& control) override;
  void editorChanged(forms::Control& control, const std::string& text) override;
  void lookupRequested(forms::Control& control) override;
  void popupResult(forms::Control& control, const std::string& text) override;

  // WindowEvents
  void closeRequested(forms::Window& w) override;
  void resizedByOperator(forms::Window& w, QSize clientPx) override;
  void movedByOperator(forms::Window& w, QPoint outerPx) override;
  void stateChangedByOperator(forms::Window& w, Qt::WindowStates states) override;
  void activated(forms::Window& w) override;
  void resized(forms::Window& w) override;

  // Deletes a widget now, or once the input being handled has finished.
  void dispose(QWidget* w);

  QtView& view_;
  forms::Application& app_;
  Scale scale_;
  QTranslator translator_;
  std::unordered_map<const forms::Window*, std::unique_ptr<Binding>> windows_;
  std::unordered_map<const forms::Control*, ControlView*> controls_;
  std::unordered_map<const QWidget*, ControlView*> byWidget_;

  struct DirtyGrid {
    int first = 0;
    int last = -1;
    bool shape = false;
    bool props = false;
  };
  std::unordered_map<forms::Grid*, DirtyGrid> dirtyGrids_;
  bool flushScheduled_ = false;

  struct OpenBox {
    forms::MessageBox* box;
    QPointer<QMessageBox> dialog;
  };
  std::vector<OpenBox> boxes_;
  int boxesOpened_ = 0;

  struct ModalEntry {
    QEventLoop* loop;
    const std::function<bool()>* finished;
  };
  std::vector<ModalEntry> modalLoops_;
  QEventLoop* mainLoop_ = nullptr;
  bool quitCheckScheduled_ = false;

  int dispatchDepth_ = 0;
  int passthrough_ = 0;  // synthesised key events on their way to an editor
  int applying_ = 0;     // the view is moving or sizing a window itself
};

}  // namespace forms_qt
