#pragma once
// Test windows built from a lambda, and a harness that runs scripts through the driver.

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "../automation/error_of.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/driver.h"
#include "forms/grid.h"
#include "forms/window.h"

namespace forms::test {

using Log = std::vector<std::string>;

// A window whose controls come from a builder; handlers write into `log`.
class TestWindow final : public Window {
 public:
  using Builder = std::function<void(TestWindow&)>;
  TestWindow(std::string name, Builder builder) : Window(std::move(name)), builder_(std::move(builder)) {}

  template <class T>
  T& make(std::string name, Rect geometry = {}, Control* container = nullptr) {
    return add<T>(std::move(name), geometry, container);
  }
  void design(const std::vector<ControlDesign>& rows) { addDesign(rows); }
  // A handler that writes `entry` into the log.
  std::function<void()> logs(std::string entry) {
    return [this, entry] { log.push_back(entry); };
  }

  std::vector<std::string> log;  // the window object's own field: survives unloads
  int builds = 0;

  nlohmann::json stateJson() const override { return {{"log", log}}; }

 protected:
  void build() override {
    ++builds;
    builder_(*this);
  }

 private:
  Builder builder_;
};

inline std::shared_ptr<TestWindow> makeWindow(std::string name, TestWindow::Builder builder) {
  return std::make_shared<TestWindow>(std::move(name), std::move(builder));
}

class ScriptTest : public ::testing::Test {
 protected:
  // Runs a script; the output lines are kept in `lines`.
  int run(const std::string& script) {
    out_.str("");
    ScriptDriver driver(app, out_);
    if (go) driver.onGo(go);
    std::istringstream in(script);
    const int status = driver.run(in);
    lines.clear();
    std::istringstream text(out_.str());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return status;
  }
  // The output lines as JSON.
  std::vector<nlohmann::json> events() const {
    std::vector<nlohmann::json> out;
    for (const auto& l : lines) out.push_back(nlohmann::json::parse(l));
    return out;
  }
  // Only the "event" names, in order.
  std::vector<std::string> eventNames() const {
    std::vector<std::string> out;
    for (const auto& e : events()) out.push_back(e["event"].get<std::string>());
    return out;
  }
  nlohmann::json lastDumpOf(const std::string& window) const {
    nlohmann::json found;
    for (const auto& e : events())
      if (e["event"] == "dump")
        for (const auto& w : e["windows"])
          if (w["name"] == window) found = w;
    return found;
  }

  Application app{regional::RegionalSettings::fromLocale("en_US")};
  std::function<void(const std::string&)> go;
  std::vector<std::string> lines;

 private:
  std::ostringstream out_;
};

}  // namespace forms::test
