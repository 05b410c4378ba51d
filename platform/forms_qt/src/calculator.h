#pragma once
// The calculator of a number box: a small keypad popup that works on a running value and hands
// the result back as text with the regional decimal separator.

#include <QFrame>
#include <QLineEdit>
#include <QString>
#include <functional>
#include <optional>

namespace forms_qt {

// The arithmetic of the keypad, left to right as a pocket calculator does it.
class CalculatorEngine final {
 public:
  explicit CalculatorEngine(QChar decimalSeparator = '.') : decimal_(decimalSeparator) {}
  // Starts from a value (the box's current value).
  void start(double value);
  // One key: '0'..'9', the decimal separator, '+', '-', '*', '/', '=', 'C' (clear), 'B' (back).
  void press(QChar key);
  QChar decimalSeparator() const { return decimal_; }
  // What the display shows.
  QString display() const { return entry_; }
  // The display as a number; nullopt after a division by zero.
  std::optional<double> value() const;

 private:
  void apply();
  QChar decimal_;
  QString entry_ = QStringLiteral("0");
  double accumulator_ = 0;
  QChar pendingOp_;
  bool fresh_ = true;  // the next digit starts a new entry
  bool error_ = false;
};

class CalculatorPopup final : public QFrame {
 public:
  // `accept` receives the result text when the operator presses OK (or Enter).
  CalculatorPopup(double start, QChar decimalSeparator, std::function<void(const QString&)> onAccept, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void press(QChar key);
  void accept();
  CalculatorEngine engine_;
  QLineEdit* display_;
  std::function<void(const QString&)> accept_;
};

}  // namespace forms_qt
