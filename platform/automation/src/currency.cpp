#include "automation/currency.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "automation/error.h"

namespace automation {

namespace {

constexpr int64_t kMaxUnits = std::numeric_limits<int64_t>::max() / Currency::kScale;
constexpr int64_t kMinUnits = std::numeric_limits<int64_t>::min() / Currency::kScale;

Currency fromWide(__int128 raw) {
  if (raw > std::numeric_limits<int64_t>::max() || raw < std::numeric_limits<int64_t>::min()) {
    raise(err::kOverflow);
  }
  return Currency::fromRaw(static_cast<int64_t>(raw));
}

}  // namespace

Currency Currency::fromInteger(int64_t units) {
  if (units > kMaxUnits || units < kMinUnits) raise(err::kOverflow);
  return fromRaw(units * kScale);
}

Currency Currency::fromDouble(double value) {
  if (!std::isfinite(value)) raise(err::kOverflow);
  const double scaled = value * static_cast<double>(kScale);
  // 2^63 is exactly representable; everything at or beyond it is out of range.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(scaled < kLimit + 1.0) || !(scaled > -kLimit - 1.0)) raise(err::kOverflow);
  double whole = std::floor(scaled);
  const double diff = scaled - whole;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole >= kLimit || whole < -kLimit) raise(err::kOverflow);
  return fromRaw(static_cast<int64_t>(whole));
}

double Currency::toDouble() const { return static_cast<double>(raw_) / static_cast<double>(kScale); }

std::string Currency::toString() const {
  const bool negative = raw_ < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(raw_) : static_cast<uint64_t>(raw_);
  char text[32];
  std::snprintf(text, sizeof text, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / kScale),
                static_cast<unsigned long long>(magnitude % kScale));
  return text;
}

Currency Currency::operator+(Currency other) const {
  int64_t sum;
  if (__builtin_add_overflow(raw_, other.raw_, &sum)) raise(err::kOverflow);
  return fromRaw(sum);
}

Currency Currency::operator-(Currency other) const {
  int64_t difference;
  if (__builtin_sub_overflow(raw_, other.raw_, &difference)) raise(err::kOverflow);
  return fromRaw(difference);
}

Currency Currency::operator*(Currency other) const {
  // Both factors carry four decimals: the product carries eight, back to four with ties to even.
  const __int128 product = static_cast<__int128>(raw_) * other.raw_;
  __int128 quotient = product / kScale;
  __int128 remainder = product % kScale;
  if (remainder < 0) remainder = -remainder;
  const __int128 twice = remainder * 2;
  if (twice > kScale || (twice == kScale && quotient % 2 != 0)) quotient += product < 0 ? -1 : 1;
  return fromWide(quotient);
}

Currency Currency::operator-() const {
  if (raw_ == std::numeric_limits<int64_t>::min()) raise(err::kOverflow);
  return fromRaw(-raw_);
}

std::ostream& operator<<(std::ostream& os, Currency c) { return os << c.toString(); }

}  // namespace automation
