#include "forms/application.h"

#include <algorithm>
#include <stdexcept>

#include "automation/error.h"
#include "forms/control.h"
#include "forms/window.h"
#include "scope.h"
#include "automation/object.h"

namespace forms {

namespace {
Application* g_current = nullptr;
}  // namespace

namespace detail {
EventScope::EventScope(Application& app) : app_(app) { app_.enterHandler(); }
EventScope::~EventScope() { app_.leaveHandler(); }
}  // namespace detail

Application::Application(regional::RegionalSettings settings, int screenWidth, int screenHeight)
    : settings_(std::move(settings)),
      screenWidth_(screenWidth),
      screenHeight_(screenHeight),
      metrics_(std::make_shared<HeadlessTextMetrics>()) {
  if (g_current != nullptr) throw std::logic_error("an Application exists already");
  g_current = this;
}

Application::~Application() {
  // Windows that only the application kept alive go now; any window object that outlives the
  // application no longer reports to it.
  modal_.clear();
  zOrder_.clear();
  auto keep = std::move(keepAlive_);
  keep.clear();
  graveyardControls_.clear();
  graveyardWindows_.clear();
  g_current = nullptr;
}

Application& Application::instance() {
  if (g_current == nullptr) throw std::logic_error("no forms::Application exists");
  return *g_current;
}

Application* Application::current() { return g_current; }

void Application::setRegionalSettings(regional::RegionalSettings settings) { settings_ = std::move(settings); }

void Application::setScreenSize(int width, int height) {
  if (width <= 0 || height <= 0) automation::raise(automation::err::kInvalidPropertyValue, "Screen");
  screenWidth_ = width;
  screenHeight_ = height;
}

void Application::setTextMetrics(std::shared_ptr<const TextMetrics> metrics) {
  metrics_ = metrics ? std::move(metrics) : std::make_shared<HeadlessTextMetrics>();
}

void Application::setModalLoop(ModalLoop* loop) { modalLoop_ = loop; }

void Application::runModalLoop(const std::function<bool()>& finished) {
  if (finished()) return;
  if (modalLoop_ == nullptr) throw std::logic_error("a modal window needs a modal loop provider");
  modalLoop_->runModalLoop(finished);
}

void Application::addObserver(Observer* observer) {
  if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}


void Application::removeObserver(Observer* observer) {
  // While observers are being told, a removed one is only blanked (the loop is walking the list).
  for (auto& o : observers_)
    if (o == observer) o = nullptr;
  if (notifying_ == 0) std::erase(observers_, nullptr);
}

void Application::notify(const std::function<void(Observer&)>& f) {
  ++notifying_;
  struct Done {
    Application& app;
    ~Done() {
      if (--app.notifying_ == 0) std::erase(app.observers_, nullptr);
    }
  } done{*this};
  // Observers added meanwhile hear from the next notification on.
  const size_t n = observers_.size();
  for (size_t i = 0; i < n && i < observers_.size(); ++i)
    if (observers_[i] != nullptr) f(*observers_[i]);
}

std::vector<Window*> Application::windows() const { return windows_; }

std::vector<Window*> Application::loadedWindows() const {
  std::vector<Window*> out;
  for (Window* w : windows_)
    if (w->isLoaded()) out.push_back(w);
  return out;
}

Window* Application::findWindow(std::string_view name) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (automation::sameName((*it)->name(), name)) return *it;
  return nullptr;
}

Window* Application::activeWindow() const {
  for (auto it = modal_.rbegin(); it != modal_.rend(); ++it) {
    if (it->window != nullptr && it->window->isLoaded() && it->window->visible()) return it->window;
  }
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
    if ((*it)->isLoaded() && (*it)->visible()) return *it;
  }
  return nullptr;
}

MessageBox* Application::activeMessageBox() const {
  if (!modal_.empty() && modal_.back().box != nullptr && modal_.back().box->isOpen()) return modal_.back().box;
  return nullptr;
}

void Application::showMessage(std::string text, std::string title) {
  MessageBox box(MessageBox::Kind::Message, std::move(text), std::move(title));
  runBox(box);
}

void Application::showWarning(std::string text, std::string title) {
  MessageBox box(MessageBox::Kind::Warning, std::move(text), std::move(title));
  runBox(box);
}

bool Application::askQuestion(std::string text, std::string title) {
  MessageBox box(MessageBox::Kind::Question, std::move(text), std::move(title));
  runBox(box);
  return box.answer() == MessageBox::Answer::Yes;
}

void Application::showError(int32_t number, std::string description, std::string source) {
  MessageBox box = MessageBox::error(number, std::move(description), std::move(source));
  runBox(box);
}

bool Application::answerMessageBox(MessageBox::Answer answer) {
  MessageBox* box = activeMessageBox();
  return box != nullptr && box->answer(answer);
}

void Application::runBox(MessageBox& box) {
  detail::EventScope scope(*this);
  modal_.push_back({nullptr, &box});
  struct Pop {
    Application& app;
    MessageBox& box;
    ~Pop() {
      auto it = std::find_if(app.modal_.begin(), app.modal_.end(), [&](const ModalEntry& e) { return e.box == &box; });
      if (it != app.modal_.end()) app.modal_.erase(it);
    }
  } pop{*this, box};
  notify([&](Observer& o) { o.messageBoxOpened(box); });
  runModalLoop([&box] { return !box.isOpen(); });
  notify([&](Observer& o) { o.messageBoxClosed(box); });
}

bool Application::runHandler(const std::function<void()>& handler, std::string_view source) {
  if (!handler) return true;
  detail::EventScope scope(*this);
  int32_t number = 0;
  std::string description;
  std::string errorSource;
  try {
    handler();
    return true;
  } catch (const automation::Error& e) {
    number = e.number();
    description = e.description();
    errorSource = e.source();
  } catch (const std::exception& e) {
    number = automation::err::kAutomationError;
    description = e.what();
    errorSource = std::string(source);
  }
  // The box is shown outside the catch block: its modal loop runs further operator input.
  showError(number, std::move(description), std::move(errorSource));
  return false;
}

void Application::leaveHandler() {
  if (--handlerDepth_ > 0) return;
  // The outermost handler has returned: nothing of an unloaded window is in use any more.
  while (!graveyardControls_.empty() || !graveyardWindows_.empty()) {
    auto controls = std::move(graveyardControls_);
    auto windows = std::move(graveyardWindows_);
    graveyardControls_.clear();
    graveyardWindows_.clear();
    controls.clear();
    windows.clear();
  }
}

void Application::registerWindow(Window* w) { windows_.push_back(w); }

void Application::unregisterWindow(Window* w) {
  std::erase(windows_, w);
  std::erase(zOrder_, w);
  std::erase_if(modal_, [w](const ModalEntry& e) { return e.window == w; });
}

void Application::windowLoaded(Window& w) {
  if (auto self = w.weak_from_this().lock()) keepAlive_.push_back(std::move(self));
  notify([&](Observer& o) { o.windowLoaded(w); });
}

void Application::windowUnloaded(Window& w, std::vector<std::unique_ptr<Control>> controls) {
  for (auto& c : controls) graveyardControls_.push_back(std::move(c));
  auto it = std::find_if(keepAlive_.begin(), keepAlive_.end(), [&](const auto& p) { return p.get() == &w; });
  if (it != keepAlive_.end()) {
    graveyardWindows_.push_back(std::move(*it));
    keepAlive_.erase(it);
  }
  notify([&](Observer& o) { o.windowUnloaded(w); });
}

void Application::windowVisible(Window& w, bool visible) {
  std::erase(zOrder_, &w);
  if (visible) zOrder_.push_back(&w);
}

void Application::pushModal(Window& w) { modal_.push_back({&w, nullptr}); }

void Application::popModal(Window& w) {
  for (auto it = modal_.rbegin(); it != modal_.rend(); ++it) {
    if (it->window == &w) {
      modal_.erase(std::next(it).base());
      return;
    }
  }
}

}  // namespace forms
