// Format: choosing the writer for a value and a pattern, the per-thread pattern cache, Formatter.

#include "regional/format.h"

#include <unordered_map>

#include "automation/error.h"
#include "pattern.h"
#include "text/text.h"

namespace regional {
namespace {

using automation::VarType;
using detail::CompiledPattern;
using detail::LocaleData;
using detail::Out;
using detail::PatternKind;

bool isCurrencyName(std::string_view pattern) { return text::equalsNoCase(pattern, "Currency"); }

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// Compiled patterns of this thread. Entries are never dropped (so a pattern in use stays valid
// even if formatting re-enters); past kLimit distinct patterns, new ones are compiled per call.
struct PatternCache {
  static constexpr std::size_t kLimit = 512;
  std::unordered_map<std::string, std::shared_ptr<const CompiledPattern>, TextHash, std::equal_to<>> entries;
  std::string lastText;
  const CompiledPattern* last = nullptr;
};

const CompiledPattern* lookup(std::string_view pattern, const LocaleData& ld,
                              std::shared_ptr<const CompiledPattern>& holder) {
  if (isCurrencyName(pattern)) return ld.currency.get();
  thread_local PatternCache cache;
  if (cache.last != nullptr && pattern == cache.lastText) return cache.last;
  auto it = cache.entries.find(pattern);
  if (it == cache.entries.end()) {
    if (cache.entries.size() >= PatternCache::kLimit) {
      holder = detail::compile(pattern);
      return holder.get();
    }
    it = cache.entries.emplace(std::string(pattern), detail::compile(pattern)).first;
  }
  cache.lastText.assign(pattern);
  cache.last = it->second.get();
  return cache.last;
}

automation::Date toDate(const automation::Variant& v, const LocaleData& ld) {
  switch (v.type()) {
    case VarType::Date:
      return v.asDate();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Boolean:
    case VarType::Empty:
      return automation::Date::fromSerial(automation::cDbl(v, ld.symbols));
    default:
      return automation::cDate(v, ld.symbols);
  }
}

void writeValue(const CompiledPattern& p, const automation::Variant& v, const LocaleData& ld, Out& out) {
  switch (p.kind) {
    case PatternKind::PlainText:
      if (!v.isNull()) out.put(automation::cStr(v, ld.symbols));
      return;

    case PatternKind::GeneralNumber:
      // the number as CStr writes it (no grouping); a date by its serial
      switch (v.type()) {
        case VarType::Null:
          return;
        case VarType::String: {
          std::optional<double> d = automation::parseNumber(v.asString(), ld.symbols);
          out.put(d ? automation::cStr(automation::Variant(*d), ld.symbols) : v.asString());
          return;
        }
        case VarType::Date:
          out.put(automation::cStr(automation::Variant(v.asDate().serial()), ld.symbols));
          return;
        case VarType::Boolean:
          out.put(v.asBoolean() ? "-1" : "0");
          return;
        case VarType::Empty:
          out.put('0');
          return;
        default:
          out.put(automation::cStr(v, ld.symbols));
          return;
      }

    case PatternKind::Number:
      switch (v.type()) {
        case VarType::String: {
          // text holding a number in the regional form is that number; other text stays as it is
          std::optional<double> d = automation::parseNumber(v.asString(), ld.symbols);
          if (d) {
            detail::writeDouble(p, *d, ld, out);
          } else {
            out.put(v.asString());
          }
          return;
        }
        case VarType::Object:
        case VarType::Missing:
          writeValue(p, automation::Variant(automation::cStr(v, ld.symbols)), ld, out);
          return;
        default:
          detail::writeNumber(p, v, ld, out);
          return;
      }

    case PatternKind::Date: {
      if (v.isNull()) return;
      automation::Date date;
      if (v.type() == VarType::String) {
        try {
          date = automation::cDate(v, ld.symbols);
        } catch (const automation::Error& e) {
          if (e.number() != automation::err::kTypeMismatch) throw;
          out.put(v.asString());  // text that is not a date stays as it is
          return;
        }
      } else {
        date = toDate(v, ld);
      }
      detail::writeDate(p.date.front(), date, ld, out);
      return;
    }

    case PatternKind::Text:
      if (v.isNull()) {
        if (p.text.size() >= 2 && !p.text[1].empty) detail::writeText(p, {}, out);
        return;
      }
      if (v.type() == VarType::String) {
        detail::writeText(p, v.asString(), out);
      } else {
        detail::writeText(p, automation::cStr(v, ld.symbols), out);
      }
      return;
  }
}

}  // namespace

std::string format(const automation::Variant& value, std::string_view pattern, const RegionalSettings& rs) {
  const LocaleData& ld = rs.data();
  std::shared_ptr<const CompiledPattern> holder;
  const CompiledPattern* p = lookup(pattern, ld, holder);
  Out out;
  writeValue(*p, value, ld, out);
  std::string result;
  out.moveTo(result);
  return result;
}

Formatter::Formatter(std::string_view pattern, RegionalSettings rs)
    : pattern_(pattern),
      rs_(std::move(rs)),
      compiled_(isCurrencyName(pattern) ? rs_.data().currency : detail::compile(pattern)) {}

void Formatter::formatTo(const automation::Variant& value, std::string& out) const {
  Out o;
  writeValue(*compiled_, value, rs_.data(), o);
  o.moveTo(out);
}

void Formatter::formatTo(automation::Currency value, std::string& out) const {
  if (compiled_->kind != PatternKind::Number) return formatTo(automation::Variant(value), out);
  Out o;
  detail::writeCurrency(*compiled_, value, rs_.data(), o);
  o.moveTo(out);
}

void Formatter::formatTo(double value, std::string& out) const {
  if (compiled_->kind != PatternKind::Number) return formatTo(automation::Variant(value), out);
  Out o;
  detail::writeDouble(*compiled_, value, rs_.data(), o);
  o.moveTo(out);
}

automation::Currency Formatter::shown(automation::Currency value) const {
  if (compiled_->kind != PatternKind::Number) return value;
  return detail::shownCurrency(*compiled_, value);
}

automation::Currency Formatter::shown(double value) const {
  if (compiled_->kind != PatternKind::Number) return automation::Currency::fromDouble(value);
  return detail::shownDouble(*compiled_, value);
}

std::string Formatter::format(const automation::Variant& value) const {
  std::string s;
  formatTo(value, s);
  return s;
}

std::string Formatter::format(automation::Currency value) const {
  std::string s;
  formatTo(value, s);
  return s;
}

std::string Formatter::format(double value) const {
  std::string s;
  formatTo(value, s);
  return s;
}

}  // namespace regional
