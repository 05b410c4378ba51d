#include "control_widgets.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include "calculator.h"
#include "forms/application.h"
#include "forms/window.h"

namespace forms_qt {

namespace {

void setColors(QWidget& w, forms::Color back, forms::Color fore) {
  QPalette p = w.palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, toQColor(back));
    p.setColor(group, QPalette::Button, toQColor(back));
    p.setColor(group, QPalette::WindowText, toQColor(fore));
    p.setColor(group, QPalette::ButtonText, toQColor(fore));
    p.setColor(group, QPalette::Text, toQColor(fore));
  }
  p.setColor(QPalette::Disabled, QPalette::Window, toQColor(back));
  p.setColor(QPalette::Disabled, QPalette::Button, toQColor(back));
  w.setPalette(p);
}

void syncCommon(QWidget& w, const forms::Control& c) {
  w.setEnabled(c.enabled());
  const QFont f = toQFont(c.font());
  if (w.font() != f) w.setFont(f);
  const QString tip = qs(c.toolTipText());
  if (w.toolTip() != tip) w.setToolTip(tip);
}

QString entryStyle(const char* widgetClass, const EntryLook& look) {
  return QStringLiteral("%1 { background-color: %2; color: %3; border: 1px solid %4; padding: 0px 1px; }")
      .arg(QLatin1String(widgetClass), cssColor(look.back), cssColor(look.fore), cssColor(look.border));
}

void setStyleIfChanged(QWidget& w, QString& last, const QString& style) {
  if (style == last) return;
  last = style;
  w.setStyleSheet(style);
}

}  // namespace

EntryLook entryLook(const forms::Control& c, const forms::ThemeColors& theme) {
  if (!c.isEffectivelyEnabled()) return {theme.backDisabled, theme.foreDisabled, theme.border};
  if (c.hasFocus()) return {theme.backFocused, theme.foreFocused, theme.borderFocused};
  return {c.backColor(), c.foreColor(), theme.border};
}

// ---------------------------------------------------------------------------------------------
// Label, shape, frame

LabelWidget::LabelWidget(forms::Label& label, InputSink& sink, QWidget* parent) : QLabel(parent), ControlView(label, sink) {
  setTextFormat(Qt::PlainText);
  setMargin(0);
  setIndent(0);
  setContentsMargins(0, 0, 0, 0);
  setFocusPolicy(Qt::NoFocus);
}

void LabelWidget::sync(const Scale& scale) {
  const auto& l = static_cast<const forms::Label&>(*control_);
  syncCommon(*this, l);
  // A frame clips what lies above its top edge (a panel's title placed across the edge of its
  // box): the text starts at the edge, where it can be read.
  setContentsMargins(0, l.container() != nullptr ? std::max(0, -scale.pxY(l.top())) : 0, 0, 0);
  const QString text = qs(l.caption());
  if (this->text() != text) setText(text);
  setAlignment(toQtAlignment(l.alignment()) | Qt::AlignTop);
  // A label of fixed size breaks its text at blanks; one that sizes itself keeps one line.
  setWordWrap(!l.autoSize());
  setColors(*this, l.backColor(), l.foreColor());
  setAutoFillBackground(l.backStyle() == 1);
  setFrameStyle(l.borderStyle() == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
}

void LabelWidget::fitOneLine(int roomLeft, int roomRight) {
  const auto& l = static_cast<const forms::Label&>(*control_);
  if (l.autoSize() || text().isEmpty()) return;
  QFont f = font();
  const int frame = width() - contentsRect().width();
  if (contentsRect().height() >= 2 * QFontMetrics(f).lineSpacing()) return;  // room to break the text
  const int missing = QFontMetrics(f).horizontalAdvance(text()) + frame - width();
  if (missing <= 0) return;
  setWordWrap(false);
  QRect r = geometry();
  // The aligned edge stays: a column of right-aligned totals keeps its right edge.
  int growLeft = 0, growRight = 0;
  switch (l.alignment()) {
    case forms::Alignment::Right: growLeft = std::min(missing, roomLeft); break;
    case forms::Alignment::Left: growRight = std::min(missing, roomRight); break;
    case forms::Alignment::Center:
      growLeft = growRight = std::min({(missing + 1) / 2, roomLeft, roomRight});
      break;
  }
  r.adjust(-growLeft, 0, growRight, 0);
  setGeometry(r);
  // Still too narrow: the same face, smaller, until the text fits.
  const int room = r.width() - frame;
  while (f.pointSizeF() > 4 && QFontMetrics(f).horizontalAdvance(text()) > room)
    f.setPointSizeF(
        std::max(4.0, f.pointSizeF() * std::min(0.97, double(room) / QFontMetrics(f).horizontalAdvance(text()))));
  if (f != font()) setFont(f);
}

ShapeWidget::ShapeWidget(forms::Shape& shape, InputSink& sink, QWidget* parent) : QWidget(parent), ControlView(shape, sink) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void ShapeWidget::sync(const Scale&) {
  const auto& s = static_cast<const forms::Shape&>(*control_);
  setProperty("shapeKind", s.shape());
  setProperty("borderColor", toQColor(s.borderColor()));
  setProperty("borderWidth", std::max(1, s.borderWidth()));
  setProperty("fill", s.fillStyle() == 0 ? QVariant(toQColor(s.fillColor())) : QVariant());
  update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
  // Drawn from what the last sync() stored: the control may be gone by the time this runs.
  QPainter p(this);
  const int kind = property("shapeKind").toInt();
  const int penWidth = property("borderWidth").toInt();
  QPen pen(property("borderColor").value<QColor>(), penWidth);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  const QVariant fill = property("fill");
  p.setBrush(fill.isValid() ? QBrush(fill.value<QColor>()) : Qt::NoBrush);
  // The outline lies inside the control's rectangle.
  QRectF r = QRectF(rect()).adjusted(penWidth / 2.0, penWidth / 2.0, -penWidth / 2.0, -penWidth / 2.0);
  if (kind == 1 || kind == 3 || kind == 5) {
    const double side = std::min(r.width(), r.height());
    r = QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
  }
  if (kind == 2 || kind == 3) {
    p.setRenderHint(QPainter::Antialiasing);
    p.drawEllipse(r);
  } else if (kind == 4 || kind == 5) {
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = std::min(r.width(), r.height()) / 6;
    p.drawRoundedRect(r, radius, radius);
  } else {
    p.drawRect(r);
  }
}

FrameWidget::FrameWidget(forms::Frame& frame, InputSink& sink, QWidget* parent) : QWidget(parent), ControlView(frame, sink) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
}

void FrameWidget::sync(const Scale&) {
  const auto& f = static_cast<const forms::Frame&>(*control_);
  syncCommon(*this, f);
  setColors(*this, f.backColor(), f.foreColor());
  setProperty("caption", qs(f.caption()));
  setProperty("bordered", f.borderStyle() == 1);
  update();
}

void FrameWidget::paintEvent(QPaintEvent*) {
  if (!property("bordered").toBool()) return;
  QPainter p(this);
  const QString caption = property("caption").toString();
  const QFontMetrics fm(font());
  const int top = caption.isEmpty() ? 0 : fm.height() / 2;
  const QRect box = rect().adjusted(0, top, -1, -1);
  qDrawShadeRect(&p, box, palette(), true, 1);
  if (!caption.isEmpty()) {
    const QRect textRect(8, 0, fm.horizontalAdvance(caption) + 4, fm.height());
    p.fillRect(textRect, palette().color(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(textRect, Qt::AlignCenter, caption);
  }
}

// ---------------------------------------------------------------------------------------------
// Buttons

ActionButtonWidget::ActionButtonWidget(forms::ActionButton& button, InputSink& sink, QWidget* parent)
    : QAbstractButton(parent), ControlView(button, sink) {
  setFocusPolicy(Qt::NoFocus);
  setIconSize(QSize(16, 16));
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (control_ != nullptr) sink_.controlClicked(*control_);
  });
}

namespace {

QIcon namedIcon(const std::string& name, const QStyle& style) {
  if (name == "process") return style.standardIcon(QStyle::SP_DialogApplyButton);
  if (name == "cancel") return style.standardIcon(QStyle::SP_DialogCancelButton);
  if (name == "ok") return style.standardIcon(QStyle::SP_DialogOkButton);
  if (name.empty()) return {};
  return QIcon::fromTheme(qs(name));
}

}  // namespace

void ActionButtonWidget::sync(const Scale& scale) {
  auto& b = static_cast<forms::ActionButton&>(*control_);
  syncCommon(*this, b);
  if (text() != qs(b.caption())) setText(qs(b.caption()));
  const QString iconName = qs(b.icon());
  if (iconName != property("iconName").toString()) {
    setProperty("iconName", iconName);
    setIcon(namedIcon(b.icon(), *style()));
  }
  const auto& theme = b.themeColors();
  forms::Color face = b.backColor(), fore = b.foreColor();
  if (!b.isEffectivelyEnabled()) {
    face = theme.backDisabled;
    fore = theme.foreDisabled;
  } else if (b.hasFocus()) {
    face = theme.backFocused;
    fore = theme.foreFocused;
  }
  setProperty("face", toQColor(face));
  setProperty("fore", toQColor(fore));
  setProperty("isDefault", b.isDefault());
  labelXPx_ = scale.pxX(b.labelX());
  update();
}

void ActionButtonWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor face = property("face").value<QColor>();
  const QColor fore = property("fore").value<QColor>();
  const bool down = isDown();
  QRect r = rect();
  p.fillRect(r, down ? face.darker(125) : face);
  p.setPen(face.darker(down ? 170 : 140));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  if (property("isDefault").toBool()) {
    p.setPen(face.darker(200));
    p.drawRect(r.adjusted(1, 1, -2, -2));
  }
  const int shift = down ? 1 : 0;
  int textLeft = 0;
  if (!icon().isNull()) {
    const QSize s = iconSize();
    const QRect iconRect(labelXPx_ + shift, (height() - s.height()) / 2 + shift, s.width(), s.height());
    icon().paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    textLeft = iconRect.right() + 1;
  }
  p.setPen(fore);
  p.setFont(font());
  const QRect textRect = QRect(textLeft, 0, width() - textLeft, height()).translated(shift, shift);
  p.drawText(textRect, Qt::AlignCenter, text());
}

OptionButtonWidget::OptionButtonWidget(forms::OptionButton& button, InputSink& sink, QWidget* parent)
    : QRadioButton(parent), ControlView(button, sink) {
  setAutoExclusive(false);
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (control_ != nullptr) sink_.controlClicked(*control_);
  });
}

void OptionButtonWidget::sync(const Scale&) {
  const auto& o = static_cast<const forms::OptionButton&>(*control_);
  syncCommon(*this, o);
  if (text() != qs(o.caption())) setText(qs(o.caption()));
  setChecked(o.value());
  setColors(*this, o.backColor(), o.foreColor());
}

CheckBoxWidget::CheckBoxWidget(forms::CheckBox& box, InputSink& sink, QWidget* parent)
    : QCheckBox(parent), ControlView(box, sink) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (control_ != nullptr) sink_.controlClicked(*control_);
  });
}

void CheckBoxWidget::sync(const Scale&) {
  const auto& c = static_cast<const forms::CheckBox&>(*control_);
  syncCommon(*this, c);
  if (text() != qs(c.caption())) setText(qs(c.caption()));
  setTristate(c.value() == 2);
  setCheckState(c.value() == 1 ? Qt::Checked : c.value() == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
  setColors(*this, c.backColor(), c.foreColor());
}

// ---------------------------------------------------------------------------------------------
// Entry boxes

TextEntryWidget::TextEntryWidget(forms::TextEntry& entry, InputSink& sink, QWidget* parent)
    : QLineEdit(parent), ControlView(entry, sink) {
  setFocusPolicy(Qt::NoFocus);
  setFrame(false);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (control_ != nullptr) sink_.editorChanged(*control_, utf8(t));
  });
  if (entry.kind() == forms::ControlKind::CodeLookupField) {
    QAction* search = addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QLineEdit::TrailingPosition);
    search->setObjectName(QStringLiteral("search"));
    search->setToolTip(QStringLiteral("Buscar (F2)"));
    connect(search, &QAction::triggered, this, [this] {
      if (control_ != nullptr) sink_.lookupRequested(*control_);
    });
  }
}

void TextEntryWidget::sync(const Scale&) {
  const auto& t = static_cast<const forms::TextEntry&>(*control_);
  syncCommon(*this, t);
  const QString text = qs(t.text());
  if (this->text() != text) setText(text);
  setMaxLength(t.maxLength() > 0 ? t.maxLength() : 32767);
  setReadOnly(t.locked());
  setEchoMode(t.passwordChar().empty() ? QLineEdit::Normal : QLineEdit::Password);
  setAlignment(toQtAlignment(t.alignment()) | Qt::AlignVCenter);
  setStyleIfChanged(*this, styleSheet_, entryStyle("QLineEdit", entryLook(t, t.themeColors())));
}

PopupEntryWidget::PopupEntryWidget(forms::Control& control, InputSink& sink, QWidget* parent, const char* buttonName)
    : QWidget(parent), ControlView(control, sink) {
  setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_ = new QLineEdit(this);
  edit_->setFocusPolicy(Qt::NoFocus);
  edit_->setFrame(false);
  button_ = new QToolButton(this);
  button_->setObjectName(QLatin1String(buttonName));
  button_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_, 0);
  connect(edit_, &QLineEdit::textEdited, this, [this] { pending_ = true; });
  connect(button_, &QToolButton::clicked, this, [this] {
    if (control_ != nullptr) openPopup();
  });
}

void PopupEntryWidget::syncEntry(const QString& modelText, bool showButton, const EntryLook& look) {
  syncCommon(*this, *control_);
  // Typed text stays until it is given to the model; a new value from the model replaces it.
  if (modelText != shownModelText_ || !pending_) {
    shownModelText_ = modelText;
    pending_ = false;
    if (edit_->text() != modelText) edit_->setText(modelText);
  }
  edit_->setFont(font());
  button_->setVisible(showButton);
  button_->setFixedWidth(std::max(12, height()));
  setStyleIfChanged(*this, styleSheet_, entryStyle("QLineEdit", look));
}

void PopupEntryWidget::dropPendingEdit() {
  pending_ = false;
  edit_->setText(shownModelText_);
}

void PopupEntryWidget::showPopup(QWidget* popup) {
  popup->adjustSize();
  popup->move(mapToGlobal(QPoint(width() - popup->width(), height())));
  popup->show();
}

// ---- Date box ----

namespace {

// The calendar of a date box: the month of the box's date, in the regional language, with the
// regional first day of the week. A click, Enter or a double click chooses a day.
class CalendarPopup final : public QFrame {
 public:
  CalendarPopup(const QDate& date, const QLocale& locale, std::function<void(const QDate&)> choose, QWidget* parent)
      : QFrame(parent, Qt::Popup), choose_(std::move(choose)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("calendar"));
    calendar_->setLocale(locale);
    calendar_->setFirstDayOfWeek(locale.firstDayOfWeek());
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setSelectedDate(date);
    layout->addWidget(calendar_);
    connect(calendar_, &QCalendarWidget::clicked, this, [this](const QDate& d) { chosen(d); });
    connect(calendar_, &QCalendarWidget::activated, this, [this](const QDate& d) { chosen(d); });
    calendar_->setFocus(Qt::PopupFocusReason);
  }

 private:
  void chosen(const QDate& d) {
    auto choose = choose_;
    close();
    if (choose && d.isValid()) choose(d);
  }
  QCalendarWidget* calendar_;
  std::function<void(const QDate&)> choose_;
};

}  // namespace

DateEntryWidget::DateEntryWidget(forms::DateEntryBox& box, InputSink& sink, QWidget* parent)
    : PopupEntryWidget(box, sink, parent, "calendarButton") {
  button_->setArrowType(Qt::DownArrow);
  button_->setToolTip(QStringLiteral("Calendario (F4)"));
  edit_->installEventFilter(this);
}

void DateEntryWidget::sync(const Scale&) {
  const auto& b = static_cast<const forms::DateEntryBox&>(*control_);
  syncEntry(qs(b.text()), true, entryLook(b, b.themeColors()));
}

bool DateEntryWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress && control_ != nullptr) {
    const auto* e = static_cast<QKeyEvent*>(event);
    if (e->key() == Qt::Key_F4 || (e->key() == Qt::Key_Down && (e->modifiers() & Qt::AltModifier))) {
      openPopup();
      return true;
    }
  }
  return PopupEntryWidget::eventFilter(watched, event);
}

void DateEntryWidget::openPopup() {
  auto* box = static_cast<forms::DateEntryBox*>(control_);
  const automation::Date v = box->value();
  const QLocale locale(qs(box->application().regionalSettings().localeId()));
  auto* popup = new CalendarPopup(
      QDate(v.year(), v.month(), v.day()), locale,
      [this](const QDate& d) {
        if (control_ != nullptr) sink_.popupResult(*control_, utf8(d.toString(Qt::ISODate)));
      },
      this);
  popup->setObjectName(QStringLiteral("calendarPopup"));
  showPopup(popup);
}

// ---- Number box ----

NumberEntryWidget::NumberEntryWidget(forms::NumberEntryBox& box, InputSink& sink, QWidget* parent)
    : PopupEntryWidget(box, sink, parent, "calculator") {
  edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  button_->setText(QStringLiteral("\u2026"));
  button_->setToolTip(QStringLiteral("Calculadora"));
}

void NumberEntryWidget::sync(const Scale&) {
  const auto& b = static_cast<const forms::NumberEntryBox&>(*control_);
  syncEntry(qs(b.text()), b.showCalc(), entryLook(b, b.themeColors()));
}

void NumberEntryWidget::openPopup() {
  auto* box = static_cast<forms::NumberEntryBox*>(control_);
  const QString decimal = qs(box->application().regionalSettings().decimalText());
  auto* popup = new CalculatorPopup(
      box->value(), decimal.isEmpty() ? QChar('.') : decimal.at(0),
      [this](const QString& result) {
        if (control_ != nullptr) sink_.popupResult(*control_, utf8(result));
      },
      this);
  popup->setObjectName(QStringLiteral("calculatorPopup"));
  showPopup(popup);
}

// ---------------------------------------------------------------------------------------------
// Status bar

StatusBarWidget::StatusBarWidget(forms::StatusBar& bar, InputSink& sink, QWidget* parent)
    : QWidget(parent), ControlView(bar, sink) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
}

void StatusBarWidget::sync(const Scale& scale) {
  const auto& b = static_cast<const forms::StatusBar&>(*control_);
  syncCommon(*this, b);
  setColors(*this, b.backColor(), b.foreColor());
  panels_ = b.panels();
  scale_ = scale;
  update();
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
  // Panels side by side at their widths; the last one takes what is left of the bar.
  QPainter p(this);
  p.setFont(font());
  int x = 0;
  for (size_t i = 0; i < panels_.size(); ++i) {
    const bool last = i + 1 == panels_.size();
    const int w = last ? width() - x : scale_.pxX(panels_[i].width);
    const QRect r(x, 2, std::max(0, w - 2), height() - 3);
    qDrawShadePanel(&p, r, palette(), true, 1);
    p.setPen(palette().color(QPalette::WindowText));
    const QRect textRect = r.adjusted(3, 0, -3, 0);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(qs(panels_[i].text), Qt::ElideRight, textRect.width()));
    x += w;
  }
}

}  // namespace forms_qt
