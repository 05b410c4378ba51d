#include "automation/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "automation/error.h"
#include "automation/object.h"
#include "text/text.h"
#include "text/utf8.h"

namespace automation {

const char* varTypeName(VarType t) {
  switch (t) {
    case VarType::Empty: return "Empty";
    case VarType::Missing: return "Missing";
    case VarType::Null: return "Null";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Double: return "Double";
    case VarType::Currency: return "Currency";
    case VarType::String: return "String";
    case VarType::Date: return "Date";
    case VarType::Boolean: return "Boolean";
    case VarType::Object: return "Object";
  }
  return "Empty";
}

const NumberSymbols& invariantSymbols() {
  static const NumberSymbols symbols;
  return symbols;
}

bool Variant::isNothing() const {
  const auto* o = std::get_if<ObjectRef>(&v_);
  return o != nullptr && !*o;
}

bool Variant::isNumeric() const {
  switch (type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency: return true;
    default: return false;
  }
}

namespace {

template <class T>
const T& typed(const std::variant<std::monostate, Variant::MissingTag, Variant::NullTag, int16_t, int32_t, double,
                                  Currency, std::string, Date, bool, ObjectRef>& v) {
  const T* p = std::get_if<T>(&v);
  if (p == nullptr) raise(err::kTypeMismatch);
  return *p;
}

}  // namespace

int16_t Variant::asInteger() const { return typed<int16_t>(v_); }
int32_t Variant::asLong() const { return typed<int32_t>(v_); }
double Variant::asDouble() const { return typed<double>(v_); }
Currency Variant::asCurrency() const { return typed<Currency>(v_); }
const std::string& Variant::asString() const { return typed<std::string>(v_); }
Date Variant::asDate() const { return typed<Date>(v_); }
bool Variant::asBoolean() const { return typed<bool>(v_); }
const ObjectRef& Variant::asObject() const { return typed<ObjectRef>(v_); }

ObjectRef Variant::takeObject() {
  if (!std::holds_alternative<ObjectRef>(v_)) raise(err::kTypeMismatch);
  return std::move(std::get<ObjectRef>(v_));
}

std::ostream& operator<<(std::ostream& os, const Variant& v) {
  os << varTypeName(v.type());
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing:
    case VarType::Null: return os;
    case VarType::Integer: return os << '(' << v.asInteger() << ')';
    case VarType::Long: return os << '(' << v.asLong() << ')';
    case VarType::Double: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", v.asDouble());
      return os << '(' << buffer << ')';
    }
    case VarType::Currency: return os << '(' << v.asCurrency() << ')';
    case VarType::String: return os << "(\"" << v.asString() << "\")";
    case VarType::Date: return os << '(' << v.asDate() << ')';
    case VarType::Boolean: return os << (v.asBoolean() ? "(True)" : "(False)");
    case VarType::Object:
      if (v.isNothing()) return os << "(Nothing)";
      return os << '(' << v.asObject()->className() << ')';
  }
  return os;
}

// ---------------------------------------------------------------------------------------------
// Text to number

namespace {

// A number read from text: value = 0.<digits> x 10^exponent (digits without leading zeros).
struct Scanned {
  bool negative = false;
  std::string digits;
  int64_t exponent = 0;
};

bool isBlank(std::string_view text, size_t i, size_t& length) {
  if (text[i] == ' ' || text[i] == '\t') {
    length = 1;
    return true;
  }
  if (text.substr(i).starts_with("\xC2\xA0")) {  // no-break space
    length = 2;
    return true;
  }
  return false;
}

std::optional<Scanned> scan(std::string_view text, const NumberSymbols& s) {
  const std::string decimal = text::utf8::encode(s.decimal);
  const std::string thousands = text::utf8::encode(s.thousands);
  const std::string_view currency = s.currencySymbol;
  const size_t n = text.size();
  size_t i = 0;
  auto at = [&](std::string_view token) { return !token.empty() && text.substr(i).starts_with(token); };
  auto skipBlanks = [&] {
    size_t length;
    while (i < n && isBlank(text, i, length)) i += length;
  };
  auto isDigit = [&](size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };

  bool parenthesis = false, closed = false, signSeen = false, negative = false, currencySeen = false;
  for (;;) {
    skipBlanks();
    if (i >= n) break;
    if (text[i] == '(' && !parenthesis && !signSeen) {
      parenthesis = true;
      ++i;
    } else if ((text[i] == '+' || text[i] == '-') && !signSeen && !parenthesis) {
      signSeen = true;
      negative = text[i] == '-';
      ++i;
    } else if (!currencySeen && at(currency)) {
      currencySeen = true;
      i += currency.size();
    } else {
      break;
    }
  }

  std::string digits;
  int64_t integerDigits = 0;
  bool point = false;
  while (i < n) {
    if (isDigit(i)) {
      digits += text[i++];
      if (!point) ++integerDigits;
    } else if (!point && at(decimal)) {
      point = true;
      i += decimal.size();
    } else if (!point && integerDigits > 0 && at(thousands) && isDigit(i + thousands.size())) {
      i += thousands.size();
    } else {
      break;
    }
  }
  if (digits.empty()) return std::nullopt;

  int64_t exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t k = i + 1;
    bool negativeExponent = false;
    if (k < n && (text[k] == '+' || text[k] == '-')) negativeExponent = text[k++] == '-';
    if (!isDigit(k)) return std::nullopt;
    while (isDigit(k)) {
      if (exponent < 1'000'000) exponent = exponent * 10 + (text[k] - '0');
      ++k;
    }
    if (negativeExponent) exponent = -exponent;
    i = k;
  }

  for (;;) {
    skipBlanks();
    if (i >= n) break;
    if ((text[i] == '+' || text[i] == '-') && !signSeen && !parenthesis) {
      signSeen = true;
      negative = text[i] == '-';
      ++i;
    } else if (parenthesis && !closed && text[i] == ')') {
      closed = true;
      ++i;
    } else if (!currencySeen && at(currency)) {
      currencySeen = true;
      i += currency.size();
    } else {
      break;
    }
  }
  if (i != n || parenthesis != closed) return std::nullopt;

  Scanned result;
  result.negative = negative || parenthesis;
  const size_t firstSignificant = digits.find_first_not_of('0');
  if (firstSignificant == std::string::npos) return result;  // zero
  result.digits = digits.substr(firstSignificant);
  result.digits.erase(result.digits.find_last_not_of('0') + 1);
  result.exponent = integerDigits - static_cast<int64_t>(firstSignificant) + exponent;
  return result;
}

// round(value x 10^scale), halves to even, exact; nullopt when its magnitude exceeds limit (at most
// 2^63, so that the result fits 64 bits whatever its sign).
std::optional<int64_t> scaledRound(const Scanned& number, int scale, uint64_t limit) {
  if (number.digits.empty()) return 0;
  const int64_t kept = number.exponent + scale;  // digits before the rounding point
  if (kept > 38) return std::nullopt;
  uint64_t magnitude = 0;
  for (int64_t k = 0; k < kept; ++k) {
    const char d = k < static_cast<int64_t>(number.digits.size()) ? number.digits[k] : '0';
    const auto digit = static_cast<uint64_t>(d - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;  // magnitude * 10 + digit > limit
    magnitude = magnitude * 10 + digit;
  }
  if (kept >= 0 && kept < static_cast<int64_t>(number.digits.size())) {
    const char first = number.digits[kept];
    const bool more = number.digits.find_first_not_of('0', kept + 1) != std::string::npos;
    if (first > '5' || (first == '5' && (more || magnitude % 2 != 0))) ++magnitude;
  }
  if (magnitude > limit) return std::nullopt;
  // Two's complement: 2^63 negated is the smallest int64.
  return static_cast<int64_t>(number.negative ? 0 - magnitude : magnitude);
}

double toDouble(const Scanned& number) {
  if (number.digits.empty()) return 0.0;
  if (number.exponent > 320) raise(err::kOverflow);
  if (number.exponent < -400) return 0.0;
  const std::string text = "0." + number.digits + "e" + std::to_string(number.exponent);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (number.exponent > 0) raise(err::kOverflow);
    return 0.0;
  }
  if (!std::isfinite(value)) raise(err::kOverflow);
  return number.negative ? -value : value;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text, const NumberSymbols& s) {
  const auto number = scan(text, s);
  if (!number) return std::nullopt;
  return toDouble(*number);
}

std::optional<Currency> parseCurrency(std::string_view text, const NumberSymbols& s) {
  const auto number = scan(text, s);
  if (!number) return std::nullopt;
  const uint64_t limit = number->negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  const auto raw = scaledRound(*number, 4, limit);
  if (!raw) raise(err::kOverflow);
  return Currency::fromRaw(*raw);
}

// ---------------------------------------------------------------------------------------------
// Conversions

namespace {

double roundHalfEven(double x) {
  double whole = std::floor(x);
  const double diff = x - whole;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return whole;
}

// The value of an object reference used where a value is needed: its default member.
Variant defaultValue(const Variant& v) {
  const ObjectRef& object = v.asObject();
  if (!object) raise(err::kObjectNotSet);
  CallArgs none;
  Variant value = object->invoke("", CallKind::Get, none);
  if (value.isObject()) raise(err::kTypeMismatch);
  return value;
}

void requireValue(const Variant& v) {
  if (v.isNull()) raise(err::kInvalidUseOfNull);
  if (v.isMissing()) raise(err::kArgumentNotOptional);
}

// Whole number in [lo, hi] from any value, halves to even.
int64_t toWhole(const Variant& v, const NumberSymbols& s, int64_t lo, int64_t hi) {
  requireValue(v);
  auto checked = [&](double x) {
    if (!std::isfinite(x)) raise(err::kOverflow);
    const double r = roundHalfEven(x);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) raise(err::kOverflow);
    return static_cast<int64_t>(r);
  };
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Integer: {
      const int64_t x = v.asInteger();
      if (x < lo || x > hi) raise(err::kOverflow);
      return x;
    }
    case VarType::Long: {
      const int64_t x = v.asLong();
      if (x < lo || x > hi) raise(err::kOverflow);
      return x;
    }
    case VarType::Boolean: return v.asBoolean() ? -1 : 0;
    case VarType::Double: return checked(v.asDouble());
    case VarType::Date: return checked(v.asDate().serial());
    case VarType::Currency: {
      const int64_t raw = v.asCurrency().raw();
      int64_t q = raw / Currency::kScale;
      const int64_t r = raw % Currency::kScale;
      const int64_t twice = 2 * (r < 0 ? -r : r);
      if (twice > Currency::kScale || (twice == Currency::kScale && q % 2 != 0)) q += raw < 0 ? -1 : 1;
      if (q < lo || q > hi) raise(err::kOverflow);
      return q;
    }
    case VarType::String: {
      const auto number = scan(v.asString(), s);
      if (!number) raise(err::kTypeMismatch);
      const auto limit = static_cast<uint64_t>(number->negative ? -lo : hi);
      const auto value = scaledRound(*number, 0, limit);
      if (!value) raise(err::kOverflow);
      return *value;
    }
    case VarType::Object: return toWhole(defaultValue(v), s, lo, hi);
    default: raise(err::kTypeMismatch);
  }
}

// ---- dates as text

int twoDigitYear(int y) { return y < 30 ? 2000 + y : 1900 + y; }

std::string pad(int value, size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

std::string formatDatePattern(Date d, std::string_view pattern, const NumberSymbols& s) {
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'') {
      const size_t end = pattern.find('\'', i + 1);
      if (end == i + 1) {
        out += '\'';
      } else {
        out += pattern.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
      }
      i = end == std::string_view::npos ? pattern.size() : end + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    switch (c) {
      case 'd': out += pad(d.day(), run >= 2 ? 2 : 1); break;
      case 'M': out += pad(d.month(), run >= 2 ? 2 : 1); break;
      case 'y': out += pad(d.year(), 4); break;  // two-digit years are widened to four
      case 'H': out += pad(d.hour(), run >= 2 ? 2 : 1); break;
      case 'h': out += pad(d.hour() % 12 == 0 ? 12 : d.hour() % 12, run >= 2 ? 2 : 1); break;
      case 'K': out += pad(d.hour() % 12, run >= 2 ? 2 : 1); break;
      case 'k': out += pad(d.hour() == 0 ? 24 : d.hour(), run >= 2 ? 2 : 1); break;
      case 'm': out += pad(d.minute(), run >= 2 ? 2 : 1); break;
      case 's': out += pad(d.second(), run >= 2 ? 2 : 1); break;
      case 'a':
      case 'b':
      case 'B':
      case 't': out += d.hour() < 12 ? s.amSymbol : s.pmSymbol; break;
      default: out.append(run, c); break;
    }
    i += run;
  }
  return out;
}

std::string dateText(Date d, const NumberSymbols& s) {
  const bool datePart = d.dateOnly().serial() != 0;
  if (!datePart) return formatDatePattern(d, s.timePattern, s);
  std::string text = formatDatePattern(d, s.shortDatePattern, s);
  if (d.hasTime()) text += " " + formatDatePattern(d, s.timePattern, s);
  return text;
}

// A date typed as text, in the order of the short date pattern, with an optional time.
std::optional<Date> parseDateText(std::string_view text, const NumberSymbols& s) {
  text = text::trim(text);
  if (auto iso = Date::parseIso(text)) return iso;
  // Year first (four digits, then '-') is ISO or nothing: never read again in the regional order.
  if (text.size() > 4 && text[4] == '-' &&
      std::all_of(text.begin(), text.begin() + 4, [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }

  struct Token {
    enum Kind { Number, Word, Separator } kind;
    std::string text;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    size_t j = i + 1;
    if (c >= '0' && c <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      tokens.push_back({Token::Number, std::string(text.substr(i, j - i))});
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      while (j < text.size() && ((text[j] >= 'a' && text[j] <= 'z') || (text[j] >= 'A' && text[j] <= 'Z'))) ++j;
      tokens.push_back({Token::Word, std::string(text.substr(i, j - i))});
    } else if (c == ' ' || c == '\t') {
      // blanks only separate
    } else {
      tokens.push_back({Token::Separator, std::string(1, c)});
    }
    i = j;
  }

  auto numberAt = [&](size_t k, int& out) {
    if (k >= tokens.size() || tokens[k].kind != Token::Number || tokens[k].text.size() > 4) return false;
    out = std::stoi(tokens[k].text);
    return true;
  };
  auto separatorAt = [&](size_t k, bool time) {
    return k < tokens.size() && tokens[k].kind == Token::Separator && (tokens[k].text == ":") == time;
  };

  size_t k = 0;
  int year = 1899, month = 12, day = 30;
  bool hasDate = false;
  int fields[3];
  if (numberAt(0, fields[0]) && separatorAt(1, false) && numberAt(2, fields[1]) && separatorAt(3, false) &&
      numberAt(4, fields[2])) {
    // Field order from the pattern's first d, M and y.
    std::string order;
    for (char c : s.shortDatePattern) {
      if ((c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos) order += c;
    }
    if (order.size() != 3) order = "Mdy";
    for (int f = 0; f < 3; ++f) {
      if (order[f] == 'd') day = fields[f];
      if (order[f] == 'M') month = fields[f];
      if (order[f] == 'y') year = tokens[2 * f].text.size() <= 2 ? twoDigitYear(fields[f]) : fields[f];
    }
    hasDate = true;
    k = 5;
  }
  int hour = 0, minute = 0, second = 0;
  if (k < tokens.size()) {
    if (!numberAt(k, hour) || !separatorAt(k + 1, true) || !numberAt(k + 2, minute)) return std::nullopt;
    k += 3;
    if (separatorAt(k, true)) {
      if (!numberAt(k + 1, second)) return std::nullopt;
      k += 2;
    }
    if (k < tokens.size() && tokens[k].kind == Token::Word) {
      const bool am = text::equalsNoCase(tokens[k].text, s.amSymbol) || text::equalsNoCase(tokens[k].text, "AM");
      const bool pm = text::equalsNoCase(tokens[k].text, s.pmSymbol) || text::equalsNoCase(tokens[k].text, "PM");
      if ((!am && !pm) || hour < 1 || hour > 12) return std::nullopt;
      hour = hour % 12 + (pm ? 12 : 0);
      ++k;
    }
    if (k != tokens.size()) return std::nullopt;
  } else if (!hasDate) {
    return std::nullopt;
  }
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 59) {
    return std::nullopt;
  }
  try {
    return Date::fromYmd(year, month, day, hour, minute, second);
  } catch (const Error&) {
    return std::nullopt;  // 31 in a short month
  }
}

}  // namespace

std::string cStr(const Variant& v, const NumberSymbols& s) {
  requireValue(v);
  switch (v.type()) {
    case VarType::Empty: return {};
    case VarType::Integer: return std::to_string(v.asInteger());
    case VarType::Long: return std::to_string(v.asLong());
    case VarType::Double: {
      const double x = v.asDouble();
      if (x == 0) return "0";
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15G", x);
      std::string text = buffer;
      const size_t point = text.find('.');
      if (point != std::string::npos) text.replace(point, 1, text::utf8::encode(s.decimal));
      return text;
    }
    case VarType::Currency: {
      std::string text = v.asCurrency().toString();
      text.erase(text.find_last_not_of('0') + 1);
      if (text.back() == '.') {
        text.pop_back();
      } else {
        text.replace(text.find('.'), 1, text::utf8::encode(s.decimal));
      }
      return text;
    }
    case VarType::String: return v.asString();
    case VarType::Date: return dateText(v.asDate(), s);
    case VarType::Boolean: return v.asBoolean() ? "True" : "False";
    case VarType::Object: return cStr(defaultValue(v), s);
    default: raise(err::kTypeMismatch);
  }
}

double cDbl(const Variant& v, const NumberSymbols& s) {
  requireValue(v);
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Integer: return v.asInteger();
    case VarType::Long: return v.asLong();
    case VarType::Double: return v.asDouble();
    case VarType::Currency: return v.asCurrency().toDouble();
    case VarType::Date: return v.asDate().serial();
    case VarType::Boolean: return v.asBoolean() ? -1 : 0;
    case VarType::String: {
      const auto value = parseNumber(v.asString(), s);
      if (!value) raise(err::kTypeMismatch);
      return *value;
    }
    case VarType::Object: return cDbl(defaultValue(v), s);
    default: raise(err::kTypeMismatch);
  }
}

Currency cCur(const Variant& v, const NumberSymbols& s) {
  requireValue(v);
  switch (v.type()) {
    case VarType::Empty: return {};
    case VarType::Integer: return Currency::fromInteger(v.asInteger());
    case VarType::Long: return Currency::fromInteger(v.asLong());
    case VarType::Double: return Currency::fromDouble(v.asDouble());
    case VarType::Currency: return v.asCurrency();
    case VarType::Date: return Currency::fromDouble(v.asDate().serial());
    case VarType::Boolean: return Currency::fromInteger(v.asBoolean() ? -1 : 0);
    case VarType::String: {
      const auto value = parseCurrency(v.asString(), s);
      if (!value) raise(err::kTypeMismatch);
      return *value;
    }
    case VarType::Object: return cCur(defaultValue(v), s);
    default: raise(err::kTypeMismatch);
  }
}

int32_t cLng(const Variant& v, const NumberSymbols& s) {
  return static_cast<int32_t>(
      toWhole(v, s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int16_t cInt(const Variant& v, const NumberSymbols& s) {
  return static_cast<int16_t>(
      toWhole(v, s, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

bool cBool(const Variant& v, const NumberSymbols& s) {
  requireValue(v);
  switch (v.type()) {
    case VarType::Empty: return false;
    case VarType::Boolean: return v.asBoolean();
    case VarType::String: {
      const std::string_view text = text::trim(v.asString());
      if (text::equalsNoCase(text, "True")) return true;
      if (text::equalsNoCase(text, "False")) return false;
      const auto value = parseNumber(text, s);
      if (!value) raise(err::kTypeMismatch);
      return *value != 0;
    }
    case VarType::Object: return cBool(defaultValue(v), s);
    case VarType::Currency: return v.asCurrency().raw() != 0;
    default: return cDbl(v, s) != 0;
  }
}

Date cDate(const Variant& v, const NumberSymbols& s) {
  requireValue(v);
  switch (v.type()) {
    case VarType::Date: return v.asDate();
    case VarType::String: {
      const auto date = parseDateText(v.asString(), s);
      if (date) return *date;
      const auto number = parseNumber(v.asString(), s);
      if (!number) raise(err::kTypeMismatch);
      return Date::fromSerial(*number);
    }
    case VarType::Object: return cDate(defaultValue(v), s);
    default: return Date::fromSerial(cDbl(v, s));
  }
}

// ---------------------------------------------------------------------------------------------
// Ordering

namespace {

template <class T>
int sign(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Exact whole value of an integral subtype (Integer, Long, Boolean).
std::optional<int64_t> integral(const Variant& v) {
  switch (v.type()) {
    case VarType::Integer: return v.asInteger();
    case VarType::Long: return v.asLong();
    case VarType::Boolean: return v.asBoolean() ? -1 : 0;
    default: return std::nullopt;
  }
}

int compareNumbers(const Variant& a, const Variant& b) {
  const auto ia = integral(a), ib = integral(b);
  if (ia && ib) return sign(*ia, *ib);
  const bool ca = a.type() == VarType::Currency, cb = b.type() == VarType::Currency;
  if (ca || cb) {
    // Currency against an integral value compares exactly; against a Double (or a Date), the
    // Double is first taken to Currency.
    // (integral values are at most 32-bit: scaled, they fit 64 bits)
    auto asRaw = [](const Variant& v) -> std::optional<int64_t> {
      if (v.type() == VarType::Currency) return v.asCurrency().raw();
      if (auto i = integral(v)) return *i * Currency::kScale;
      const double x = v.type() == VarType::Date ? v.asDate().serial() : v.asDouble();
      try {
        return Currency::fromDouble(x).raw();
      } catch (const Error&) {
        return std::nullopt;  // beyond Currency's range: compare as doubles below
      }
    };
    const auto ra = asRaw(a), rb = asRaw(b);
    if (ra && rb) return sign(*ra, *rb);
  }
  return sign(cDbl(a), cDbl(b));
}

Variant comparable(const Variant& v) {
  if (v.isMissing()) raise(err::kTypeMismatch);
  if (v.isObject()) return defaultValue(v);
  return v;
}

}  // namespace

std::optional<int> compare(const Variant& left, const Variant& right) {
  if (left.isNull() || right.isNull()) return std::nullopt;
  const Variant a = comparable(left);
  const Variant b = comparable(right);
  if (a.isNull() || b.isNull()) return std::nullopt;
  const VarType ta = a.type(), tb = b.type();
  if (ta == VarType::Empty && tb == VarType::Empty) return 0;
  if (ta == VarType::String || tb == VarType::String) {
    if (ta == VarType::String && tb == VarType::String) {
      const int c = a.asString().compare(b.asString());
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ta == VarType::Empty) return b.asString().empty() ? 0 : -1;
    if (tb == VarType::Empty) return a.asString().empty() ? 0 : 1;
    return ta == VarType::String ? 1 : -1;  // a number is less than a string
  }
  const Variant zero(int16_t{0});
  return compareNumbers(ta == VarType::Empty ? zero : a, tb == VarType::Empty ? zero : b);
}

bool greaterThan(const Variant& a, const Variant& b) {
  const auto c = compare(a, b);
  return c && *c > 0;
}

bool equalTo(const Variant& a, const Variant& b) {
  const auto c = compare(a, b);
  return c && *c == 0;
}

}  // namespace automation
