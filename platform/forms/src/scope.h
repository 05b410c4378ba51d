#pragma once
// Counting of running event handlers: unloaded windows and their controls are destroyed only when
// the outermost one has returned.

#include "forms/application.h"

namespace forms::detail {

class EventScope final {
 public:
  explicit EventScope(Application& app);
  ~EventScope();
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  Application& app_;
};

}  // namespace forms::detail
