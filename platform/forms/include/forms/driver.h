#pragma once
// The headless script driver: runs the operator script language line by line against the
// Application's windows and prints the JSON events (one per line):
//   show {window, caption, modal}   unload {window}   message {text}   warning {text}
//   question {text}   error {number, description, source}   dump {windows}   echo {text}
//   script-error {line, text}
//
// Lines: go [CODE], focus CONTROL, type TEXT, tab, backtab, key NAME (ENTER, SPACE, ESC, F2 or
// one character), click CONTROL, cell ROW COL, dblclick ROW COL, ok, yes, no, close, resize W H,
// maximize, minimize, restore, dump, shot FILE, echo TEXT. Blank lines and lines starting with
// '#' are ignored; arguments are separated by blanks; "..." quotes an argument (with \" and
// \\ as escapes inside; "" is the empty text). Command and key names and control names ignore case.
// Everything goes to the active window: the open message box, else the top-most visible window
// (modal first).
//
// Modal windows and message boxes: the driver is the Application's modal-loop provider; while
// one is open, the following lines run inside its nested loop until it closes.
//
// Script errors (a line that does not apply, an unknown command or control, bad arguments, the
// end of the script while a modal window or message box is open) print script-error and end the
// run with exit status 2. Inside nested loops the driver unwinds with ScriptAbort, which does not
// derive from std::exception, so event handlers' error boxes never catch it. The line number of
// "end of script while ... is open" is the number of lines read plus one.
//
// Notes on the operator actions:
// - `type` replaces the focused control's content without KeyPress events; a date or number
//   box refuses text that is not a date or number (silently: the value is kept). A control that
//   takes no text is a script error.
// - `key` with a character adds it to a text or code box after the KeyPress handlers (date and
//   number boxes take their text through `type` only); Space presses a focused button and ticks
//   a focused check box or option button.
// - `key` runs the key through the window (Enter presses the default button, or the focused
//   button; Esc the cancel button; neither runs KeyPress nor moves the focus); other keys run
//   the window's KeyPress (key preview) and the control's. Keys while a message box is open are
//   script errors: answer it with ok / yes / no.
// - Clicking or focusing a disabled control does nothing; an invisible control is a script error.
// - `close` on a message, warning or error box is ok; on a question it is a script error.
// - `go` runs the host's hook like an event handler: an error escaping it opens an error box.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "forms/application.h"

namespace forms {

class Window;
class Control;

// Thrown by the driver to end the run from inside nested loops. Not a std::exception.
struct ScriptAbort {
  int line = 0;
  std::string text;
};

class ScriptDriver final : public ModalLoop {
 public:
  // Events go to `out`. The driver registers itself with the Application for the length of run().
  ScriptDriver(Application& app, std::ostream& out);
  ~ScriptDriver() override;

  // The host's `go`: receives CODE ("" when omitted). Without a hook, `go` is a script error.
  void onGo(std::function<void(const std::string& code)> hook);
  // `shot FILE` (the Qt view provides it). Without a hook, `shot` is the script error
  // "shot needs --ui qt".
  void onShot(std::function<void(Window& window, const std::string& file)> hook);

  // Runs the whole script; returns the exit status (0, or 2 after a script error). `out` is
  // flushed after every line.
  int run(std::istream& in);
  // A file, or "-" for standard input. Returns 1 (with a message on stderr) when the file
  // cannot be read.
  int runFile(const std::filesystem::path& path);

  void runModalLoop(const std::function<bool()>& finished) override;

  // Splits a line into its arguments; nullopt (with the reason in *error) for a malformed line
  // (an unterminated quote, a quote inside a word, text right after a closing quote).
  static std::optional<std::vector<std::string>> tokenize(std::string_view line, std::string* error = nullptr);

 private:
  class Printer;
  bool nextLine(std::string& line);
  void execute(const std::string& line);
  [[noreturn]] void fail(std::string text) const;
  void emit(const nlohmann::ordered_json& j);
  Window& requireActiveWindow(std::string_view command);
  Control& requireControl(Window& w, const std::string& name);
  int parseInt(const std::string& text, std::string_view what) const;

  Application& app_;
  std::ostream& out_;
  std::istream* in_ = nullptr;
  int lineNo_ = 0;
  std::function<void(const std::string&)> go_;
  std::function<void(Window&, const std::string&)> shot_;
  std::unique_ptr<Printer> printer_;
};

}  // namespace forms
