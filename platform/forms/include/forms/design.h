#pragma once
// A window's design as data: one row a control, in creation order, with its kind, name, container,
// place and the design values the window gives it. Window::addDesign creates the rows' controls;
// build() then wires the handlers and does what is not a plain value (grid and theme colours).
//
//   const forms::ControlDesign kDesign[] = {
//       {Label, "Label1", "", {90, 180, 480, 195}, "Importe:", 0, {.autoSize = true}},
//       {NumberEntryBox, "Velnor1", "", {975, 120, 2160, 315}, "", 1, {.showCalc = true}},
//       {ActionButton, "cbOk", "", {45, 615, 1515, 510}, "Aceptar", 2, {.isDefault = true}},
//   };
//   addDesign(kDesign);
//
// A value the row's kind does not have (a format on a label, a caption on a grid) or a container
// that is not a frame of an earlier row is a mistake in the design: addDesign throws
// std::logic_error naming the control.

#include <optional>
#include <string>
#include <string_view>

#include "forms/control.h"
#include "forms/types.h"

namespace forms {

// The design values a row may give its control; an empty one keeps the kind's default.
struct DesignValues {
  std::optional<Color> back = {};
  std::optional<Color> fore = {};
  std::optional<Alignment> alignment = {};  // labels, text and code boxes
  bool autoSize = false;                    // labels
  std::optional<int> border = {};           // labels and frames: the border style (0 none, 1 fixed single)
  std::optional<Color> borderColor = {};    // shapes
  std::optional<bool> enabled = {};
  std::optional<int> value = {};            // option buttons (0, 1), check boxes (0, 1, 2), number boxes
  std::string_view format = {};             // grids: the format string; number boxes: the display format
  bool showCalc = false;                    // number boxes
  bool isDefault = false;                   // action buttons: Enter presses it
  bool isCancel = false;                    // action buttons: Esc presses it
  std::optional<bool> causesValidation = {};
};

struct ControlDesign {
  ControlKind kind;
  std::string name;
  std::string container = {};  // the name of a Frame in an earlier row; "" for the client area
  Rect rect = {};              // twips, relative to the container
  std::string caption = {};    // caption (labels, buttons, frames, check boxes), text (text and code boxes)
  int tabIndex = -1;           // -1: as the creation order gives it
  DesignValues values = {};
};

}  // namespace forms
