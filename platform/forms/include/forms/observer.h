#pragma once
// Following the model: a view (the Qt view) or a driver (the script driver prints show, unload
// and message box events from here) registers an Observer with the Application and hears of
// every change. Notifications are coarse: a view re-reads what it shows from the model.

namespace forms {

class Window;
class Control;
class Grid;
class MessageBox;

class Observer {
 public:
  virtual ~Observer() = default;

  // The window object came into being / is being destroyed (its destructor is running).
  virtual void windowCreated(Window&) {}
  virtual void windowDestroyed(Window&) {}
  // The window was loaded: its controls exist now (after its design values are set, before its
  // Load handler runs).
  virtual void windowLoaded(Window&) {}
  // The window was unloaded: a view must drop every Control* of it now (the objects are destroyed
  // later, once the outermost event handler has returned).
  virtual void windowUnloaded(Window&) {}
  // The window became visible (modal: shown modally) / was hidden.
  virtual void windowShown(Window&, bool /*modal*/) {}
  virtual void windowHidden(Window&) {}
  // Caption, geometry, window state, colours, font or another window setting changed.
  virtual void windowChanged(Window&) {}

  // Any property of a control changed (text, caption, value, geometry, enabled, colours, the
  // grid's current cell, ...).
  virtual void controlChanged(Control&) {}
  // Cell texts of rows firstRow..lastRow (inclusive) changed.
  virtual void gridCellsChanged(Grid&, int /*firstRow*/, int /*lastRow*/) {}
  // Rows, columns, fixed rows, column widths or alignments changed, or the grid was cleared, or
  // drawing was switched back on: re-read everything.
  virtual void gridShapeChanged(Grid&) {}

  // The focus of a window moved (focused may be nullptr: no control has the focus).
  virtual void focusChanged(Window&, Control* /*focused*/) {}

  // A message box, warning, question or error box opened / was answered.
  virtual void messageBoxOpened(MessageBox&) {}
  virtual void messageBoxClosed(MessageBox&) {}
};

}  // namespace forms
