#include "calculator.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace forms_qt {

namespace {

QString numberText(double v, QChar decimal) {
  if (v == 0) v = 0;  // no "-0"
  QString s = QString::number(v, 'g', 15);
  if (decimal != '.') s.replace('.', decimal);
  return s;
}

}  // namespace

void CalculatorEngine::start(double value) {
  entry_ = numberText(value, decimal_);
  accumulator_ = value;
  pendingOp_ = QChar();
  fresh_ = true;
  error_ = false;
}

std::optional<double> CalculatorEngine::value() const {
  if (error_) return std::nullopt;
  QString s = entry_;
  if (decimal_ != '.') s.replace(decimal_, '.');
  bool ok = false;
  const double v = s.toDouble(&ok);
  return ok ? std::optional<double>(v) : std::nullopt;
}

void CalculatorEngine::apply() {
  const auto current = value();
  if (!current) return;
  double result = *current;
  if (pendingOp_ == '+') result = accumulator_ + *current;
  if (pendingOp_ == '-') result = accumulator_ - *current;
  if (pendingOp_ == '*') result = accumulator_ * *current;
  if (pendingOp_ == '/') {
    if (*current == 0) {
      error_ = true;
      entry_ = QStringLiteral("E");
      return;
    }
    result = accumulator_ / *current;
  }
  accumulator_ = result;
  entry_ = numberText(result, decimal_);
}

void CalculatorEngine::press(QChar key) {
  if (key == 'C') {
    start(0);
    return;
  }
  if (error_) return;  // only C leaves the error
  if (key.isDigit()) {
    if (fresh_ || entry_ == QStringLiteral("0")) entry_.clear();
    fresh_ = false;
    entry_ += key;
    return;
  }
  if (key == decimal_) {
    if (fresh_) {
      entry_ = QStringLiteral("0");
      fresh_ = false;
    }
    if (!entry_.contains(decimal_)) entry_ += decimal_;
    return;
  }
  if (key == 'B') {
    if (fresh_) return;
    entry_.chop(1);
    if (entry_.isEmpty() || entry_ == QStringLiteral("-")) entry_ = QStringLiteral("0");
    return;
  }
  if (key == '+' || key == '-' || key == '*' || key == '/' || key == '=') {
    if (!fresh_ || pendingOp_.isNull()) {
      if (pendingOp_.isNull()) {
        if (const auto v = value()) accumulator_ = *v;
      } else {
        apply();
      }
    }
    pendingOp_ = key == '=' ? QChar() : key;
    fresh_ = true;
  }
}

CalculatorPopup::CalculatorPopup(double start, QChar decimalSeparator, std::function<void(const QString&)> onAccept,
                                 QWidget* parent)
    : QFrame(parent, Qt::Popup), engine_(decimalSeparator), accept_(std::move(onAccept)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  engine_.start(start);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);
  display_ = new QLineEdit(engine_.display(), this);
  display_->setReadOnly(true);
  display_->setAlignment(Qt::AlignRight);
  display_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(display_);
  auto* keys = new QGridLayout;
  keys->setSpacing(2);
  const QString sep(decimalSeparator);
  const QStringList rows[] = {
      {"7", "8", "9", "/"}, {"4", "5", "6", "*"}, {"1", "2", "3", "-"}, {"0", sep, "=", "+"}, {"C", "\u2190", "OK"}};
  int r = 0;
  for (const auto& row : rows) {
    int c = 0;
    for (const QString& label : row) {
      auto* b = new QPushButton(label, this);
      b->setFocusPolicy(Qt::NoFocus);
      b->setFixedSize(label == QStringLiteral("OK") ? 62 : 30, 24);
      b->setObjectName(QStringLiteral("calc_") + label);
      if (label == QStringLiteral("OK")) {
        connect(b, &QPushButton::clicked, this, [this] { accept(); });
        keys->addWidget(b, r, c, 1, 2);
      } else {
        const QChar key = label == QStringLiteral("\u2190") ? QChar('B') : label.at(0);
        connect(b, &QPushButton::clicked, this, [this, key] { press(key); });
        keys->addWidget(b, r, c);
      }
      ++c;
    }
    ++r;
  }
  layout->addLayout(keys);
}

void CalculatorPopup::press(QChar key) {
  engine_.press(key);
  display_->setText(engine_.display());
}

void CalculatorPopup::accept() {
  engine_.press('=');
  display_->setText(engine_.display());
  if (!engine_.value()) return;  // an error stays on the display until C
  const QString result = engine_.display();
  auto done = accept_;
  close();
  if (done) done(result);
}

void CalculatorPopup::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  if (e->key() == Qt::Key_Backspace) {
    press('B');
    return;
  }
  const QString t = e->text();
  if (t.size() == 1) {
    const QChar ch = t.at(0);
    if (ch.isDigit() || QStringLiteral("+-*/=").contains(ch)) {
      press(ch);
      return;
    }
    if (ch == '.' || ch == ',') {
      press(engine_.decimalSeparator());
      return;
    }
    if (ch == 'c' || ch == 'C') {
      press('C');
      return;
    }
  }
  QFrame::keyPressEvent(e);
}

}  // namespace forms_qt
