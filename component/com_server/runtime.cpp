#include "runtime.h"

#include <memory>

#include "forms/application.h"
#include "regional/regional_settings.h"

namespace tessaline::com_server {

namespace {
std::unique_ptr<forms::Application>& runtime() {
  static std::unique_ptr<forms::Application> app;
  return app;
}
}  // namespace

void ensureRuntime() {
  if (forms::Application::current() != nullptr) return;
  runtime() = std::make_unique<forms::Application>(regional::RegionalSettings::fromEnvironment());
}

void dropRuntime() {
  runtime().reset();
}

}  // namespace tessaline::com_server
