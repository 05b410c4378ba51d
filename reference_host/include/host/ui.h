#pragma once
// What the host shows to the operator outside the component's windows: warnings and the
// document viewers. The program uses the forms runtime; tests may record instead.

#include <string>
#include <utility>
#include <vector>

#include "automation/error.h"

namespace host {

// A document as a viewer shows it: a title and labelled lines.
struct DocumentView {
  std::string windowName;  // e.g. "VisorFactura"
  std::string caption;     // e.g. "Factura A-0004210"
  std::vector<std::pair<std::string, std::string>> lines;  // label, value
};

class HostUi {
 public:
  virtual ~HostUi() = default;
  // A warning box; returns when the operator dismisses it.
  virtual void warning(const std::string& text) = 0;
  // An error box for a failure the component does not see (the work it belongs to stands).
  virtual void error(const automation::Error& e) = 0;
  // Opens a viewer window for the document (non-modal).
  virtual void showDocument(const DocumentView& doc) = 0;
};

}  // namespace host
