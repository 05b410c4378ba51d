// What a view hears while the model changes.
#include <gtest/gtest.h>

#include "harness.h"

namespace forms::test {
namespace {

using Log = std::vector<std::string>;

class Recorder final : public Observer {
 public:
  void windowLoaded(Window& w) override { log.push_back("loaded " + w.name()); }
  void windowUnloaded(Window& w) override { log.push_back("unloaded " + w.name()); }
  void windowShown(Window& w, bool modal) override { log.push_back("shown " + w.name() + (modal ? " modal" : "")); }
  void windowHidden(Window& w) override { log.push_back("hidden " + w.name()); }
  void controlChanged(Control& c) override { log.push_back("changed " + c.name()); }
  void gridCellsChanged(Grid&, int first, int last) override {
    log.push_back("cells " + std::to_string(first) + "-" + std::to_string(last));
  }
  void gridShapeChanged(Grid& g) override { log.push_back("shape " + g.name()); }
  void focusChanged(Window&, Control* c) override { log.push_back("focus " + (c ? c->name() : std::string("none"))); }
  Log log;
};

class ObserverTest : public ScriptTest {
 protected:
  ObserverTest() { app.addObserver(&recorder); }
  ~ObserverTest() override { app.removeObserver(&recorder); }
  Recorder recorder;
};

TEST_F(ObserverTest, LoadShowChangesFocusAndUnload) {
  auto w = makeWindow("Vista", [](TestWindow& t) {
    t.make<Label>("etiqueta").setCaption("diseño");  // design values are not reported
    t.make<ReferenceTextBox>("texto");
    t.onLoad = [&t] { t.controlAs<Label>("etiqueta")->setCaption("cargada"); };
  });
  w->show();
  w->controlAs<ReferenceTextBox>("texto")->setText("hola");
  w->controlAs<ReferenceTextBox>("texto")->setText("hola");  // no change, no report
  w->unload();
  EXPECT_EQ(recorder.log, (Log{"loaded Vista", "changed etiqueta", "shown Vista", "focus texto", "changed texto",
                               "hidden Vista", "unloaded Vista"}));
}

TEST_F(ObserverTest, GridReportsCellsAndShapeAndHoldsBackWhileNotDrawing) {
  auto w = makeWindow("Vista", [](TestWindow& t) { t.make<Grid>("g"); });
  Grid& g = *w->controlAs<Grid>("g");
  recorder.log.clear();
  g.setTextMatrix(1, 1, "x");
  g.setRedraw(false);
  g.setRows(40);
  g.setTextMatrix(30, 0, "y");
  g.setRedraw(true);
  std::vector<std::string> igual{"", "x"}, otra{"", "z"};  // row 1 as it is: nothing to tell
  g.swapRowTexts(1, igual);
  g.swapRowTexts(2, otra);
  EXPECT_EQ(recorder.log, (Log{"cells 1-1", "changed g", "shape g", "cells 2-2"}));
}

TEST_F(ObserverTest, AnObserverMayRemoveItselfWhileBeingTold) {
  struct Once final : Observer {
    Application* app = nullptr;
    int calls = 0;
    void controlChanged(Control&) override {
      ++calls;
      app->removeObserver(this);
    }
  } once;
  once.app = &app;
  app.addObserver(&once);
  auto w = makeWindow("Vista", [](TestWindow& t) { t.make<Label>("l"); });
  w->controlAs<Label>("l")->setCaption("a");
  w->controlAs<Label>("l")->setCaption("b");
  EXPECT_EQ(once.calls, 1);
  EXPECT_EQ(recorder.log.back(), "changed l") << "the others are still told";
}

}  // namespace
}  // namespace forms::test
