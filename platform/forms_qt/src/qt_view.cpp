#include "forms_qt/qt_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <iostream>
#include <istream>
#include <stdexcept>
#include <streambuf>

#include "forms/controls.h"
#include "forms_qt/qt_text_metrics.h"
#include "view_impl.h"

namespace forms_qt {

namespace {

// Observer notifications must not throw into the model: a view that cannot show something
// says so on stderr and goes on.
template <class F>
void guarded(const char* what, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    std::cerr << "forms_qt: " << what << ": " << e.what() << '\n';
  }
}

bool isEditor(forms::ControlKind k) {
  switch (k) {
    case forms::ControlKind::CodeLookupField:
    case forms::ControlKind::ReferenceTextBox:
    case forms::ControlKind::DateEntryBox:
    case forms::ControlKind::NumberEntryBox:
      return true;
    default:
      return false;
  }
}

bool isButtonLike(forms::ControlKind k) {
  return k == forms::ControlKind::ActionButton || k == forms::ControlKind::OptionButton ||
         k == forms::ControlKind::CheckBox || k == forms::ControlKind::OptionCheckBox;
}

bool sizable(forms::BorderStyle b) {
  return b == forms::BorderStyle::Sizable || b == forms::BorderStyle::SizableToolWindow;
}

Qt::WindowFlags windowFlagsOf(forms::Window& w) {
  const forms::BorderStyle border = w.borderStyle();
  if (border == forms::BorderStyle::None) return Qt::Window | Qt::FramelessWindowHint;
  Qt::WindowFlags f = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  switch (border) {
    case forms::BorderStyle::FixedDialog:
      f |= Qt::Dialog;
      break;
    case forms::BorderStyle::FixedToolWindow:
    case forms::BorderStyle::SizableToolWindow:
      f |= Qt::Tool;
      break;
    default:
      f |= Qt::Window;
      break;
  }
  if (w.controlBox()) {
    f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (w.minButton()) f |= Qt::WindowMinimizeButtonHint;
    if (w.maxButton()) f |= Qt::WindowMaximizeButtonHint;
  }
  return f;
}

// The character code a key press stands for (the KeyAscii of the platform), or 0 for keys
// without one (arrows, Delete, function keys) and for combinations with Ctrl or Alt.
int charCode(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return forms::keys::kEnter;
    case Qt::Key_Escape:
      return forms::keys::kEscape;
    case Qt::Key_Backspace:
      return forms::keys::kBackspace;
    default:
      break;
  }
  if (e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  const QString t = e.text();
  if (t.size() != 1) return 0;
  const char16_t ch = t.at(0).unicode();
  if (ch < 32 || ch == 127) return 0;
  return ch;
}

// A key event that delivers one character to an editor.
QKeyEvent characterEvent(int code, const QKeyEvent& original) {
  if (code == forms::keys::kBackspace)
    return QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  const QString text(QChar(static_cast<char16_t>(code)));
  int key = Qt::Key_unknown;
  if (code == charCode(original)) {
    key = original.key();
  } else if (code < 128) {
    key = QChar(static_cast<char16_t>(code)).toUpper().unicode();
  }
  return QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text);
}

class PumpingBuffer final : public std::streambuf {
 public:
  PumpingBuffer(std::istream& source, std::function<void()> pump)
      : source_(source), pump_(std::move(pump)) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    pump_();
    if (!std::getline(source_, line_)) return traits_type::eof();
    if (!source_.eof()) line_.push_back('\n');
    if (line_.empty()) return traits_type::eof();
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  std::istream& source_;
  std::function<void()> pump_;
  std::string line_;
};

class PumpingStream final : public std::istream {
 public:
  PumpingStream(std::istream& source, std::function<void()> pump)
      : std::istream(nullptr), buffer_(source, std::move(pump)) {
    rdbuf(&buffer_);
  }

 private:
  PumpingBuffer buffer_;
};

}  // namespace

// =============================================================================================
// QtView

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform (shots, tests) reports every window operation it does not have, such
// as raising a window; those notes say nothing about the program.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
    return;
  if (previousHandler != nullptr)
    previousHandler(type, context, message);
  else
    std::cerr << qPrintable(qFormatLogMessage(type, context, message)) << '\n';
}

}  // namespace

std::unique_ptr<QtView> QtView::attach(forms::Application& app, int& argc, char** argv) {
  std::unique_ptr<QApplication> owned;
  if (QApplication::instance() == nullptr) {
    // Without a display Qt would end the process; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
      throw std::runtime_error(
          "no display to open windows on (set DISPLAY, or QT_QPA_PLATFORM=offscreen to draw "
          "without one)");
    owned = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
      previousHandler = qInstallMessageHandler(quietOffscreenNotes);
  }
  auto view = std::make_unique<QtView>(app);
  view->ownedApp_ = std::move(owned);
  return view;
}

QtView::QtView(forms::Application& app) : app_(app) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    throw std::logic_error("the Qt view needs a QApplication");
  impl_ = std::make_unique<Impl>(*this, app);
}

QtView::~QtView() {
  impl_.reset();
}

int QtView::exec() {
  return impl_->runMainLoop();
}

std::function<void(forms::Window&, const std::string&)> QtView::shotHook() {
  return [this](forms::Window& w, const std::string& file) { saveShot(w, file); };
}

void QtView::saveShot(forms::Window& window, const std::string& file) {
  processEvents();
  Impl::Binding* b = impl_->binding(window);
  if (b == nullptr) throw std::runtime_error("window " + window.name() + " has no widget");
  const QPixmap pixmap = b->widget->grab();
  if (pixmap.isNull() || !pixmap.save(QString::fromStdString(file), "PNG"))
    throw std::runtime_error("cannot write the picture " + file);
}

void QtView::useScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect r = screen->availableGeometry();
  app_.setScreenSize(impl_->scale_.twipsX(r.width()), impl_->scale_.twipsY(r.height()));
}

void QtView::processEvents() {
  impl_->flushGrids();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Widgets of unloaded windows go now when no input is being handled (script mode has no
  // event loop of its own to do it).
  if (impl_->dispatchDepth_ == 0 && impl_->modalLoops_.empty() && impl_->mainLoop_ == nullptr)
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  impl_->flushGrids();
}

std::unique_ptr<std::istream> QtView::pumpingInput(std::istream& source) {
  return std::make_unique<PumpingStream>(source, [this] { processEvents(); });
}

bool QtView::openDocument(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

QWidget* QtView::windowWidget(const forms::Window& window) const {
  const Impl::Binding* b = impl_->binding(window);
  return b != nullptr ? b->widget : nullptr;
}

QWidget* QtView::controlWidget(const forms::Control& control) const {
  ControlView* v = impl_->view(control);
  return v != nullptr ? v->widget() : nullptr;
}

QWidget* QtView::messageBoxWidget() const {
  return impl_->topMessageBox();
}

double QtView::twipsPerPixelX() const {
  return impl_->scale_.twipsPerPixelX();
}
double QtView::twipsPerPixelY() const {
  return impl_->scale_.twipsPerPixelY();
}

void QtView::runModalLoop(const std::function<bool()>& finished) {
  impl_->runModalLoop(finished);
}

void QtView::windowLoaded(forms::Window& w) {
  guarded("windowLoaded", [&] { impl_->bind(w); });
}

void QtView::windowUnloaded(forms::Window& w) {
  guarded("windowUnloaded", [&] {
    impl_->unbind(w);
    impl_->activateTopWindow();
  });
  impl_->wakeModalLoops();
  impl_->scheduleQuitCheck();
}

void QtView::windowDestroyed(forms::Window& w) {
  guarded("windowDestroyed", [&] { impl_->unbind(w); });
}

void QtView::windowShown(forms::Window& w, bool modal) {
  guarded("windowShown", [&] { impl_->showWindow(impl_->bind(w), modal); });
}

void QtView::windowHidden(forms::Window& w) {
  guarded("windowHidden", [&] {
    if (Impl::Binding* b = impl_->binding(w)) {
      b->widget->hide();
      b->widget->setWindowModality(Qt::NonModal);
    }
    impl_->activateTopWindow();
  });
  impl_->wakeModalLoops();
  impl_->scheduleQuitCheck();
}

void QtView::windowChanged(forms::Window& w) {
  guarded("windowChanged", [&] {
    if (Impl::Binding* b = impl_->binding(w)) impl_->syncWindow(*b);
  });
}

void QtView::controlChanged(forms::Control& c) {
  guarded("controlChanged", [&] {
    Impl::Binding* b = impl_->binding(c.window());
    if (b == nullptr) return;
    ControlView& v = impl_->ensureControl(*b, c);
    if (c.kind() == forms::ControlKind::Grid) {
      // The grid's place at once; its cells and current cell with the next update.
      impl_->placeControl(*b, v);
      impl_->markGrid(static_cast<forms::Grid&>(c), 0, -1, false, true);
      return;
    }
    impl_->syncControl(*b, v);
  });
}

void QtView::gridCellsChanged(forms::Grid& g, int firstRow, int lastRow) {
  impl_->markGrid(g, firstRow, lastRow, false, false);
}

void QtView::gridShapeChanged(forms::Grid& g) {
  impl_->markGrid(g, 0, -1, true, true);
}

void QtView::focusChanged(forms::Window& w, forms::Control*) {
  guarded("focusChanged", [&] {
    if (Impl::Binding* b = impl_->binding(w)) {
      impl_->syncAllControls(*b);
      impl_->applyFocus(*b);
    }
  });
}

void QtView::messageBoxOpened(forms::MessageBox& box) {
  guarded("messageBoxOpened", [&] { impl_->openMessageBox(box); });
}

void QtView::messageBoxClosed(forms::MessageBox& box) {
  guarded("messageBoxClosed", [&] { impl_->closeMessageBox(box); });
}

// =============================================================================================
// Impl: set-up

QtView::Impl::Impl(QtView& view, forms::Application& app)
    : view_(view), app_(app), scale_(Scale::ofPrimaryScreen()) {
  QApplication::setQuitOnLastWindowClosed(false);
  // The toolkit's own texts (the buttons of message boxes, the calendar's tips) in the regional
  // language, when the system has Qt's translations for it; English otherwise.
  const QLocale locale(qs(app_.regionalSettings().localeId()));
  if (translator_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&translator_);
  qApp->installEventFilter(this);
  app_.setTextMetrics(
      std::make_shared<QtTextMetrics>(scale_.twipsPerPixelX(), scale_.twipsPerPixelY()));
  app_.addObserver(&view_);
  if (app_.modalLoop() == nullptr) app_.setModalLoop(&view_);
  for (forms::Window* w : app_.loadedWindows()) {
    Binding& b = bind(*w);
    if (w->visible()) showWindow(b, w->isModal());
  }
}

QtView::Impl::~Impl() {
  QCoreApplication::removeTranslator(&translator_);
  qApp->removeEventFilter(this);
  app_.removeObserver(&view_);
  if (app_.modalLoop() == &view_) app_.setModalLoop(nullptr);
  app_.setTextMetrics(nullptr);
  for (auto& open : boxes_) delete open.dialog.data();
  boxes_.clear();
  for (auto& [window, b] : windows_) {
    for (ControlView* v : b->controls) v->detach();
    b->widget->detach();
    delete b->widget;
  }
  windows_.clear();
  controls_.clear();
  byWidget_.clear();
}

// =============================================================================================
// Model to view

QtView::Impl::Binding& QtView::Impl::bind(forms::Window& w) {
  if (Binding* existing = binding(w)) return *existing;
  auto b = std::make_unique<Binding>();
  b->window = &w;
  b->widget = new WindowWidget(w, *this);
  b->widget->setObjectName(QString::fromStdString(w.name()));
  Binding& ref = *b;
  windows_.emplace(&w, std::move(b));
  for (forms::Control* c : w.loadedControls()) ensureControl(ref, *c);
  syncWindow(ref);
  for (ControlView* v : std::vector<ControlView*>(ref.controls)) syncControl(ref, *v);
  return ref;
}

QtView::Impl::Binding* QtView::Impl::binding(const forms::Window& w) const {
  auto it = windows_.find(&w);
  return it == windows_.end() ? nullptr : it->second.get();
}

void QtView::Impl::unbind(const forms::Window& w) {
  auto it = windows_.find(&w);
  if (it == windows_.end()) return;
  std::unique_ptr<Binding> b = std::move(it->second);
  windows_.erase(it);
  for (ControlView* v : b->controls) {
    if (v->control() != nullptr) {
      controls_.erase(v->control());
      if (v->control()->kind() == forms::ControlKind::Grid) {
        dirtyGrids_.erase(static_cast<forms::Grid*>(v->control()));
        static_cast<GridWidget*>(v)->tableModel().detach();
      }
    }
    v->detach();
  }
  for (auto wit = byWidget_.begin(); wit != byWidget_.end();) {
    if (std::find(b->controls.begin(), b->controls.end(), wit->second) != b->controls.end())
      wit = byWidget_.erase(wit);
    else
      ++wit;
  }
  b->widget->detach();
  b->widget->hide();
  dispose(b->widget);
}

ControlView* QtView::Impl::view(const forms::Control& c) const {
  auto it = controls_.find(&c);
  return it == controls_.end() ? nullptr : it->second;
}

ControlView& QtView::Impl::ensureControl(Binding& b, forms::Control& c) {
  if (ControlView* v = view(c)) return *v;
  QWidget* parent = b.widget;
  if (forms::Control* container = c.container()) parent = ensureControl(b, *container).widget();
  ControlView* v = nullptr;
  switch (c.kind()) {
    case forms::ControlKind::Label:
      v = new LabelWidget(static_cast<forms::Label&>(c), *this, parent);
      break;
    case forms::ControlKind::Shape:
      v = new ShapeWidget(static_cast<forms::Shape&>(c), *this, parent);
      break;
    case forms::ControlKind::Frame:
      v = new FrameWidget(static_cast<forms::Frame&>(c), *this, parent);
      break;
    case forms::ControlKind::ActionButton:
      v = new ActionButtonWidget(static_cast<forms::ActionButton&>(c), *this, parent);
      break;
    case forms::ControlKind::OptionButton:
      v = new OptionButtonWidget(static_cast<forms::OptionButton&>(c), *this, parent);
      break;
    case forms::ControlKind::CheckBox:
    case forms::ControlKind::OptionCheckBox:
      v = new CheckBoxWidget(static_cast<forms::CheckBox&>(c), *this, parent);
      break;
    case forms::ControlKind::CodeLookupField:
    case forms::ControlKind::ReferenceTextBox:
      v = new TextEntryWidget(static_cast<forms::TextEntry&>(c), *this, parent);
      break;
    case forms::ControlKind::DateEntryBox:
      v = new DateEntryWidget(static_cast<forms::DateEntryBox&>(c), *this, parent);
      break;
    case forms::ControlKind::NumberEntryBox:
      v = new NumberEntryWidget(static_cast<forms::NumberEntryBox&>(c), *this, parent);
      break;
    case forms::ControlKind::Grid: {
      auto* g = new GridWidget(static_cast<forms::Grid&>(c), *this, parent);
      v = g;
      break;
    }
    case forms::ControlKind::StatusBar:
      v = new StatusBarWidget(static_cast<forms::StatusBar&>(c), *this, parent);
      break;
  }
  v->widget()->setObjectName(QString::fromStdString(c.name()));
  controls_.emplace(&c, v);
  byWidget_.emplace(v->widget(), v);
  b.controls.push_back(v);
  if (c.kind() == forms::ControlKind::Grid) static_cast<GridWidget*>(v)->syncShape(scale_);
  v->widget()->setVisible(c.visible());
  restack(b, parent);
  return *v;
}

void QtView::Impl::restack(Binding& b, QWidget* container) {
  // Labels and shapes are drawn on their container's surface, beneath the controls that are
  // windows; within each layer the later control lies on top.
  for (bool lightweightLayer : {true, false})
    for (ControlView* v : b.controls)
      if (v->control() != nullptr && v->widget()->parentWidget() == container &&
          v->lightweight() == lightweightLayer)
        v->widget()->raise();
}

void QtView::Impl::placeControl(Binding& b, ControlView& v) {
  forms::Control& c = *v.control();
  QWidget* parent = b.widget;
  if (forms::Control* container = c.container()) parent = ensureControl(b, *container).widget();
  QWidget* w = v.widget();
  if (w->parentWidget() != parent) {
    w->setParent(parent);
    restack(b, parent);
  }
  const auto* bar = c.kind() == forms::ControlKind::StatusBar
                        ? static_cast<const forms::StatusBar*>(&c)
                        : nullptr;
  if (bar != nullptr && c.container() == nullptr && bar->dock() != forms::StatusBar::Dock::None) {
    // The model docks it too; here it meets the widget's edge to the pixel, whatever the
    // rounding of twips to pixels.
    const int h = scale_.pxY(c.height());
    const int top = bar->dock() == forms::StatusBar::Dock::Top ? 0 : b.widget->height() - h;
    const QRect r(0, top, b.widget->width(), h);
    if (w->geometry() != r) w->setGeometry(r);
  } else {
    const QRect r = scale_.rect(c.geometry());
    if (w->geometry() != r) w->setGeometry(r);
  }
  if (w->isVisibleTo(parent) != c.visible()) w->setVisible(c.visible());
}

void QtView::Impl::syncControl(Binding& b, ControlView& v) {
  if (v.control() == nullptr) return;
  placeControl(b, v);
  v.sync(scale_);
  if (v.control()->kind() == forms::ControlKind::Label) fitLabel(b, static_cast<LabelWidget&>(v));
}

void QtView::Impl::fitLabel(Binding& b, LabelWidget& label) {
  // The room beside the label up to the nearest control on its line (a box drawn around it does
  // not count), keeping a small gap; the design places, not where other labels have grown to.
  constexpr int kGap = 4;
  QWidget* parent = label.parentWidget();
  const QRect r = scale_.rect(label.control()->geometry());
  int roomLeft = r.left(), roomRight = parent->width() - 1 - r.right();
  for (ControlView* v : b.controls) {
    if (v == &label || v->control() == nullptr || v->widget()->parentWidget() != parent) continue;
    if (!v->control()->isEffectivelyVisible()) continue;
    const QRect o = scale_.rect(v->control()->geometry());
    if (o.bottom() < r.top() || o.top() > r.bottom() || o.contains(r)) continue;
    if (o.left() < r.left()) roomLeft = std::min(roomLeft, r.left() - o.right() - 1 - kGap);
    if (o.right() > r.right()) roomRight = std::min(roomRight, o.left() - r.right() - 1 - kGap);
  }
  label.fitOneLine(std::max(0, roomLeft), std::max(0, roomRight));
}

void QtView::Impl::syncAllControls(Binding& b) {
  for (ControlView* v : std::vector<ControlView*>(b.controls)) {
    if (v->control() == nullptr) continue;
    if (v->control()->kind() == forms::ControlKind::Grid)
      markGrid(static_cast<forms::Grid&>(*v->control()), 0, -1, false, true);
    else
      syncControl(b, *v);
  }
}

void QtView::Impl::dockStatusBars(Binding& b) {
  for (ControlView* v : b.controls)
    if (v->control() != nullptr && v->control()->kind() == forms::ControlKind::StatusBar)
      placeControl(b, *v);
}

void QtView::Impl::syncWindow(Binding& b) {
  forms::Window& w = *b.window;
  WindowWidget* widget = b.widget;
  ++applying_;
  const QString title = qs(w.caption());
  if (widget->windowTitle() != title) widget->setWindowTitle(title);
  const Qt::WindowFlags flags = windowFlagsOf(w);
  if (widget->windowFlags() != flags) {
    const bool visible = widget->isVisible();
    widget->setWindowFlags(flags);
    if (visible) widget->show();
  }
  QPalette p = widget->palette();
  p.setColor(QPalette::Window, toQColor(w.backColor()));
  p.setColor(QPalette::WindowText, toQColor(w.foreColor()));
  widget->setPalette(p);
  const forms::WindowState state = w.windowState();
  if (state == forms::WindowState::Normal) {
    const QSize client(scale_.pxX(w.clientWidth()), scale_.pxY(w.clientHeight()));
    if (sizable(w.borderStyle())) {
      widget->setMinimumSize(0, 0);
      widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      if (widget->size() != client) widget->resize(client);
    } else if (widget->minimumSize() != client || widget->maximumSize() != client) {
      widget->setFixedSize(client);
    }
    const QPoint pos(scale_.pxX(w.left()), scale_.pxY(w.top()));
    if (widget->pos() != pos) widget->move(pos);
  }
  if (widget->isVisible()) {
    const Qt::WindowStates now = widget->windowState();
    if (state == forms::WindowState::Minimized && !(now & Qt::WindowMinimized))
      widget->showMinimized();
    if (state == forms::WindowState::Maximized && !(now & Qt::WindowMaximized))
      widget->showMaximized();
    if (state == forms::WindowState::Normal && (now & (Qt::WindowMinimized | Qt::WindowMaximized)))
      widget->showNormal();
  }
  --applying_;
  dockStatusBars(b);
}

void QtView::Impl::showWindow(Binding& b, bool modal) {
  syncWindow(b);
  syncAllControls(b);
  flushGrids();
  b.widget->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
  ++applying_;
  switch (b.window->windowState()) {
    case forms::WindowState::Minimized:
      b.widget->showMinimized();
      break;
    case forms::WindowState::Maximized:
      b.widget->showMaximized();
      break;
    case forms::WindowState::Normal:
      b.widget->show();
      break;
  }
  --applying_;
  b.widget->raise();
  b.widget->activateWindow();
  applyFocus(b);
}

void QtView::Impl::activateTopWindow() {
  // Nothing is done while another window still has the keyboard; a desktop without a window
  // manager, or one that hands the keyboard to some other window, leaves none or a hidden one.
  const QWidget* current = QApplication::activeWindow();
  if (current != nullptr && current->isVisible()) return;
  forms::Window* top = app_.activeWindow();
  Binding* b = top != nullptr ? binding(*top) : nullptr;
  if (b == nullptr || !b->widget->isVisible()) return;
  b->widget->activateWindow();
  applyFocus(*b);
}

void QtView::Impl::applyFocus(Binding& b) {
  forms::Control* focused = b.window->activeControl();
  const bool entered = focused != b.focusShown;
  b.focusShown = focused;
  if (focused == nullptr) {
    if (b.widget->isVisible()) b.widget->setFocus(Qt::OtherFocusReason);
    return;
  }
  ControlView* v = view(*focused);
  if (v == nullptr) return;
  // The focus is always shown, as after a Tab (the style draws its focus marks then), whether
  // it came there by a key, a click or the program.
  b.widget->setAttribute(Qt::WA_KeyboardFocusChange);
  v->focusTarget()->setFocus(Qt::OtherFocusReason);
  // Entering a date or number box selects its text, so that what the operator types replaces it
  // (a click into the editor then places the cursor where it points).
  if (auto* entry = dynamic_cast<PopupEntryWidget*>(v); entry != nullptr && entered)
    entry->editor()->selectAll();
}

void QtView::Impl::markGrid(forms::Grid& g, int firstRow, int lastRow, bool shape, bool props) {
  if (view(g) == nullptr) return;
  DirtyGrid& d = dirtyGrids_[&g];
  if (firstRow <= lastRow) {
    if (d.first > d.last) {
      d.first = firstRow;
      d.last = lastRow;
    } else {
      d.first = std::min(d.first, firstRow);
      d.last = std::max(d.last, lastRow);
    }
  }
  d.shape = d.shape || shape;
  d.props = d.props || props;
  if (!flushScheduled_) {
    flushScheduled_ = true;
    QTimer::singleShot(0, this, [this] { flushGrids(); });
  }
}

void QtView::Impl::flushGrids() {
  flushScheduled_ = false;
  while (!dirtyGrids_.empty()) {
    auto dirty = std::move(dirtyGrids_);
    dirtyGrids_.clear();
    for (auto& [grid, d] : dirty) {
      auto* gw = static_cast<GridWidget*>(view(*grid));
      Binding* b = binding(grid->window());
      if (gw == nullptr || gw->control() == nullptr || b == nullptr) continue;
      if (d.shape)
        gw->syncShape(scale_);
      else if (d.first <= d.last)
        gw->tableModel().refreshRows(d.first, d.last);
      if (d.props || d.shape) syncControl(*b, *gw);
    }
  }
}

void QtView::Impl::openMessageBox(forms::MessageBox& box) {
  QMessageBox::Icon icon = QMessageBox::Information;
  switch (box.kind()) {
    case forms::MessageBox::Kind::Message:
      icon = QMessageBox::Information;
      break;
    case forms::MessageBox::Kind::Warning:
      icon = QMessageBox::Warning;
      break;
    case forms::MessageBox::Kind::Question:
      icon = QMessageBox::Question;
      break;
    case forms::MessageBox::Kind::Error:
      icon = QMessageBox::Critical;
      break;
  }
  QWidget* parent = nullptr;
  if (forms::Window* active = app_.activeWindow())
    if (Binding* b = binding(*active)) parent = b->widget;
  QString title = qs(box.title());
  if (title.isEmpty()) title = QCoreApplication::applicationName();
  const bool question = box.isQuestion();
  auto* dialog =
      new QMessageBox(icon, title, qs(box.text()),
                      question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
  dialog->setObjectName(QStringLiteral("messageBox"));
  if (box.kind() == forms::MessageBox::Kind::Error) {
    QString detail = QStringLiteral("Error %1").arg(box.number());
    if (!box.source().empty()) detail += QStringLiteral(" (%1)").arg(qs(box.source()));
    dialog->setInformativeText(detail);
  }
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  forms::MessageBox* model = &box;
  // Closing the dialog any other way is the safe answer: OK, or No to a question.
  connect(dialog, &QMessageBox::finished, this, [this, model, dialog, question] {
    auto it = std::find_if(boxes_.begin(), boxes_.end(),
                           [&](const OpenBox& o) { return o.box == model; });
    if (it == boxes_.end() || !model->isOpen()) return;
    if (!inputEnabled()) {
      dialog->show();  // in a script the script answers
      return;
    }
    forms::MessageBox::Answer answer = forms::MessageBox::Answer::Ok;
    if (question)
      answer = dialog->clickedButton() == dialog->button(QMessageBox::Yes)
                   ? forms::MessageBox::Answer::Yes
                   : forms::MessageBox::Answer::No;
    model->answer(answer);
    wakeModalLoops();
  });
  boxes_.push_back({model, dialog});
  ++boxesOpened_;
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void QtView::Impl::closeMessageBox(forms::MessageBox& box) {
  auto it =
      std::find_if(boxes_.begin(), boxes_.end(), [&](const OpenBox& o) { return o.box == &box; });
  if (it == boxes_.end()) return;
  QPointer<QMessageBox> dialog = it->dialog;
  boxes_.erase(it);
  if (dialog) {
    dialog->disconnect(this);
    dialog->hide();
    dispose(dialog.data());
  }
  activateTopWindow();
}

QWidget* QtView::Impl::topMessageBox() const {
  for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it)
    if (it->dialog) return it->dialog.data();
  return nullptr;
}

void QtView::Impl::dispose(QWidget* w) {
  if (dispatchDepth_ > 0 || !modalLoops_.empty() || mainLoop_ != nullptr)
    w->deleteLater();
  else
    delete w;
}

bool QtView::Impl::anyWindowVisible() const {
  for (forms::Window* w : app_.loadedWindows())
    if (w->visible()) return true;
  return false;
}

void QtView::Impl::scheduleQuitCheck() {
  if (mainLoop_ == nullptr || quitCheckScheduled_) return;
  quitCheckScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    quitCheckScheduled_ = false;
    if (mainLoop_ != nullptr && modalLoops_.empty() && !anyWindowVisible()) mainLoop_->quit();
  });
}

// =============================================================================================
// Modal loops

void QtView::Impl::runModalLoop(const std::function<bool()>& finished) {
  if (finished()) return;
  QEventLoop loop;
  modalLoops_.push_back({&loop, &finished});
  struct Pop {
    std::vector<ModalEntry>& loops;
    ~Pop() { loops.pop_back(); }
  } pop{modalLoops_};
  flushGrids();
  loop.exec(QEventLoop::DialogExec);
}

void QtView::Impl::wakeModalLoops() {
  for (const ModalEntry& e : modalLoops_)
    if ((*e.finished)()) e.loop->quit();
}

int QtView::Impl::runMainLoop() {
  if (!anyWindowVisible()) return 0;
  QEventLoop loop;
  mainLoop_ = &loop;
  const int rc = loop.exec();
  mainLoop_ = nullptr;
  return rc;
}

// =============================================================================================
// View to model

void QtView::Impl::dispatch(const std::function<void()>& action) {
  ++dispatchDepth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{dispatchDepth_};
  flushGrids();
  app_.runHandler(action, "forms_qt");
  flushGrids();
  wakeModalLoops();
}

bool QtView::Impl::commitPendingEdit(ControlView& v) {
  forms::Control* c = v.control();
  if (c == nullptr || !v.hasPendingEdit()) return true;
  const std::string text = v.pendingText();
  v.dropPendingEdit();
  if (!c->hasFocus()) return true;
  forms::Window& w = c->window();
  const int boxesBefore = boxesOpened_;
  dispatch([&] { w.operatorType(text); });
  if (v.control() != nullptr) {
    v.dropPendingEdit();
    if (Binding* b = binding(w)) syncControl(*b, v);
  }
  if (boxesOpened_ == boxesBefore) return true;
  // Refused with a message: the operator types the number again.
  if (auto* box = dynamic_cast<NumberEntryWidget*>(&v); box != nullptr && v.control() != nullptr)
    box->editor()->selectAll();
  return false;
}

bool QtView::Impl::commitPendingEdits(const ControlView* except) {
  bool quiet = true;
  for (auto& [control, v] : std::vector<std::pair<const forms::Control*, ControlView*>>(
           controls_.begin(), controls_.end()))
    if (v != except && v->hasPendingEdit()) quiet = commitPendingEdit(*v) && quiet;
  return quiet;
}

ControlView* QtView::Impl::controlViewOf(QWidget* w) const {
  for (QWidget* p = w; p != nullptr; p = p->parentWidget()) {
    auto it = byWidget_.find(p);
    if (it != byWidget_.end()) return it->second;
    if (p->isWindow()) break;
  }
  return nullptr;
}

bool QtView::Impl::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (passthrough_ > 0) return false;
      return handleKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
      return handleMouse(watched, static_cast<QMouseEvent*>(event));
    default:
      return false;
  }
}

bool QtView::Impl::handleKey(QObject* watched, QKeyEvent* e) {
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (receiver == nullptr) return false;
  if (auto* ww = dynamic_cast<WindowWidget*>(receiver)) {
    // Keys to a window where no control has the focus.
    forms::Window* w = ww->window();
    if (w == nullptr || !inputEnabled()) return true;
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
      const bool back = e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier);
      dispatch([&] { w->operatorTab(back); });
      return true;
    }
    if (const int code = charCode(*e)) {
      dispatch([&] { w->operatorKey(code); });
      return true;
    }
    return false;
  }
  ControlView* v = controlViewOf(receiver);
  if (v == nullptr) return false;
  if (v->control() == nullptr || !inputEnabled()) return true;
  // Only the copy that reaches the control's own widgets counts; a key an editor did not want
  // travels on to the container, which is not the operator pressing it again.
  if (!v->control()->takesFocus()) return true;
  return handleControlKey(*v, receiver, e);
}

bool QtView::Impl::handleControlKey(ControlView& v, QWidget* receiver, QKeyEvent* e) {
  forms::Control& c = *v.control();
  forms::Window& w = c.window();
  const int key = e->key();
  const auto mods = e->modifiers();
  if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
      !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
    if (!commitPendingEdits()) return true;
    const bool back = key == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
    dispatch([&] { w.operatorTab(back); });
    return true;
  }
  if (key == Qt::Key_F2) {
    if (!commitPendingEdits()) return true;
    dispatch([&] { w.operatorKey(forms::keys::kF2); });
    return true;
  }
  int code = charCode(*e);
  // The keypad's decimal key types the regional decimal separator in a number box, whatever the
  // keyboard layout gives it, as spreadsheets do.
  if (code != 0 && c.kind() == forms::ControlKind::NumberEntryBox && (mods & Qt::KeypadModifier) &&
      (key == Qt::Key_Period || key == Qt::Key_Comma))
    code = static_cast<int>(app_.regionalSettings().decimalSeparator());
  if (code == 0) {
    if (c.kind() == forms::ControlKind::Grid) {
      navigateGrid(static_cast<GridWidget&>(v), static_cast<forms::Grid&>(c), key, mods);
      return true;
    }
    // Cursor keys, Delete, copy and paste work inside an editor; what they change reaches the
    // model as typed text.
    return !isEditor(c.kind());
  }
  if (code == forms::keys::kEnter || code == forms::keys::kEscape) {
    if (!commitPendingEdits() || v.control() == nullptr) return true;
    dispatch([&] { w.operatorKey(code); });
    return true;
  }
  if (!isEditor(c.kind())) {
    if (!commitPendingEdits()) return true;
    dispatch([&] { w.operatorKey(code); });
    return true;
  }
  // An editor: the window's key preview and the control's KeyPress see the key first (and may
  // change or swallow it); the character that comes through is then typed at the cursor.
  int16_t delivered = 0;
  bool reached = false;
  auto original = c.onKeyPress;
  c.onKeyPress = [&reached, &delivered, original](int16_t& k) {
    if (original) original(k);
    reached = true;
    delivered = k;
    k = 0;  // the editor types it, where the cursor is
  };
  dispatch([&] { w.operatorKey(code); });
  if (v.control() == nullptr) return true;
  c.onKeyPress = original;
  if (!reached || delivered == 0 || !c.hasFocus()) return true;
  QKeyEvent typed = characterEvent(delivered, *e);
  ++passthrough_;
  QCoreApplication::sendEvent(receiver, &typed);
  --passthrough_;
  return true;
}

void QtView::Impl::navigateGrid(GridWidget& gw, forms::Grid& g, int key,
                                Qt::KeyboardModifiers mods) {
  if (g.rows() <= g.fixedRows() || g.cols() <= g.fixedCols()) return;
  int row = g.row(), col = g.col();
  const int page = std::max(
      1, gw.viewport()->height() / std::max(1, gw.verticalHeader()->defaultSectionSize()) - 1);
  auto visibleCol = [&](int c, int step) {
    while (c >= g.fixedCols() && c < g.cols() && g.colWidth(c) <= 0) c += step;
    return c;
  };
  switch (key) {
    case Qt::Key_Up:
      --row;
      break;
    case Qt::Key_Down:
      ++row;
      break;
    case Qt::Key_PageUp:
      row -= page;
      break;
    case Qt::Key_PageDown:
      row += page;
      break;
    case Qt::Key_Left:
      col = visibleCol(col - 1, -1);
      break;
    case Qt::Key_Right:
      col = visibleCol(col + 1, 1);
      break;
    case Qt::Key_Home:
      if (mods & Qt::ControlModifier) row = g.fixedRows();
      col = visibleCol(g.fixedCols(), 1);
      break;
    case Qt::Key_End:
      if (mods & Qt::ControlModifier) row = g.rows() - 1;
      col = visibleCol(g.cols() - 1, -1);
      break;
    default:
      return;
  }
  row = std::clamp(row, g.fixedRows(), g.rows() - 1);
  col = std::clamp(col, g.fixedCols(), g.cols() - 1);
  if (row == g.row() && col == g.col()) return;
  dispatch([&] {
    g.setRow(row);
    g.setCol(col);
  });
  if (gw.control() != nullptr) {
    flushGrids();
    gw.scrollToCurrent();
  }
}

bool QtView::Impl::handleMouse(QObject* watched, QMouseEvent* e) {
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (receiver == nullptr) return false;
  ControlView* v = controlViewOf(receiver);
  if (v == nullptr) return false;
  if (v->control() == nullptr || !inputEnabled()) return true;
  if (e->button() != Qt::LeftButton) return true;
  forms::Control& c = *v->control();
  forms::Window& w = c.window();
  const bool press = e->type() != QEvent::MouseButtonRelease;

  if (c.kind() == forms::ControlKind::Grid) {
    auto& gw = static_cast<GridWidget&>(*v);
    auto& g = static_cast<forms::Grid&>(c);
    if (receiver == gw.viewport()) {
      if (!press || !commitPendingEdits()) return true;
      int row = 0, col = 0;
      if (!gw.cellAt(e->position().toPoint(), row, col)) {
        dispatch([&] { w.operatorFocus(g); });
        return true;
      }
      if (e->type() == QEvent::MouseButtonDblClick)
        dispatch([&] { w.operatorDblClick(g, row, col); });
      else
        dispatch([&] { w.operatorCell(g, row, col); });
      return true;
    }
    if (receiver == gw.horizontalHeader()->viewport() || receiver == gw.horizontalHeader()) {
      // A drag on a border after a column widens or narrows it; the model takes the width when
      // the button is let go.
      if (!press) {
        for (const auto& [col, px] : gw.takeDraggedWidths())
          dispatch([&] { w.operatorColWidth(g, col, scale_.twipsX(px)); });
        if (gw.control() != nullptr) markGrid(g, 0, -1, true, true);
        return false;
      }
      if (gw.columnBorderAt(e->position().toPoint())) return false;
      if (!commitPendingEdits()) return true;
      const int col = gw.horizontalHeader()->logicalIndexAt(e->position().toPoint());
      if (col >= 0) dispatch([&] { w.operatorCell(g, 0, col); });
      return true;
    }
    return false;  // the scroll bars scroll
  }
  if (isButtonLike(c.kind())) {
    // The button's own press and release make the click (clicked -> controlClicked).
    if (press && !commitPendingEdits(v)) return true;
    return !c.isEffectivelyEnabled();
  }
  if (isEditor(c.kind())) {
    if (!press) return false;
    if (!commitPendingEdits(v) || v->control() == nullptr) return true;
    if (!c.hasFocus()) {
      dispatch([&] { w.operatorFocus(c); });
      if (v->control() == nullptr || !c.hasFocus())
        return true;  // refused: the focus stays where it was
    }
    return false;  // the editor places its cursor, opens its calendar or calculator
  }
  // Labels, frames, shapes, the status bar: a click.
  if (e->type() == QEvent::MouseButtonRelease &&
      receiver->rect().contains(e->position().toPoint())) {
    if (!commitPendingEdits()) return true;
    dispatch([&] { w.operatorClick(c); });
  }
  return true;
}

// ---- InputSink ----

void QtView::Impl::controlClicked(forms::Control& control) {
  if (!inputEnabled()) return;
  ControlView* v = view(control);
  forms::Window& w = control.window();
  dispatch([&] { w.operatorClick(control); });
  // The widget shows what the model holds, whatever the click did to the widget itself.
  if (v != nullptr && v->control() != nullptr)
    if (Binding* b = binding(w)) syncControl(*b, *v);
}

void QtView::Impl::editorChanged(forms::Control& control, const std::string& text) {
  ControlView* v = view(control);
  forms::Window& w = control.window();
  if (inputEnabled() && control.hasFocus()) dispatch([&] { w.operatorType(text); });
  if (v != nullptr && v->control() != nullptr)
    if (Binding* b = binding(w)) syncControl(*b, *v);
}

void QtView::Impl::lookupRequested(forms::Control& control) {
  if (!inputEnabled()) return;
  ControlView* v = view(control);
  forms::Window& w = control.window();
  if (!commitPendingEdits()) return;
  if (!control.hasFocus()) {
    dispatch([&] { w.operatorFocus(control); });
    if (v == nullptr || v->control() == nullptr || !control.hasFocus()) return;
  }
  dispatch([&] { w.operatorKey(forms::keys::kF2); });
}

void QtView::Impl::popupResult(forms::Control& control, const std::string& text) {
  if (!inputEnabled()) return;
  ControlView* v = view(control);
  forms::Window& w = control.window();
  if (!control.hasFocus()) {
    dispatch([&] { w.operatorFocus(control); });
    if (v == nullptr || v->control() == nullptr || !control.hasFocus()) return;
  }
  dispatch([&] { w.operatorType(text); });
  if (v != nullptr && v->control() != nullptr) {
    v->dropPendingEdit();
    if (Binding* b = binding(w)) syncControl(*b, *v);
  }
}

// ---- WindowEvents ----

void QtView::Impl::closeRequested(forms::Window& w) {
  if (!inputEnabled() || !commitPendingEdits()) return;
  dispatch([&] { w.operatorClose(); });
}

void QtView::Impl::resizedByOperator(forms::Window& w, QSize clientPx) {
  if (applying_ > 0 || !inputEnabled()) return;
  Binding* b = binding(w);
  if (b == nullptr || w.windowState() != forms::WindowState::Normal) return;
  if (b->widget->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
    return;
  const QSize modelClient(scale_.pxX(w.clientWidth()), scale_.pxY(w.clientHeight()));
  if (clientPx == modelClient) return;
  // The outer size the operator dragged to: the client area plus the window's borders.
  const int outerW = scale_.twipsX(clientPx.width()) + (w.width() - w.clientWidth());
  const int outerH = scale_.twipsY(clientPx.height()) + (w.height() - w.clientHeight());
  dispatch([&] { w.operatorResize(outerW, outerH); });
  // The window's resize rules may have changed the size again: show what the model holds.
  if (Binding* again = binding(w)) syncWindow(*again);
}

void QtView::Impl::movedByOperator(forms::Window& w, QPoint outerPx) {
  if (applying_ > 0 || !inputEnabled() || w.windowState() != forms::WindowState::Normal) return;
  if (outerPx == QPoint(scale_.pxX(w.left()), scale_.pxY(w.top()))) return;
  const int left = scale_.twipsX(outerPx.x()), top = scale_.twipsY(outerPx.y());
  dispatch([&] { w.move(left, top); });
}

void QtView::Impl::stateChangedByOperator(forms::Window& w, Qt::WindowStates states) {
  if (applying_ > 0 || !inputEnabled()) return;
  forms::WindowState state = forms::WindowState::Normal;
  if (states & Qt::WindowMinimized)
    state = forms::WindowState::Minimized;
  else if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
    state = forms::WindowState::Maximized;
  if (state == w.windowState()) return;
  dispatch([&] { w.operatorSetState(state); });
  if (Binding* b = binding(w)) syncWindow(*b);
}

void QtView::Impl::activated(forms::Window& w) {
  // The operator brought a window to the front: it becomes the model's top-most window.
  if (!inputEnabled() || !modalLoops_.empty() || app_.activeWindow() == &w) return;
  if (!w.isLoaded() || !w.visible()) return;
  dispatch([&] { w.show(false); });
}

void QtView::Impl::resized(forms::Window& w) {
  if (Binding* b = binding(w)) dockStatusBars(*b);
}

}  // namespace forms_qt
