// The Qt view with a long list: the time to show the view tests' window and to drag its grid's
// scroll bar from top to bottom, with 50 and with 50,000 rows, in the same run.
//   QT_QPA_PLATFORM=offscreen build-*/bin/bench_view
// Show: from Window::show until the first picture of the window is drawn (the widgets are
// created while the window loads, as in the program). Scroll: the thumb dragged from top to
// bottom in 20 steps, the grid redrawn at each. Load: the rows written into the grid of a
// window that is already on screen, up to its next picture.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <memory>

#include "forms/application.h"
#include "forms_qt/qt_view.h"
#include "regional/regional_settings.h"
#include "test_windows.h"

namespace {

using forms_qt_test::TestWindow;

struct Session {
  forms::Application app{regional::RegionalSettings::fromLocale("es_VE")};
  forms_qt::QtView view{app};
  std::shared_ptr<TestWindow> window = std::make_shared<TestWindow>();

  QTableView& grid() { return *dynamic_cast<QTableView*>(view.controlWidget(*window->control("lista"))); }
  void draw() {
    view.processEvents();
    QWidget* top = view.windowWidget(*window);
    benchmark::DoNotOptimize(top->grab());
  }
};

void BM_ShowWindow(benchmark::State& state) {
  Session s;
  const int rows = static_cast<int>(state.range(0));
  // Fonts, styles and icons are loaded on the first show of the process: not part of the figure.
  s.window->show();
  s.draw();
  for (auto _ : state) {
    state.PauseTiming();
    s.window->unload();
    s.view.processEvents();
    s.window->load();
    s.window->fillRows(rows);
    state.ResumeTiming();
    s.window->show();
    s.draw();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_ShowWindow)->Arg(50)->Arg(50000)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ScrollTopToBottom(benchmark::State& state) {
  Session s;
  const int rows = static_cast<int>(state.range(0));
  s.window->fillRows(rows);
  s.window->show();
  s.draw();
  QTableView& grid = s.grid();
  QScrollBar* bar = grid.verticalScrollBar();
  for (auto _ : state) {
    bar->setValue(0);
    constexpr int kSteps = 20;
    for (int i = 1; i <= kSteps; ++i) {
      bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / kSteps));
      grid.viewport()->repaint();
    }
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_ScrollTopToBottom)->Arg(50)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_LoadIntoShownWindow(benchmark::State& state) {
  Session s;
  const int rows = static_cast<int>(state.range(0));
  s.window->show();
  s.draw();
  for (auto _ : state) {
    state.PauseTiming();
    s.window->fillRows(0);
    s.draw();
    state.ResumeTiming();
    s.window->fillRows(rows);
    s.draw();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_LoadIntoShownWindow)->Arg(50)->Arg(50000)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
