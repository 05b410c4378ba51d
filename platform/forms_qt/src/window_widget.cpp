#include "window_widget.h"

#include <QCloseEvent>
#include <QMoveEvent>
#include <QResizeEvent>

namespace forms_qt {

WindowWidget::WindowWidget(forms::Window& window, WindowEvents& events)
    : QWidget(nullptr, Qt::Window), window_(&window), events_(events) {
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_QuitOnClose, false);
}

void WindowWidget::closeEvent(QCloseEvent* e) {
  // The model decides (QueryUnload and Unload may refuse); it hides the widget when it unloads.
  e->ignore();
  if (window_ != nullptr) events_.closeRequested(*window_);
}

void WindowWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (window_ == nullptr) return;
  events_.resizedByOperator(*window_, e->size());
  if (window_ != nullptr) events_.resized(*window_);
}

void WindowWidget::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (window_ != nullptr && isVisible()) events_.movedByOperator(*window_, pos());
}

void WindowWidget::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (window_ == nullptr) return;
  if (e->type() == QEvent::WindowStateChange)
    events_.stateChangedByOperator(*window_, windowState());
  else if (e->type() == QEvent::ActivationChange && isActiveWindow())
    events_.activated(*window_);
}

}  // namespace forms_qt
