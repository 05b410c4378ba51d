#pragma once
// A forms::Application with the Qt view attached and helpers to reach the widgets of a window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include <memory>
#include <ostream>
#include <string>

#include "forms/application.h"
#include "forms/controls.h"
#include "forms/design.h"
#include "forms/grid.h"
#include "forms/window.h"
#include "forms_qt/qt_view.h"
#include "regional/regional_settings.h"
#include "test_windows.h"

inline std::ostream& operator<<(std::ostream& os, const QRect& r) {
  return os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << "x" << r.height() << ")";
}
inline std::ostream& operator<<(std::ostream& os, const QSize& s) { return os << "QSize(" << s.width() << "x" << s.height() << ")"; }

namespace forms_qt_test {

using namespace forms;

class ViewTest : public ::testing::Test {
 protected:
  forms::Application app{regional::RegionalSettings::fromLocale("es_VE")};
  std::unique_ptr<forms_qt::QtView> view = std::make_unique<forms_qt::QtView>(app);

  // Design pixels: 15 twips a pixel at the 96 dots per inch of the offscreen screen.
  static QRect px(const forms::Rect& r) { return QRect(r.left / 15, r.top / 15, r.width / 15, r.height / 15); }

  std::shared_ptr<TestWindow> showTestWindow() {
    auto w = std::make_shared<TestWindow>();
    w->move(600, 600);
    w->show();
    view->processEvents();
    return w;
  }

  QWidget* widget(forms::Window& w, const char* control) {
    forms::Control* c = w.control(control);
    EXPECT_NE(c, nullptr) << control;
    return c != nullptr ? view->controlWidget(*c) : nullptr;
  }
  template <class T>
  T* widgetAs(forms::Window& w, const char* control) {
    return dynamic_cast<T*>(widget(w, control));
  }
  // Where keys typed into a control go (its editor).
  QWidget* keyTarget(forms::Window& w, const char* control) {
    QWidget* wd = widget(w, control);
    if (wd == nullptr || wd->inherits("QLineEdit") || wd->inherits("QAbstractSpinBox") || wd->inherits("QAbstractItemView"))
      return wd;
    if (auto* edit = wd->findChild<QLineEdit*>()) return edit;
    return wd;
  }
  std::string activeName(forms::Window& w) {
    forms::Control* c = w.activeControl();
    return c != nullptr ? c->name() : std::string("(none)");
  }
};

}  // namespace forms_qt_test
