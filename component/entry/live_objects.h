#pragma once
// Count of the component's objects that are alive (activators and windows), so that the module
// can tell its loader whether it may be unloaded.

namespace tessaline {

void objectCreated();
void objectDestroyed();
long liveObjects();

// Ties one object's life to the count: a member of every class the module hands out.
class LiveObject final {
 public:
  LiveObject() { objectCreated(); }
  LiveObject(const LiveObject&) { objectCreated(); }
  LiveObject& operator=(const LiveObject&) = default;
  ~LiveObject() { objectDestroyed(); }
};

}  // namespace tessaline
