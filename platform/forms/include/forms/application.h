#pragma once
// Application: one per process, like a toolkit's application object. The host (or a test)
// constructs it first; windows find it through Application::instance(). It holds the regional
// settings, the screen size in twips, the text metrics, every window object (in creation order),
// the observers, the modal-loop provider and the open modal windows and message boxes.
//
// Modal loops: Window::show(true) and the message boxes call runModalLoop(finished), which hands
// control to the ModalLoop provider: the script driver executes the following script lines until
// finished() is true; the Qt view runs a QEventLoop. Without a provider, runModalLoop raises
// std::logic_error.
//
// Errors that escape an event handler are caught in runHandler (automation::Error and
// std::exception only) and shown with showError; the window stays usable. The script driver
// aborts with its own exception type (ScriptAbort, driver.h), which does not derive from
// std::exception, so it passes every handler; nothing in the runtime uses catch (...).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/message_box.h"
#include "forms/observer.h"
#include "forms/preferences.h"
#include "forms/text_metrics.h"
#include "forms/types.h"
#include "regional/regional_settings.h"

namespace forms {

class Window;
class Control;
namespace detail {
class EventScope;
}

class ModalLoop {
 public:
  virtual ~ModalLoop() = default;
  // Processes operator input until finished() returns true (checked before each input).
  virtual void runModalLoop(const std::function<bool()>& finished) = 0;
};

class Application final {
 public:
  explicit Application(regional::RegionalSettings settings = {}, int screenWidth = kDefaultScreenWidth,
                       int screenHeight = kDefaultScreenHeight);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application of the process; std::logic_error when none exists.
  static Application& instance();
  // nullptr when none exists.
  static Application* current();

  const regional::RegionalSettings& regionalSettings() const { return settings_; }
  void setRegionalSettings(regional::RegionalSettings settings);

  // The screen in twips.
  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }
  void setScreenSize(int width, int height);

  const TextMetrics& textMetrics() const { return *metrics_; }
  void setTextMetrics(std::shared_ptr<const TextMetrics> metrics);

  // The operator's remembered choices (column widths); nullptr when none are kept.
  Preferences* preferences() const { return preferences_.get(); }
  void setPreferences(std::shared_ptr<Preferences> preferences) { preferences_ = std::move(preferences); }

  ModalLoop* modalLoop() const { return modalLoop_; }
  void setModalLoop(ModalLoop* loop);
  void runModalLoop(const std::function<bool()>& finished);

  void addObserver(Observer* observer);
  void removeObserver(Observer* observer);
  // Calls f(observer) on every observer (for the runtime's own classes).
  void notify(const std::function<void(Observer&)>& f);

  // Every window object, in creation order.
  std::vector<Window*> windows() const;
  // The loaded ones, in creation order.
  std::vector<Window*> loadedWindows() const;
  // A window object by name (case-insensitive; the most recently created of that name), or nullptr.
  Window* findWindow(std::string_view name) const;
  // The top-most visible window: the innermost modal window if one is open, else the window
  // shown most recently that is still visible. nullptr when none is visible. (A message box may
  // be open above it: see activeMessageBox.)
  Window* activeWindow() const;
  // The open message box when it is the top-most modal thing, else nullptr.
  MessageBox* activeMessageBox() const;

  // ---- Message boxes (modal: each returns once answered) ----
  void showMessage(std::string text, std::string title = {});
  void showWarning(std::string text, std::string title = {});
  // True for yes.
  bool askQuestion(std::string text, std::string title = {});
  void showError(int32_t number, std::string description, std::string source);
  // Answers the active message box; false when none is open or the answer does not fit it.
  bool answerMessageBox(MessageBox::Answer answer);

  // Runs a handler with the handler depth counted and escaping errors shown in an error box
  // (the host's `go` runs through this too). Returns true when the handler ended normally.
  bool runHandler(const std::function<void()>& handler, std::string_view source = {});
  // How many event handlers are running (nested). Unloaded windows are destroyed when it
  // returns to 0.
  int handlerDepth() const { return handlerDepth_; }

 private:
  friend class Window;
  friend class detail::EventScope;
  struct ModalEntry {
    Window* window = nullptr;
    MessageBox* box = nullptr;
  };
  void registerWindow(Window* w);
  void unregisterWindow(Window* w);
  void windowLoaded(Window& w);
  void windowUnloaded(Window& w, std::vector<std::unique_ptr<Control>> controls);
  void windowVisible(Window& w, bool visible);
  void pushModal(Window& w);
  void popModal(Window& w);
  bool isModalOpen() const { return !modal_.empty(); }
  void runBox(MessageBox& box);
  void enterHandler() { ++handlerDepth_; }
  void leaveHandler();

  regional::RegionalSettings settings_;
  int screenWidth_;
  int screenHeight_;
  std::shared_ptr<const TextMetrics> metrics_;
  std::shared_ptr<Preferences> preferences_;
  ModalLoop* modalLoop_ = nullptr;
  std::vector<Observer*> observers_;
  std::vector<Window*> windows_;
  std::vector<Window*> zOrder_;  // visible windows, bottom first
  std::vector<ModalEntry> modal_;
  std::vector<std::shared_ptr<Window>> keepAlive_;  // loaded windows
  std::vector<std::shared_ptr<Window>> graveyardWindows_;
  std::vector<std::unique_ptr<Control>> graveyardControls_;
  int handlerDepth_ = 0;
  int notifying_ = 0;
};

}  // namespace forms
