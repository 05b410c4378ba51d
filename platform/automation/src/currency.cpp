#include "automation/currency.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "automation/error.h"

namespace automation {

namespace {

constexpr int64_t kMaxUnits = std::numeric_limits<int64_t>::max() / Currency::kScale;
constexpr int64_t kMinUnits = std::numeric_limits<int64_t>::min() / Currency::kScale;

// An unsigned 128-bit number as four 32-bit limbs, most significant first: enough for the exact
// product of two amounts on every target (32-bit ones have no 128-bit integer type).
struct Wide {
  uint32_t limb[4] = {};

  static Wide product(uint64_t a, uint64_t b) {
    const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    const uint64_t low = a0 * b0, mid1 = a1 * b0, mid2 = a0 * b1, high = a1 * b1;
    const uint64_t carry = (low >> 32) + (mid1 & 0xFFFFFFFFu) + (mid2 & 0xFFFFFFFFu);
    const uint64_t top = high + (mid1 >> 32) + (mid2 >> 32) + (carry >> 32);
    Wide w;
    w.limb[3] = static_cast<uint32_t>(low);
    w.limb[2] = static_cast<uint32_t>(carry);
    w.limb[1] = static_cast<uint32_t>(top);
    w.limb[0] = static_cast<uint32_t>(top >> 32);
    return w;
  }
  // Divides by d in place; returns the remainder.
  uint32_t divide(uint32_t d) {
    uint64_t rest = 0;
    for (uint32_t& l : limb) {
      const uint64_t part = (rest << 32) | l;
      l = static_cast<uint32_t>(part / d);
      rest = part % d;
    }
    return static_cast<uint32_t>(rest);
  }
  // The value when it fits 64 bits.
  std::optional<uint64_t> narrow() const {
    if (limb[0] != 0 || limb[1] != 0) return std::nullopt;
    return (uint64_t{limb[2]} << 32) | limb[3];
  }
};

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
  const bool negative = (raw_ < 0) != (other.raw_ < 0) && raw_ != 0 && other.raw_ != 0;
  auto magnitude = [](int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); };
  Wide product = Wide::product(magnitude(raw_), magnitude(other.raw_));
  const uint32_t remainder = product.divide(static_cast<uint32_t>(kScale));
  // The magnitude of the result may reach 2^63 only when it is negative.
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  auto quotient = product.narrow();
  if (!quotient || *quotient > limit) raise(err::kOverflow);
  const uint32_t twice = remainder * 2;
  if (twice > kScale || (twice == kScale && *quotient % 2 != 0)) ++*quotient;
  if (*quotient > limit) raise(err::kOverflow);
  return fromRaw(static_cast<int64_t>(negative ? 0 - *quotient : *quotient));
}

Currency Currency::operator-() const {
  if (raw_ == std::numeric_limits<int64_t>::min()) raise(err::kOverflow);
  return fromRaw(-raw_);
}

std::ostream& operator<<(std::ostream& os, Currency c) { return os << c.toString(); }

}  // namespace automation
