#pragma once
// What the operator chose for the look of a window that should outlive it (the widths of the
// list columns dragged wider or narrower), kept per user by the host: text values by section and
// key. Without preferences (Application::setPreferences) nothing is remembered.

#include <optional>
#include <string>

namespace forms {

class Preferences {
 public:
  virtual ~Preferences() = default;
  virtual std::optional<std::string> read(const std::string& section, const std::string& key) const = 0;
  // A failing write is the store's to report; the operator's action stands.
  virtual void write(const std::string& section, const std::string& key, const std::string& value) = 0;
};

}  // namespace forms
