#pragma once
// Variant: the tagged dynamic value carried by late-bound calls, and the platform's conversions
// (CStr, CDbl, CCur, CLng, CInt, CBool, CDate) and ordering of dynamic values.

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include "automation/currency.h"
#include "automation/date.h"

namespace automation {

class Object;
using ObjectRef = std::shared_ptr<Object>;

enum class VarType { Empty, Missing, Null, Integer, Long, Double, Currency, String, Date, Boolean, Object };
const char* varTypeName(VarType t);  // "Empty", "Null", "Integer", ... "Object"

// The separators and symbol that text-to-number and number-to-text conversions use. The regional
// layer fills it from the user's locale; the default is the invariant en_US form.
struct NumberSymbols {
  char32_t decimal = U'.';
  char32_t thousands = U',';
  std::string currencySymbol = "$";
  // Short date pattern for CStr/CDate of dates, in ICU skeleton-free form, e.g. "M/d/yyyy".
  std::string shortDatePattern = "M/d/yyyy";
  // Time pattern CStr uses for a date with a time of day (ICU letters: h H m s a, quotes for text).
  std::string timePattern = "h:mm:ss a";
  std::string amSymbol = "AM";
  std::string pmSymbol = "PM";
};
const NumberSymbols& invariantSymbols();

class Variant final {
 public:
  struct MissingTag {
    bool operator==(const MissingTag&) const = default;
  };
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };

  Variant() = default;  // Empty
  static Variant missing() { return Variant(MissingTag{}); }
  static Variant null() { return Variant(NullTag{}); }
  static Variant nothing() { return Variant(ObjectRef{}); }  // an object reference to nothing
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(Currency v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(Date v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(ObjectRef v) : v_(std::move(v)) {}
  template <class T>
  Variant(std::shared_ptr<T> v) : v_(ObjectRef(std::move(v))) {}

  // The order of the alternatives in v_ is the order of VarType.
  VarType type() const { return static_cast<VarType>(v_.index()); }
  bool isEmpty() const { return type() == VarType::Empty; }
  bool isMissing() const { return type() == VarType::Missing; }
  bool isNull() const { return type() == VarType::Null; }
  bool isObject() const { return type() == VarType::Object; }  // also Nothing
  bool isNothing() const;
  bool isNumeric() const;  // Integer, Long, Double, Currency (Boolean and Date are not)

  // Typed access without conversion; error 13 when the type differs.
  int16_t asInteger() const;
  int32_t asLong() const;
  double asDouble() const;
  Currency asCurrency() const;
  const std::string& asString() const;
  Date asDate() const;
  bool asBoolean() const;
  const ObjectRef& asObject() const;  // Nothing gives an empty pointer; non-objects raise 13
  // Moves the object reference out (the variant then holds Nothing); non-objects raise 13.
  ObjectRef takeObject();

  bool operator==(const Variant& other) const = default;  // identical type and value (for tests)

 private:
  explicit Variant(MissingTag t) : v_(t) {}
  explicit Variant(NullTag t) : v_(t) {}
  std::variant<std::monostate, MissingTag, NullTag, int16_t, int32_t, double, Currency, std::string, Date,
               bool, ObjectRef>
      v_;
};

std::ostream& operator<<(std::ostream& os, const Variant& v);

// Conversions as the platform does them. Null raises 94; text that is not a number raises 13;
// out of range raises 6; whole-number conversions round halves to even. Empty is 0, "" or False;
// Boolean True is -1; a Date converts through its serial. An object converts through its default
// member (invoke with the empty member name, kind Get; 438 when it has none); Nothing raises 91; a
// missing argument raises 449.
//   cStr: Double as up to 15 significant digits with the regional decimal separator ("0.3",
//   "1E+20"); Currency without trailing zeros ("12.5"); Boolean "True"/"False"; Date in the short
//   date pattern, followed by the time pattern when it has a time (only the time when its date
//   part is zero).
//   cDate: a Date; text as "YYYY-MM-DD[ HH:MM:SS]" or in the order of the short date pattern with
//   an optional "H:MM[:SS] [AM|PM]"; a number as a serial.
std::string cStr(const Variant& v, const NumberSymbols& s = invariantSymbols());
double cDbl(const Variant& v, const NumberSymbols& s = invariantSymbols());
Currency cCur(const Variant& v, const NumberSymbols& s = invariantSymbols());
int32_t cLng(const Variant& v, const NumberSymbols& s = invariantSymbols());
int16_t cInt(const Variant& v, const NumberSymbols& s = invariantSymbols());
bool cBool(const Variant& v, const NumberSymbols& s = invariantSymbols());
Date cDate(const Variant& v, const NumberSymbols& s = invariantSymbols());

// Text to number as the platform converts text (blanks, one sign, parentheses, grouping, exponent,
// currency symbol before the number); nullopt when the text is not a number. A number too large for
// the target raises 6 (Overflow). A currency symbol after the number is accepted as well, so that
// text written by the Currency format reads back.
std::optional<double> parseNumber(std::string_view text, const NumberSymbols& s = invariantSymbols());
// The same, exact to four decimals for Currency targets (no detour through binary floating point).
std::optional<Currency> parseCurrency(std::string_view text, const NumberSymbols& s = invariantSymbols());

// Ordering of dynamic values: nullopt when either side is Null; otherwise <0, 0, >0.
std::optional<int> compare(const Variant& a, const Variant& b);
bool greaterThan(const Variant& a, const Variant& b);  // Null gives false
bool equalTo(const Variant& a, const Variant& b);      // Null gives false

}  // namespace automation
