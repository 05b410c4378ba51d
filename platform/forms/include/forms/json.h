#pragma once
// The JSON the script driver prints: dumps of windows and controls, and values written as the
// output format wants them (Currency "-12.5000", dates "YYYY-MM-DD", whole numbers as numbers).
// Window classes use jsonValue() in their stateJson().

#include <nlohmann/json.hpp>

#include "automation/variant.h"

namespace forms {

class Application;
class Window;
class Control;

// A value for JSON output: Empty/Null -> null; Integer, Long -> number; Double -> a whole number
// when it has no fraction, else a number; Currency -> "-12.5000"; String -> text; Date ->
// "YYYY-MM-DD" (zero date "1899-12-30"; with a time of day "YYYY-MM-DDTHH:MM:SS"); Boolean ->
// true/false; Object -> null.
nlohmann::json jsonValue(const automation::Variant& value);
nlohmann::ordered_json orderedJsonValue(const automation::Variant& value);

// A control as `dump` writes it: kind, container, enabled, visible, left, top, width, height,
// tabIndex, then by kind caption / text / value / format, and for grids rows, cols, fixedRows,
// row, col, colWidths, cells.
nlohmann::ordered_json controlJson(const Control& control);
// A loaded window as `dump` writes it: name, caption, visible, modal, windowState, left, top,
// width, height, clientWidth, clientHeight, activeControl, statusText, controls, state.
nlohmann::ordered_json windowJson(const Window& window);
// {"event":"dump","windows":[every loaded window in creation order]}.
nlohmann::ordered_json dumpJson(const Application& app);

// One output line: compact, UTF-8 as it is (invalid bytes replaced), no trailing newline.
std::string jsonLine(const nlohmann::ordered_json& j);

}  // namespace forms
