#include "forms/window.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "automation/error.h"
#include "forms/application.h"
#include "forms/controls.h"
#include "forms/grid.h"
#include "form_object.h"
#include "scope.h"

namespace forms {

namespace {

constexpr int kErrNotSizable = 384;

int frameWidth(BorderStyle b) { return b == BorderStyle::None ? 0 : kFrameWidth; }
int frameHeight(BorderStyle b) { return b == BorderStyle::None ? 0 : kFrameHeight; }

bool sizableStyle(BorderStyle b) { return b == BorderStyle::Sizable || b == BorderStyle::SizableToolWindow; }

}  // namespace

void raiseObjectUnloaded() { throw automation::Error(364, "", "Object was unloaded"); }

struct Window::Props {
  std::string caption;
  BorderStyle border = BorderStyle::Sizable;
  bool controlBox = true;
  bool minButton = true;
  bool maxButton = true;
  bool showInTaskbar = true;
  bool keyPreview = false;
  StartUpPosition startUp = StartUpPosition::WindowsDefault;
  Color back = colors::kButtonFace;
  Color fore = colors::kWindowText;
  Font font;
  Rect normal{0, 0, 4800, 3600};
  WindowState state = WindowState::Normal;
  bool visible = false;
};

Window::Window(std::string name) : app_(Application::instance()), name_(std::move(name)), props_(std::make_unique<Props>()) {
  app_.registerWindow(this);
  app_.notify([&](Observer& o) { o.windowCreated(*this); });
}

Window::~Window() {
  if (formObject_) static_cast<detail::FormObject&>(*formObject_).detach();
  if (Application::current() == &app_) {
    if (isLoaded()) app_.notify([&](Observer& o) { o.windowUnloaded(*this); });
    app_.notify([&](Observer& o) { o.windowDestroyed(*this); });
    app_.unregisterWindow(this);
  }
}

// ---------------------------------------------------------------------------------------------
// Loading and unloading

void Window::load() {
  if (state_ != LoadState::Unloaded) return;
  detail::EventScope scope(app_);
  *props_ = Props{};
  props_->caption = name_;
  active_ = nullptr;
  modal_ = false;
  shownSinceLoad_ = false;
  nextCreationIndex_ = 0;
  ++generation_;
  state_ = LoadState::Building;
  // A build that throws (a programming error) leaves the window unloaded, not half built.
  struct Rollback {
    Window& w;
    bool done = false;
    ~Rollback() {
      if (done) return;
      w.state_ = LoadState::Unloaded;
      w.active_ = nullptr;
      ++w.generation_;
      auto controls = std::move(w.controls_);
      w.controls_.clear();
    }
  } rollback{*this};
  build();
  restoreColumnWidths();
  rollback.done = true;
  state_ = LoadState::Loaded;
  dockControls();
  app_.windowLoaded(*this);
  runHandler(onLoad);
}

void Window::touch() const { const_cast<Window*>(this)->load(); }

bool Window::unload() { return unloadWith(UnloadMode::FromCode); }

bool Window::unloadWith(UnloadMode mode) {
  if (state_ != LoadState::Loaded) return state_ == LoadState::Unloaded;
  detail::EventScope scope(app_);
  const uint64_t gen = generation_;
  bool cancel = false;
  if (onQueryUnload) {
    auto handler = onQueryUnload;
    runHandler([&] { handler(cancel, mode); });
    if (state_ != LoadState::Loaded || generation_ != gen) return true;  // unloaded meanwhile
    if (cancel) return false;
  }
  if (onUnload) {
    auto handler = onUnload;
    runHandler([&] { handler(cancel); });
    if (state_ != LoadState::Loaded || generation_ != gen) return true;
    if (cancel) return false;
  }
  if (props_->visible) {
    props_->visible = false;
    app_.windowVisible(*this, false);
    app_.notify([&](Observer& o) { o.windowHidden(*this); });
  }
  active_ = nullptr;
  state_ = LoadState::Unloaded;
  ++generation_;
  for (auto& c : controls_) c->attached_ = false;
  auto controls = std::move(controls_);
  controls_.clear();
  app_.windowUnloaded(*this, std::move(controls));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Properties

std::string Window::caption() const {
  touch();
  return props_->caption;
}

void Window::setCaption(std::string caption) {
  touch();
  if (props_->caption == caption) return;
  props_->caption = std::move(caption);
  windowChanged();
}

BorderStyle Window::borderStyle() const {
  touch();
  return props_->border;
}

void Window::setBorderStyle(BorderStyle style) {
  touch();
  // The client area keeps its size; the outer size follows the new borders.
  const int cw = clientWidth(), ch = clientHeight();
  props_->border = style;
  props_->minButton = props_->maxButton = sizableStyle(style);
  props_->normal.width = cw + frameWidth(style);
  props_->normal.height = ch + frameHeight(style);
  windowChanged();
}

#define FORMS_WINDOW_FLAG(Getter, Setter, field) \
  bool Window::Getter() const {                  \
    touch();                                     \
    return props_->field;                        \
  }                                              \
  void Window::Setter(bool on) {                 \
    touch();                                     \
    if (props_->field == on) return;             \
    props_->field = on;                          \
    windowChanged();                             \
  }
FORMS_WINDOW_FLAG(controlBox, setControlBox, controlBox)
FORMS_WINDOW_FLAG(minButton, setMinButton, minButton)
FORMS_WINDOW_FLAG(maxButton, setMaxButton, maxButton)
FORMS_WINDOW_FLAG(showInTaskbar, setShowInTaskbar, showInTaskbar)
FORMS_WINDOW_FLAG(keyPreview, setKeyPreview, keyPreview)
#undef FORMS_WINDOW_FLAG

StartUpPosition Window::startUpPosition() const {
  touch();
  return props_->startUp;
}

void Window::setStartUpPosition(StartUpPosition p) {
  touch();
  props_->startUp = p;
}

Color Window::backColor() const {
  touch();
  return props_->back;
}

void Window::setBackColor(Color c) {
  touch();
  if (props_->back == c) return;
  props_->back = c;
  windowChanged();
}

Color Window::foreColor() const {
  touch();
  return props_->fore;
}

void Window::setForeColor(Color c) {
  touch();
  if (props_->fore == c) return;
  props_->fore = c;
  windowChanged();
}

Font Window::font() const {
  touch();
  return props_->font;
}

void Window::setFont(const Font& f) {
  touch();
  if (props_->font == f) return;
  props_->font = f;
  windowChanged();
}

void Window::setFontName(std::string name) {
  Font f = font();
  f.name = std::move(name);
  setFont(f);
}

void Window::setFontSize(double points) {
  if (!(points > 0 && points <= 2048)) automation::raise(automation::err::kInvalidPropertyValue, name_);
  Font f = font();
  f.size = points;
  setFont(f);
}

// ---------------------------------------------------------------------------------------------
// Geometry

Rect Window::outerRect() const {
  touch();
  if (props_->state == WindowState::Maximized) return Rect{0, 0, app_.screenWidth(), app_.screenHeight()};
  return props_->normal;
}

int Window::left() const { return outerRect().left; }
int Window::top() const { return outerRect().top; }
int Window::width() const { return outerRect().width; }
int Window::height() const { return outerRect().height; }

int Window::clientWidth() const { return std::max(0, outerRect().width - frameWidth(props_->border)); }
int Window::clientHeight() const { return std::max(0, outerRect().height - frameHeight(props_->border)); }

void Window::setLeft(int v) { move(v); }
void Window::setTop(int v) { move(left(), v); }
void Window::setWidth(int v) { move(left(), top(), v); }
void Window::setHeight(int v) { move(left(), top(), width(), v); }

void Window::move(int left, std::optional<int> top, std::optional<int> width, std::optional<int> height) {
  touch();
  const Rect& n = props_->normal;
  setOuter(Rect{left, top.value_or(n.top), width.value_or(n.width), height.value_or(n.height)}, true);
}

void Window::setClientSize(int width, int height) {
  touch();
  if (width < 0 || height < 0) automation::raise(automation::err::kInvalidPropertyValue, name_);
  const Rect& n = props_->normal;
  setOuter(Rect{n.left, n.top, width + frameWidth(props_->border), height + frameHeight(props_->border)}, true);
}

void Window::setOuter(const Rect& r, bool) {
  if (state_ == LoadState::Loaded && props_->state != WindowState::Normal)
    throw automation::Error(kErrNotSizable, name_, "A form can't be moved or sized while minimized or maximized");
  if (r.width < 0 || r.height < 0) automation::raise(automation::err::kInvalidPropertyValue, name_);
  const Rect old = props_->normal;
  if (r == old) return;
  detail::EventScope scope(app_);
  props_->normal = r;
  windowChanged();
  if (r.width != old.width || r.height != old.height) raiseResize();
}

WindowState Window::windowState() const {
  touch();
  return props_->state;
}

void Window::setWindowState(WindowState s) {
  touch();
  if (props_->state == s) return;
  detail::EventScope scope(app_);
  props_->state = s;
  windowChanged();
  raiseResize();
}

void Window::dockControls() {
  if (state_ != LoadState::Loaded || props_->state == WindowState::Minimized) return;
  const int width = clientWidth();
  const int height = clientHeight();
  for (const auto& c : controls_) {
    if (c->kind() != ControlKind::StatusBar || c->container() != nullptr) continue;
    const auto dock = static_cast<const StatusBar&>(*c).dock();
    if (dock == StatusBar::Dock::None) continue;
    const int h = c->height();
    c->setGeometry(Rect{0, dock == StatusBar::Dock::Top ? 0 : std::max(0, height - h), width, h});
  }
}

void Window::raiseResize() {
  if (state_ != LoadState::Loaded) return;
  dockControls();
  runHandler(onResize);
}

void Window::windowChanged() {
  if (state_ == LoadState::Loaded) app_.notify([&](Observer& o) { o.windowChanged(*this); });
}

// ---------------------------------------------------------------------------------------------
// Showing and hiding

bool Window::visible() const {
  touch();
  return props_->visible;
}

void Window::setVisible(bool on) {
  if (on)
    show(false);
  else
    hide();
}

void Window::show(bool modal) {
  detail::EventScope scope(app_);
  load();
  if (!isLoaded()) raiseObjectUnloaded();
  if (modal && props_->visible) automation::raise(automation::err::kFormAlreadyDisplayed, name_);
  if (!modal) {
    if (props_->visible) {
      app_.windowVisible(*this, true);  // brought to the front
      return;
    }
    if (app_.isModalOpen()) throw automation::Error(401, name_, "Can't show non-modal form when modal form is displayed");
    becomeVisible(false);
    return;
  }
  const uint64_t gen = generation_;
  modal_ = true;
  app_.pushModal(*this);
  struct Pop {
    Window& w;
    ~Pop() {
      w.app_.popModal(w);
      w.modal_ = false;
    }
  } pop{*this};
  becomeVisible(true);
  app_.runModalLoop([this, gen] { return state_ != LoadState::Loaded || generation_ != gen || !props_->visible; });
}

void Window::placeAtStart() {
  Rect r = props_->normal;
  switch (props_->startUp) {
    case StartUpPosition::Manual:
      return;
    case StartUpPosition::CenterOwner:
    case StartUpPosition::CenterScreen:
      r.left = (app_.screenWidth() - r.width) / 2;
      r.top = (app_.screenHeight() - r.height) / 2;
      break;
    case StartUpPosition::WindowsDefault:
      // The system's cascade position: a little in from the top left corner.
      r.left = 1200;
      r.top = 900;
      break;
  }
  props_->normal = r;
  windowChanged();
}

void Window::becomeVisible(bool modal) {
  const uint64_t gen = generation_;
  const bool first = !shownSinceLoad_;
  shownSinceLoad_ = true;
  if (first && props_->state == WindowState::Normal) placeAtStart();
  props_->visible = true;
  app_.windowVisible(*this, true);
  app_.notify([&](Observer& o) { o.windowShown(*this, modal); });
  if (first) raiseResize();
  if (state_ != LoadState::Loaded || generation_ != gen || !props_->visible) return;
  runHandler(onActivate);
  if (state_ != LoadState::Loaded || generation_ != gen || !props_->visible) return;
  if (active_ == nullptr || !active_->canTakeFocus()) focusFirst();
}

bool Window::shown() const { return state_ == LoadState::Loaded && props_->visible; }

void Window::hide() {
  detail::EventScope scope(app_);
  load();
  if (!props_->visible) return;
  props_->visible = false;
  app_.windowVisible(*this, false);
  app_.notify([&](Observer& o) { o.windowHidden(*this); });
}

// ---------------------------------------------------------------------------------------------
// Controls

void Window::adopt(std::unique_ptr<Control> control, const Rect& geometry, Control* container) {
  if (findControl(control->name()) != nullptr)
    throw std::logic_error("window " + name_ + " has a control named " + control->name() + " already");
  control->rect_ = geometry;
  control->creationIndex_ = nextCreationIndex_++;
  control->tabIndex_ = static_cast<int>(controls_.size());
  Control& c = *control;
  controls_.push_back(std::move(control));
  if (container != nullptr) c.setContainer(container);
  if (state_ == LoadState::Loaded) c.changed();
}

Control* Window::findControl(std::string_view name) const {
  for (const auto& c : controls_)
    if (automation::sameName(c->name(), name)) return c.get();
  return nullptr;
}

Control* Window::control(std::string_view name) {
  load();
  return findControl(name);
}

std::vector<Control*> Window::controls() {
  load();
  return loadedControls();
}

std::vector<Control*> Window::loadedControls() const {
  std::vector<Control*> out;
  out.reserve(controls_.size());
  for (const auto& c : controls_) out.push_back(c.get());
  return out;
}

StatusBar* Window::statusBar() const {
  for (const auto& c : controls_)
    if (auto* s = dynamic_cast<StatusBar*>(c.get())) return s;
  return nullptr;
}

Grid* Window::firstGrid() const {
  for (const auto& c : controls_)
    if (auto* g = dynamic_cast<Grid*>(c.get())) return g;
  return nullptr;
}

Control* Window::defaultButton() const {
  for (const auto& c : controls_)
    if (auto* b = dynamic_cast<ActionButton*>(c.get()); b && b->isDefault()) return b;
  return nullptr;
}

Control* Window::cancelButton() const {
  for (const auto& c : controls_)
    if (auto* b = dynamic_cast<ActionButton*>(c.get()); b && b->isCancel()) return b;
  return nullptr;
}

namespace {
std::vector<Control*> sortedByTabIndex(const std::vector<Control*>& all) {
  std::vector<Control*> sorted = all;
  std::stable_sort(sorted.begin(), sorted.end(), [](Control* a, Control* b) { return a->tabIndex() < b->tabIndex(); });
  return sorted;
}
bool tabbable(const Control* c) { return c->canTakeFocus() && c->tabStop(); }
}  // namespace

std::vector<Control*> Window::tabOrder() const {
  std::vector<Control*> out;
  for (Control* c : sortedByTabIndex(loadedControls()))
    if (tabbable(c)) out.push_back(c);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Focus

bool Window::moveFocus(Control* target, bool validate) {
  if (target == active_) return true;
  detail::EventScope scope(app_);
  const uint64_t gen = generation_;
  Control* losing = active_;
  if (validate && losing != nullptr && target != nullptr && target->causesValidation() && losing->onValidate) {
    bool cancel = false;
    auto handler = losing->onValidate;
    // A validation that fails with an error keeps the focus, as a refusal does.
    if (!runHandler([&] { handler(cancel); })) return false;
    if (cancel) return false;
    if (generation_ != gen || active_ != losing) return false;  // the handler moved the focus itself
    if (!target->canTakeFocus()) return false;
  }
  active_ = target;
  app_.notify([&](Observer& o) { o.focusChanged(*this, target); });
  if (losing != nullptr && losing->onLostFocus) {
    auto handler = losing->onLostFocus;
    if (!runHandler(handler) && (state_ != LoadState::Loaded || generation_ != gen)) return false;
    if (active_ != target) return true;  // LostFocus moved the focus elsewhere
  }
  if (target != nullptr && target->onGotFocus) {
    auto handler = target->onGotFocus;
    runHandler(handler);
  }
  return state_ == LoadState::Loaded && generation_ == gen;
}

void Window::focusFirst() {
  auto order = tabOrder();
  if (order.empty()) {
    // Nothing in the tab order: any control that can take the focus.
    for (Control* c : sortedByTabIndex(loadedControls()))
      if (c->canTakeFocus()) {
        order.push_back(c);
        break;
      }
  }
  if (!order.empty()) moveFocus(order.front(), false);
}

void Window::controlLostFocusability(Control& c) {
  // A focused control that is disabled or hidden (itself or through its frame) loses the focus;
  // no control has it then, and no event runs.
  if (active_ == nullptr || state_ != LoadState::Loaded) return;
  if ((active_ == &c || active_->isInside(c)) && !active_->canTakeFocus()) {
    active_ = nullptr;
    app_.notify([&](Observer& o) { o.focusChanged(*this, nullptr); });
  }
}

// ---------------------------------------------------------------------------------------------
// Operator input

void Window::operatorFocus(Control& control) {
  detail::EventScope scope(app_);
  if (&control.window() != this || !control.attached_) throw std::logic_error("control " + control.name() + " is not in window " + name_);
  if (!control.canTakeFocus()) return;
  moveFocus(&control, true);
}

void Window::operatorTab(bool back) {
  detail::EventScope scope(app_);
  const auto all = sortedByTabIndex(loadedControls());
  if (all.empty()) return;
  Control* target = nullptr;
  auto it = std::find(all.begin(), all.end(), active_);
  if (it == all.end()) {
    auto order = tabOrder();
    if (order.empty()) return;
    target = back ? order.back() : order.front();
  } else {
    const size_t n = all.size();
    size_t pos = static_cast<size_t>(it - all.begin());
    for (size_t step = 1; step < n; ++step) {
      Control* c = all[back ? (pos + n - step) % n : (pos + step) % n];
      if (tabbable(c)) {
        target = c;
        break;
      }
    }
  }
  if (target != nullptr) moveFocus(target, true);
}

void Window::pressButton(Control& button) {
  if (auto* b = dynamic_cast<ActionButton*>(&button)) b->press();
}

void Window::operatorKey(int key) {
  detail::EventScope scope(app_);
  if (state_ != LoadState::Loaded) return;
  const uint64_t gen = generation_;
  if (key > 0xFFFF) {
    if (active_ != nullptr) active_->operatorSpecialKey(key);
    return;
  }
  auto usable = [](Control* c) { return c != nullptr && c->isEffectivelyEnabled() && c->isEffectivelyVisible(); };
  if (key == keys::kEnter) {
    Control* button = nullptr;
    if (active_ != nullptr && active_->kind() == ControlKind::ActionButton)
      button = active_;
    else if (Control* d = defaultButton(); usable(d))
      button = d;
    if (button != nullptr) {
      pressButton(*button);
      return;
    }
  }
  if (key == keys::kEscape) {
    if (Control* c = cancelButton(); usable(c)) {
      pressButton(*c);
      return;
    }
  }
  int16_t k = static_cast<int16_t>(key);
  if (props_->keyPreview || active_ == nullptr) {
    if (onKeyPress) {
      auto handler = onKeyPress;
      runHandler([&] { handler(k); });
      if (state_ != LoadState::Loaded || generation_ != gen) return;
    }
    if (k == 0) return;
  }
  Control* target = active_;
  if (target == nullptr) return;
  if (target->onKeyPress) {
    auto handler = target->onKeyPress;
    runHandler([&] { handler(k); });
    if (state_ != LoadState::Loaded || generation_ != gen) return;
  }
  if (k == 0 || active_ != target) return;
  target->operatorCharAction(k);
}

TypeResult Window::operatorType(const std::string& text) {
  detail::EventScope scope(app_);
  if (state_ != LoadState::Loaded || active_ == nullptr) return TypeResult::NoText;
  return active_->operatorTypeText(text);
}

void Window::operatorClick(Control& control) {
  detail::EventScope scope(app_);
  if (&control.window() != this || !control.attached_) throw std::logic_error("control " + control.name() + " is not in window " + name_);
  if (!control.isEffectivelyEnabled() || !control.isEffectivelyVisible()) return;
  const uint64_t gen = generation_;
  if (control.takesFocus()) {
    if (!moveFocus(&control, true)) return;
    if (state_ != LoadState::Loaded || generation_ != gen) return;
  }
  control.operatorClickAction();
}

void Window::operatorCell(Grid& grid, int row, int col) {
  detail::EventScope scope(app_);
  if (&grid.window() != this || !grid.attached_) throw std::logic_error("grid " + grid.name() + " is not in window " + name_);
  if (row < 0 || col < 0 || row >= grid.rows() || col >= grid.cols())
    throw automation::Error(381, grid.name(), "Invalid property array index");
  if (!grid.isEffectivelyEnabled() || !grid.isEffectivelyVisible()) return;
  const uint64_t gen = generation_;
  if (!moveFocus(&grid, true)) return;
  if (state_ != LoadState::Loaded || generation_ != gen) return;
  // A click on a fixed cell leaves the current cell where it is.
  if (row >= grid.fixedRows() && col >= grid.fixedCols() && row < grid.rows() && col < grid.cols()) {
    grid.setRow(row);
    grid.setCol(col);
  }
  grid.raiseClick();
}

void Window::operatorDblClick(Grid& grid, int row, int col) {
  detail::EventScope scope(app_);
  const uint64_t gen = generation_;
  operatorCell(grid, row, col);
  if (state_ != LoadState::Loaded || generation_ != gen || active_ != &grid) return;
  grid.raise(grid.onDblClick);
}

namespace {

// Where the widths the operator gave a grid's columns are kept.
std::string columnsSection(const Window& w, const Grid& g) {
  return "Columnas\\" + w.name() + "\\" + g.name();
}

constexpr int kMinOperatorColWidth = 120;

}  // namespace

void Window::operatorColWidth(Grid& grid, int col, int width) {
  detail::EventScope scope(app_);
  if (&grid.window() != this || !grid.attached_)
    throw std::logic_error("grid " + grid.name() + " is not in window " + name_);
  if (col < 0 || col >= grid.cols()) throw automation::Error(381, grid.name(), "Invalid property array index");
  if (grid.colWidth(col) <= 0) return;
  width = std::max(width, kMinOperatorColWidth);
  grid.setColWidth(col, width);
  if (Preferences* prefs = app_.preferences())
    prefs->write(columnsSection(*this, grid), std::to_string(col), std::to_string(width));
}

void Window::restoreColumnWidths() {
  const Preferences* prefs = app_.preferences();
  if (prefs == nullptr) return;
  for (const auto& c : controls_) {
    auto* grid = dynamic_cast<Grid*>(c.get());
    if (grid == nullptr) continue;
    const std::string section = columnsSection(*this, *grid);
    for (int col = 0; col < grid->cols(); ++col) {
      if (grid->colWidth(col) <= 0) continue;  // hidden by design
      const auto saved = prefs->read(section, std::to_string(col));
      int width = 0;
      if (!saved || std::from_chars(saved->data(), saved->data() + saved->size(), width).ec != std::errc()) continue;
      if (width >= kMinOperatorColWidth && width <= 32767) grid->setColWidth(col, width);
    }
  }
}

void Window::operatorClose() {
  detail::EventScope scope(app_);
  if (state_ != LoadState::Loaded) return;
  unloadWith(UnloadMode::CloseBox);
}

void Window::operatorResize(int width, int height) {
  detail::EventScope scope(app_);
  touch();
  move(props_->normal.left, props_->normal.top, width, height);
}

void Window::operatorSetState(WindowState state) {
  detail::EventScope scope(app_);
  setWindowState(state);
}

// ---------------------------------------------------------------------------------------------
// Handlers, state, automation

bool Window::runHandler(const std::function<void()>& handler) {
  if (!handler) return state_ != LoadState::Unloaded;
  if (state_ == LoadState::Building) return true;
  const uint64_t gen = generation_;
  const auto copy = handler;  // a handler may replace itself while it runs
  const bool ok = app_.runHandler(copy, name_);
  return ok && state_ == LoadState::Loaded && generation_ == gen;
}

nlohmann::json Window::stateJson() const { return nlohmann::json::object(); }

automation::ObjectRef Window::asObject() {
  if (!formObject_) formObject_ = std::make_shared<detail::FormObject>(*this);
  return formObject_;
}

}  // namespace forms
