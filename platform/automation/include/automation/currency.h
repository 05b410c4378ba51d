#pragma once
// Currency: signed 64-bit count of 1/10000, exact arithmetic, error 6 (Overflow) instead of wrapping.
//   Currency::fromDouble(0.03125) == 0.0312 (ties to even), Currency::fromDouble(0.09375) == 0.0938.

#include <compare>
#include <cstdint>
#include <ostream>
#include <string>

namespace automation {

class Currency final {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;
  static constexpr Currency fromRaw(int64_t raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  // Whole units (error 6 out of range).
  static Currency fromInteger(int64_t units);
  // Nearest 1/10000, ties to even; error 6 out of range or for NaN/infinity.
  static Currency fromDouble(double value);

  constexpr int64_t raw() const { return raw_; }
  double toDouble() const;
  // Invariant text with exactly four decimals and '.' ("-12.5000"), as the journal and dumps write it.
  std::string toString() const;

  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;
  Currency operator*(Currency other) const;  // exact 128-bit product, rounded ties to even
  Currency operator-() const;
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }
  Currency abs() const { return raw_ < 0 ? -*this : *this; }

  constexpr auto operator<=>(const Currency&) const = default;

 private:
  int64_t raw_ = 0;
};

std::ostream& operator<<(std::ostream& os, Currency c);

}  // namespace automation
