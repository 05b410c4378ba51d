#pragma once
// A headless forms runtime with an operator that answers every message box, and the fake host
// installed as the component's globals.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "entry/globales.h"
#include "fakes.h"
#include "../forms/operator.h"
#include "forms/application.h"

namespace harness {

using Operator = forms::test::Operator;

// A fresh per-user settings directory for each test.
inline std::filesystem::path freshConfigHome() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  auto dir = std::filesystem::temp_directory_path() /
             ("tessaline-component-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  ::setenv("TESSALINE_CONFIG_HOME", dir.c_str(), 1);
  return dir;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    configHome = freshConfigHome();
    tessaline::Globales::setFactoria(factory);
  }
  void TearDown() override { std::filesystem::remove_all(configHome); }

  std::filesystem::path configHome;
  forms::Application app;
  Operator op{app};
  std::shared_ptr<fakes::Factory> factory = std::make_shared<fakes::Factory>();
};

}  // namespace harness
