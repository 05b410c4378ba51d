// Number patterns: compiling a section and writing a value through it.
//
// A value is carried as a decimal digit string times a power of ten, so that Currency stays exact
// and a Double is written from its 15 significant digits (0.075 is 7.50000000000000e-2, which
// rounds to 0.08 at two decimals although the binary value is just below 0.075).

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "automation/error.h"
#include "pattern.h"

namespace regional::detail {
namespace {

// digits d[0..n) (most significant first, no leading zero) times 10^exp; n == 0 is zero.
struct Decimal {
  uint8_t d[32];
  int n = 0;
  int exp = 0;
};

Decimal fromUnsigned(uint64_t v, int exp) {
  Decimal x;
  uint8_t tmp[24];
  int k = 0;
  while (v != 0) {
    tmp[k++] = static_cast<uint8_t>(v % 10);
    v /= 10;
  }
  for (int i = 0; i < k; ++i) x.d[i] = tmp[k - 1 - i];
  x.n = k;
  x.exp = exp;
  return x;
}

// Reads "D.DDDe[+-]XX" as to_chars writes it in scientific form.
Decimal readScientific(const char* p, const char* end) {
  Decimal x;
  x.d[0] = static_cast<uint8_t>(*p++ - '0');
  int n = 1;
  if (p < end && *p == '.') {
    ++p;
    while (p < end && *p != 'e') x.d[n++] = static_cast<uint8_t>(*p++ - '0');
  }
  ++p;  // 'e'
  const bool negExp = *p == '-';
  ++p;
  int e = 0;
  while (p < end) e = e * 10 + (*p++ - '0');
  if (negExp) e = -e;
  x.n = n;
  x.exp = e - (n - 1);
  return x;
}

// a: finite and positive (or zero). The double's 15 significant digits, correctly rounded.
Decimal fromDouble(double a) {
  if (a == 0) return Decimal{};
  char buf[40];
  // The shortest form that reads back as a is the closest of its length to a's exact value, so
  // when it has at most 15 digits those are the rounded ones; with 16 or 17 digits they round to
  // the same 15 as the exact value unless what is cut is exactly half a unit. Subnormal doubles
  // hold fewer digits than that and take the long way.
  auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
  Decimal x = readScientific(buf, res.ptr);
  bool half = a < std::numeric_limits<double>::min();
  if (!half && x.n > 15) {
    const int cut = x.n - 15;
    half = x.d[15] == 5 && (cut == 1 || x.d[16] == 0);
    const bool up = x.d[15] >= 5;
    x.n = 15;
    x.exp += cut;
    if (up && !half) {
      int i = 14;
      while (i >= 0 && x.d[i] == 9) x.d[i--] = 0;
      if (i >= 0) {
        ++x.d[i];
      } else {
        x.d[0] = 1;  // 99...9 became 100...0
        x.n = 1;
        x.exp += 15;
      }
    }
  }
  if (half) {
    res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
    x = readScientific(buf, res.ptr);
  }
  while (x.n > 1 && x.d[x.n - 1] == 0) {
    --x.n;
    ++x.exp;
  }
  return x;
}

// Rounds half away from zero so that no digit is left below 10^minExp.
void roundTo(Decimal& x, int minExp) {
  if (x.n == 0 || x.exp >= minExp) return;
  int drop = minExp - x.exp;
  if (drop > x.n) {
    x.n = 0;
    x.exp = 0;
    return;
  }
  bool up = x.d[x.n - drop] >= 5;
  x.n -= drop;
  x.exp = minExp;
  if (up) {
    int i = x.n - 1;
    while (i >= 0 && x.d[i] == 9) {
      x.d[i] = 0;
      --i;
    }
    if (i >= 0) {
      ++x.d[i];
    } else {
      std::memmove(x.d + 1, x.d, static_cast<std::size_t>(x.n));
      x.d[0] = 1;
      ++x.n;
    }
  }
  // a leading digit can only be zero when every digit was dropped and nothing carried
  if (x.n > 0 && x.d[0] == 0) x.n = 0;
}

// The digit worth 10^place.
inline int digitAt(const Decimal& x, int place) {
  int i = x.n - 1 + x.exp - place;
  return (i >= 0 && i < x.n) ? x.d[i] : 0;
}

void writeSection(const NumSection& s, Decimal x, bool minus, const LocaleData& ld, Out& out) {
  if (x.n > 0) x.exp += s.scale10;
  int e10 = 0;
  if (s.scientific) {
    if (x.n > 0) {
      e10 = x.n + x.exp - s.intCount;
      x.exp -= e10;
      roundTo(x, -s.fracCount);
      if (x.n > 0 && x.n + x.exp > s.intCount) {  // 9.995 became 10.00
        ++e10;
        --x.exp;
        roundTo(x, -s.fracCount);
      }
    }
  } else {
    roundTo(x, -s.fracCount);
  }

  const int intDigits = x.n > 0 ? std::max(0, x.n + x.exp) : 0;
  int lastFrac = s.fracCount - 1;
  while (lastFrac >= 0 && !s.fracZero[static_cast<std::size_t>(lastFrac)] && digitAt(x, -(lastFrac + 1)) == 0) {
    --lastFrac;
  }

  auto putInt = [&](int place) {
    out.put(static_cast<char>('0' + digitAt(x, place)));
    if (s.grouping && place > 0 && place % 3 == 0) out.put(ld.thousandsText);
  };
  char expDigits[8];
  int expLen = 0;
  if (s.scientific) {
    int a = std::abs(e10);
    do {
      expDigits[expLen++] = static_cast<char>('0' + a % 10);
      a /= 10;
    } while (a != 0);
  }
  auto putExp = [&](int place) { out.put(place < expLen ? expDigits[place] : '0'); };

  if (minus) out.put('-');
  for (const NumItem& item : s.items) {
    switch (item.kind) {
      case NumItem::Literal:
        out.put(s.literals.data() + item.offset, item.length);
        break;
      case NumItem::IntDigit: {
        int place = s.intCount - 1 - static_cast<int>(item.offset);
        if (item.offset == 0) {
          for (int q = intDigits - 1; q > place; --q) putInt(q);  // digits beyond the pattern
        }
        if (place < intDigits || item.zero) putInt(place);
        break;
      }
      case NumItem::Point:
        if (s.intCount == 0) {
          for (int q = intDigits - 1; q >= 0; --q) putInt(q);
        }
        out.put(ld.decimalText);
        break;
      case NumItem::FracDigit:
        if (static_cast<int>(item.offset) <= lastFrac) {
          out.put(static_cast<char>('0' + digitAt(x, -static_cast<int>(item.offset) - 1)));
        }
        break;
      case NumItem::ExpMark:
        out.put(item.mark);
        if (e10 < 0) {
          out.put('-');
        } else if (item.zero) {
          out.put('+');
        }
        if (s.expCount == 0) {
          for (int q = expLen - 1; q >= 0; --q) putExp(q);
        }
        break;
      case NumItem::ExpDigit: {
        int place = s.expCount - 1 - static_cast<int>(item.offset);
        if (item.offset == 0) {
          for (int q = expLen - 1; q > place; --q) putExp(q);
        }
        if (place < expLen || item.zero) putExp(place);
        break;
      }
    }
  }
}

// The section for a value by its sign and zero-ness before any rounding; `minus` tells whether
// the section writes the sign itself (only the first section does).
const NumSection& pickSection(const CompiledPattern& p, bool zero, bool negative, bool& minus) {
  const auto& secs = p.number;
  minus = false;
  if (zero && secs.size() >= 3 && !secs[2].empty) return secs[2];
  if (negative && secs.size() >= 2 && !secs[1].empty) return secs[1];
  minus = negative;
  return secs[0];
}

void writeDecimal(const CompiledPattern& p, const Decimal& x, bool negative, const LocaleData& ld, Out& out) {
  bool minus = false;
  const NumSection& s = pickSection(p, x.n == 0, negative, minus);
  writeSection(s, x, minus, ld, out);
}

constexpr uint64_t kPow10[] = {1, 10, 100, 1000, 10000};

// A Currency magnitude (ten-thousandths) through a plain section: the same digits writeSection
// gives, without the general machinery.
void writePlain(const NumSection& s, uint64_t mag, bool minus, const LocaleData& ld, Out& out) {
  const int frac = s.fracCount;
  const uint64_t step = kPow10[4 - frac];
  uint64_t q = mag / step;
  if ((mag % step) * 2 >= step) ++q;  // half away from zero
  uint64_t whole = q / kPow10[frac];
  uint64_t part = q % kPow10[frac];
  if (ld.thousandsText.size() == 1 && ld.decimalText.size() == 1 && s.plainMinInt <= 20) {
    // One-character separators (the usual case): written from the last digit back, put whole.
    char buf[48];
    char* const end = buf + sizeof buf;
    char* p = end;
    for (int k = 0; k < frac; ++k, part /= 10) *--p = static_cast<char>('0' + part % 10);
    if (s.hasPoint) *--p = ld.decimalText[0];
    for (int place = 0, group = 0; whole != 0 || place < s.plainMinInt; ++place, whole /= 10) {
      if (s.grouping && group == 3) {
        *--p = ld.thousandsText[0];
        group = 0;
      }
      *--p = static_cast<char>('0' + whole % 10);
      ++group;
    }
    if (minus) *--p = '-';
    out.put(p, static_cast<size_t>(end - p));
    return;
  }
  char digits[24];
  int n = 0;
  for (; whole != 0; whole /= 10) digits[n++] = static_cast<char>('0' + whole % 10);
  if (minus) out.put('-');
  for (int place = std::max(n, s.plainMinInt) - 1; place >= 0; --place) {
    out.put(place < n ? digits[place] : '0');
    if (s.grouping && place > 0 && place % 3 == 0) out.put(ld.thousandsText);
  }
  if (s.hasPoint) out.put(ld.decimalText);
  for (int k = frac - 1; k >= 0; --k) out.put(static_cast<char>('0' + part / kPow10[k] % 10));
}

void writeInteger(const CompiledPattern& p, int64_t v, const LocaleData& ld, Out& out) {
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  bool minus = false;
  const NumSection& s = pickSection(p, v == 0, v < 0, minus);
  if (s.plainMinInt >= 0 && mag <= UINT64_MAX / kPow10[4]) {
    writePlain(s, mag * kPow10[4], minus, ld, out);
  } else {
    writeSection(s, fromUnsigned(mag, 0), minus, ld, out);
  }
}

}  // namespace

void compileNumberSection(std::string_view t, NumSection& s) {
  s.empty = t.empty();
  enum class Part { Int, Frac, Exp } part = Part::Int;
  bool afterPlaceholder = false;
  auto addLiteral = [&](std::string_view text) {
    afterPlaceholder = false;
    if (text.empty()) return;
    if (!s.items.empty() && s.items.back().kind == NumItem::Literal) {
      s.items.back().length += static_cast<uint32_t>(text.size());
    } else {
      s.items.push_back({NumItem::Literal, false, 0, static_cast<uint32_t>(s.literals.size()),
                         static_cast<uint32_t>(text.size())});
    }
    s.literals.append(text);
  };
  auto isPlaceholder = [](char c) { return c == '0' || c == '#'; };

  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    std::optional<std::string_view> literal;
    if (readLiteral(t, i, literal)) {
      if (literal) addLiteral(*literal);
      continue;
    }
    switch (c) {
      case '0':
      case '#': {
        const bool zero = c == '0';
        if (part == Part::Int) {
          s.items.push_back({NumItem::IntDigit, zero, 0, static_cast<uint32_t>(s.intCount++), 0});
        } else if (part == Part::Frac) {
          s.items.push_back({NumItem::FracDigit, zero, 0, static_cast<uint32_t>(s.fracCount++), 0});
          s.fracZero.push_back(zero ? 1 : 0);
        } else {
          s.items.push_back({NumItem::ExpDigit, zero, 0, static_cast<uint32_t>(s.expCount++), 0});
        }
        afterPlaceholder = true;
        break;
      }
      case '.':
        if (part == Part::Int) {
          s.hasPoint = true;
          part = Part::Frac;
          s.items.push_back({NumItem::Point, false, 0, 0, 0});
          afterPlaceholder = false;
        } else {
          addLiteral(".");
        }
        break;
      case ',': {
        std::size_t j = i;
        while (j < t.size() && t[j] == ',') ++j;
        if (part == Part::Int && afterPlaceholder) {
          if (j < t.size() && isPlaceholder(t[j])) {
            s.grouping = true;
          } else {
            s.scale10 -= 3 * static_cast<int>(j - i);  // each comma before the point divides by 1000
          }
        }
        afterPlaceholder = false;
        i = j - 1;
        break;
      }
      case '%':
        addLiteral("%");
        s.scale10 += 2;
        break;
      case 'E':
      case 'e':
        if (part != Part::Exp && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) {
          s.scientific = true;
          part = Part::Exp;
          s.items.push_back({NumItem::ExpMark, t[i + 1] == '+', c, 0, 0});
          afterPlaceholder = false;
          ++i;
        } else {
          addLiteral(t.substr(i, 1));
        }
        break;
      default:
        addLiteral(t.substr(i, 1));
        break;
    }
  }

  bool plain = !s.scientific && s.scale10 == 0 && s.intCount > 0 && s.fracCount <= 4;
  bool afterPoint = false, zeros = false;
  int minInt = 0;
  for (const NumItem& item : s.items) {
    if (item.kind == NumItem::IntDigit && !afterPoint && (item.zero || !zeros)) {
      zeros = zeros || item.zero;
      minInt += item.zero ? 1 : 0;
    } else if (item.kind == NumItem::Point && !afterPoint) {
      afterPoint = true;
    } else if (!(item.kind == NumItem::FracDigit && item.zero)) {
      plain = false;
    }
  }
  s.plainMinInt = plain ? minInt : -1;
}

namespace {

// x rounded as section s writes its digits, back in the value's own scale.
void roundAsWritten(const NumSection& s, Decimal& x) {
  if (x.n == 0) return;
  if (s.scientific) {
    int e10 = x.n + x.exp - s.intCount;
    x.exp -= e10;
    roundTo(x, -s.fracCount);
    if (x.n > 0 && x.n + x.exp > s.intCount) {
      ++e10;
      --x.exp;
      roundTo(x, -s.fracCount);
    }
    x.exp += e10;
  } else {
    x.exp += s.scale10;
    roundTo(x, -s.fracCount);
    x.exp -= s.scale10;
  }
}

automation::Currency toCurrency(Decimal x, bool negative) {
  roundTo(x, -4);
  uint64_t raw = 0;
  constexpr uint64_t kMax = static_cast<uint64_t>(INT64_MAX);
  auto times10 = [&](uint64_t digit) {
    if (raw > (kMax - digit) / 10) automation::raise(automation::err::kOverflow);
    raw = raw * 10 + digit;
  };
  for (int i = 0; i < x.n; ++i) times10(x.d[i]);
  for (int e = x.exp + 4; x.n > 0 && e > 0; --e) times10(0);
  const auto value = static_cast<int64_t>(raw);
  return automation::Currency::fromRaw(negative ? -value : value);
}

}  // namespace

automation::Currency shownCurrency(const CompiledPattern& p, automation::Currency value) {
  const int64_t raw = value.raw();
  const uint64_t mag = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  bool minus = false;
  const NumSection& s = pickSection(p, raw == 0, raw < 0, minus);
  if (s.plainMinInt >= 0) {
    // The plain writer's rounding, in integer arithmetic.
    const uint64_t step = kPow10[4 - s.fracCount];
    uint64_t q = mag / step;
    if ((mag % step) * 2 >= step) ++q;
    if (q > static_cast<uint64_t>(INT64_MAX) / step) automation::raise(automation::err::kOverflow);
    const auto shown = static_cast<int64_t>(q * step);
    return automation::Currency::fromRaw(raw < 0 ? -shown : shown);
  }
  Decimal x = fromUnsigned(mag, -4);
  roundAsWritten(s, x);
  return toCurrency(x, raw < 0);
}

automation::Currency shownDouble(const CompiledPattern& p, double value) {
  if (!std::isfinite(value)) automation::raise(automation::err::kOverflow);
  Decimal x = fromDouble(std::fabs(value));
  bool minus = false;
  const NumSection& s = pickSection(p, x.n == 0, value < 0, minus);
  roundAsWritten(s, x);
  return toCurrency(x, value < 0);
}

void writeCurrency(const CompiledPattern& p, automation::Currency value, const LocaleData& ld, Out& out) {
  const int64_t raw = value.raw();
  uint64_t mag = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  bool minus = false;
  const NumSection& s = pickSection(p, raw == 0, raw < 0, minus);
  if (s.plainMinInt >= 0) {
    writePlain(s, mag, minus, ld, out);
  } else {
    writeSection(s, fromUnsigned(mag, -4), minus, ld, out);
  }
}

void writeDouble(const CompiledPattern& p, double value, const LocaleData& ld, Out& out) {
  if (!std::isfinite(value)) automation::raise(automation::err::kOverflow, "Format");
  writeDecimal(p, fromDouble(std::fabs(value)), value < 0, ld, out);
}

void writeNullSection(const CompiledPattern& p, const LocaleData& ld, Out& out) {
  if (p.number.size() >= 4 && !p.number[3].empty) writeSection(p.number[3], Decimal{}, false, ld, out);
}

void writeNumber(const CompiledPattern& p, const automation::Variant& v, const LocaleData& ld, Out& out) {
  using automation::VarType;
  switch (v.type()) {
    case VarType::Integer:
      writeInteger(p, v.asInteger(), ld, out);
      break;
    case VarType::Long:
      writeInteger(p, v.asLong(), ld, out);
      break;
    case VarType::Boolean:
      writeInteger(p, v.asBoolean() ? -1 : 0, ld, out);
      break;
    case VarType::Empty:
      writeInteger(p, 0, ld, out);
      break;
    case VarType::Currency:
      writeCurrency(p, v.asCurrency(), ld, out);
      break;
    case VarType::Double:
      writeDouble(p, v.asDouble(), ld, out);
      break;
    case VarType::Date:
      writeDouble(p, v.asDate().serial(), ld, out);
      break;
    case VarType::Null:
      writeNullSection(p, ld, out);
      break;
    default:
      automation::raise(automation::err::kTypeMismatch, "Format");
  }
}

}  // namespace regional::detail
