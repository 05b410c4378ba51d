#include "forms/driver.h"

#include <charconv>
#include <fstream>
#include <iostream>

#include "automation/error.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "forms/json.h"
#include "forms/window.h"
#include "text/text.h"
#include "text/utf8.h"

namespace forms {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// Prints the events the runtime reports while the script runs.
class ScriptDriver::Printer final : public Observer {
 public:
  explicit Printer(ScriptDriver& driver) : driver_(driver) {}

  void windowShown(Window& w, bool modal) override {
    nlohmann::ordered_json j;
    j["event"] = "show";
    j["window"] = w.name();
    j["caption"] = w.caption();
    j["modal"] = modal;
    driver_.emit(j);
  }

  void windowUnloaded(Window& w) override {
    nlohmann::ordered_json j;
    j["event"] = "unload";
    j["window"] = w.name();
    driver_.emit(j);
  }

  void messageBoxOpened(MessageBox& box) override {
    nlohmann::ordered_json j;
    j["event"] = kindName(box.kind());
    if (box.kind() == MessageBox::Kind::Error) {
      j["number"] = box.number();
      j["description"] = box.description();
      j["source"] = box.source();
    } else {
      j["text"] = box.text();
    }
    driver_.emit(j);
  }

 private:
  ScriptDriver& driver_;
};

ScriptDriver::ScriptDriver(Application& app, std::ostream& out)
    : app_(app), out_(out), printer_(std::make_unique<Printer>(*this)) {}

ScriptDriver::~ScriptDriver() {
  app_.removeObserver(printer_.get());
  if (app_.modalLoop() == this) app_.setModalLoop(nullptr);
}

void ScriptDriver::onGo(std::function<void(const std::string&)> hook) { go_ = std::move(hook); }

void ScriptDriver::onShot(std::function<void(Window&, const std::string&)> hook) { shot_ = std::move(hook); }

void ScriptDriver::emit(const nlohmann::ordered_json& j) { out_ << jsonLine(j) << '\n'; }

void ScriptDriver::fail(std::string text) const { throw ScriptAbort{lineNo_, std::move(text)}; }

int ScriptDriver::run(std::istream& in) {
  in_ = &in;
  lineNo_ = 0;
  ModalLoop* previousLoop = app_.modalLoop();
  app_.setModalLoop(this);
  app_.addObserver(printer_.get());
  struct Restore {
    ScriptDriver& d;
    ModalLoop* loop;
    ~Restore() {
      d.app_.removeObserver(d.printer_.get());
      d.app_.setModalLoop(loop);
      d.in_ = nullptr;
    }
  } restore{*this, previousLoop};
  try {
    std::string line;
    while (nextLine(line)) execute(line);
    out_.flush();
    return 0;
  } catch (const ScriptAbort& abort) {
    nlohmann::ordered_json j;
    j["event"] = "script-error";
    j["line"] = abort.line;
    j["text"] = abort.text;
    emit(j);
    out_.flush();
    return 2;
  }
}

int ScriptDriver::runFile(const std::filesystem::path& path) {
  if (path == "-") return run(std::cin);
  std::ifstream file(path);
  if (!file) {
    std::cerr << "cannot read the script " << path.string() << '\n';
    return 1;
  }
  return run(file);
}

bool ScriptDriver::nextLine(std::string& line) {
  if (in_ == nullptr || !std::getline(*in_, line)) return false;
  ++lineNo_;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void ScriptDriver::runModalLoop(const std::function<bool()>& finished) {
  while (!finished()) {
    std::string line;
    if (!nextLine(line)) {
      ++lineNo_;
      std::string what;
      if (MessageBox* box = app_.activeMessageBox())
        what = std::string("a ") + kindName(box->kind()) + " box";
      else if (Window* w = app_.activeWindow())
        what = "window " + w->name();
      else
        what = "a modal window";
      fail("end of script while " + what + " is open");
    }
    execute(line);
  }
}

std::optional<std::vector<std::string>> ScriptDriver::tokenize(std::string_view line, std::string* error) {
  std::vector<std::string> out;
  auto bad = [&](const char* why) -> std::optional<std::vector<std::string>> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  size_t i = 0;
  const size_t n = line.size();
  while (true) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) break;
    std::string token;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < n) {
        const char c = line[i];
        if (c == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          token += line[i + 1];
          i += 2;
          continue;
        }
        if (c == '"') {
          closed = true;
          ++i;
          break;
        }
        token += c;
        ++i;
      }
      if (!closed) return bad("unterminated quote");
      if (i < n && !isBlank(line[i])) return bad("text right after a closing quote");
    } else {
      while (i < n && !isBlank(line[i])) {
        if (line[i] == '"') return bad("a quote inside a word");
        token += line[i++];
      }
    }
    out.push_back(std::move(token));
  }
  return out;
}

int ScriptDriver::parseInt(const std::string& text, std::string_view what) const {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) fail(std::string(what) + " must be a whole number: " + text);
  return value;
}

Window& ScriptDriver::requireActiveWindow(std::string_view command) {
  if (MessageBox* box = app_.activeMessageBox())
    fail(std::string(command) + ": a " + kindName(box->kind()) + " box is open (answer it with " +
         (box->isQuestion() ? "yes or no" : "ok") + ")");
  Window* w = app_.activeWindow();
  if (w == nullptr) fail(std::string(command) + ": no window is open");
  return *w;
}

Control& ScriptDriver::requireControl(Window& w, const std::string& name) {
  Control* c = w.control(name);
  if (c == nullptr) fail("window " + w.name() + " has no control " + name);
  if (!c->isEffectivelyVisible()) fail("control " + c->name() + " is not visible");
  return *c;
}

void ScriptDriver::execute(const std::string& rawLine) {
  size_t start = 0;
  while (start < rawLine.size() && isBlank(rawLine[start])) ++start;
  if (start == rawLine.size() || rawLine[start] == '#') {
    out_.flush();
    return;
  }
  const int line = lineNo_;
  std::string why;
  auto tokens = tokenize(rawLine, &why);
  if (!tokens) fail(why);
  const std::string command = text::lowerAscii((*tokens)[0]);
  std::vector<std::string> args(tokens->begin() + 1, tokens->end());
  auto expectArgs = [&](size_t min, size_t max) {
    if (args.size() < min || args.size() > max)
      fail(command + " takes " + (min == max ? std::to_string(min) : std::to_string(min) + " to " + std::to_string(max)) +
           " argument" + (max == 1 ? "" : "s"));
  };

  try {
    if (command == "go") {
      expectArgs(0, 1);
      if (!go_) fail("go needs a host");
      const std::string code = args.empty() ? std::string() : args[0];
      auto hook = go_;
      app_.runHandler([&] { hook(code); }, "go");
    } else if (command == "focus" || command == "click") {
      expectArgs(1, 1);
      Window& w = requireActiveWindow(command);
      Control& c = requireControl(w, args[0]);
      if (command == "focus") {
        if (!c.takesFocus()) fail("control " + c.name() + " does not take the focus");
        w.operatorFocus(c);
      } else {
        w.operatorClick(c);
      }
    } else if (command == "type") {
      expectArgs(1, 1);
      Window& w = requireActiveWindow(command);
      if (w.activeControl() == nullptr) fail("type: no control has the focus");
      if (w.operatorType(args[0]) == TypeResult::NoText)
        fail("type: control " + w.activeControl()->name() + " takes no text");
    } else if (command == "tab" || command == "backtab") {
      expectArgs(0, 0);
      requireActiveWindow(command).operatorTab(command == "backtab");
    } else if (command == "key") {
      expectArgs(1, 1);
      Window& w = requireActiveWindow(command);
      const std::string name = text::lowerAscii(args[0]);
      int key = 0;
      if (name == "enter")
        key = keys::kEnter;
      else if (name == "space")
        key = keys::kSpace;
      else if (name == "esc")
        key = keys::kEscape;
      else if (name == "f2")
        key = keys::kF2;
      else if (!args[0].empty() && text::utf8::length(args[0]) == 1) {
        size_t pos = 0;
        const char32_t cp = text::utf8::next(args[0], pos);
        if (cp < 32 || cp > 0x7FFF || cp == 0xFFFD) fail("key: not a key: " + args[0]);
        key = static_cast<int>(cp);
      } else {
        fail("key: not a key: " + args[0]);
      }
      w.operatorKey(key);
    } else if (command == "cell" || command == "dblclick") {
      expectArgs(2, 2);
      Window& w = requireActiveWindow(command);
      const int row = parseInt(args[0], "ROW"), col = parseInt(args[1], "COL");
      Grid* grid = nullptr;
      for (Control* c : w.loadedControls()) {
        if (auto* g = dynamic_cast<Grid*>(c); g && g->isEffectivelyVisible()) {
          grid = g;
          break;
        }
      }
      if (grid == nullptr) fail(command + ": window " + w.name() + " has no grid");
      if (row < 0 || row >= grid->rows() || col < 0 || col >= grid->cols())
        fail(command + ": cell " + args[0] + " " + args[1] + " is outside the grid (" + std::to_string(grid->rows()) +
             " rows, " + std::to_string(grid->cols()) + " columns)");
      if (command == "cell")
        w.operatorCell(*grid, row, col);
      else
        w.operatorDblClick(*grid, row, col);
    } else if (command == "ok" || command == "yes" || command == "no") {
      expectArgs(0, 0);
      MessageBox* box = app_.activeMessageBox();
      if (box == nullptr) fail(command + ": no message box is open");
      const auto answer = command == "ok" ? MessageBox::Answer::Ok : command == "yes" ? MessageBox::Answer::Yes : MessageBox::Answer::No;
      if (!box->answer(answer))
        fail(command + " does not answer a " + kindName(box->kind()) + (box->isQuestion() ? " (yes or no)" : " (ok)"));
    } else if (command == "close") {
      expectArgs(0, 0);
      if (MessageBox* box = app_.activeMessageBox()) {
        if (box->isQuestion()) fail("close: a question is open (answer it with yes or no)");
        box->answer(MessageBox::Answer::Ok);
      } else {
        Window& w = requireActiveWindow(command);
        if (!w.controlBox()) fail("close: window " + w.name() + " has no close box");
        w.operatorClose();
      }
    } else if (command == "resize") {
      expectArgs(2, 2);
      Window& w = requireActiveWindow(command);
      const int width = parseInt(args[0], "W"), height = parseInt(args[1], "H");
      if (width < 0 || height < 0) fail("resize: sizes must not be negative");
      const BorderStyle b = w.borderStyle();
      if (b != BorderStyle::Sizable && b != BorderStyle::SizableToolWindow)
        fail("resize: window " + w.name() + " cannot be resized");
      if (w.windowState() != WindowState::Normal) fail("resize: window " + w.name() + " is not in the normal state");
      w.operatorResize(width, height);
    } else if (command == "maximize" || command == "minimize" || command == "restore") {
      expectArgs(0, 0);
      Window& w = requireActiveWindow(command);
      if (command == "maximize") {
        if (!w.maxButton()) fail("maximize: window " + w.name() + " has no maximise button");
        w.operatorSetState(WindowState::Maximized);
      } else if (command == "minimize") {
        if (!w.minButton()) fail("minimize: window " + w.name() + " has no minimise button");
        w.operatorSetState(WindowState::Minimized);
      } else {
        w.operatorSetState(WindowState::Normal);
      }
    } else if (command == "dump") {
      expectArgs(0, 0);
      emit(dumpJson(app_));
    } else if (command == "shot") {
      expectArgs(1, 1);
      if (!shot_) fail("shot needs --ui qt");
      Window& w = requireActiveWindow(command);
      shot_(w, args[0]);
    } else if (command == "echo") {
      std::string text;
      for (size_t i = 0; i < args.size(); ++i) text += (i ? " " : "") + args[i];
      nlohmann::ordered_json j;
      j["event"] = "echo";
      j["text"] = text;
      emit(j);
    } else {
      fail("unknown command " + (*tokens)[0]);
    }
  } catch (const automation::Error& e) {
    // An operator action the runtime refused outright (not an error of an event handler, which
    // shows an error box).
    throw ScriptAbort{line, command + ": " + e.description()};
  } catch (const std::exception& e) {
    throw ScriptAbort{line, command + ": " + e.what()};
  }
  out_.flush();
}

}  // namespace forms
