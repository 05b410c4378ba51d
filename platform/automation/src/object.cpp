#include "automation/object.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace automation {

const char* callKindName(CallKind k) {
  switch (k) {
    case CallKind::Method: return "method";
    case CallKind::Get: return "get";
    case CallKind::Let: return "let";
    case CallKind::Set: return "set";
  }
  return "method";
}

// ---- CallArgs

Variant& CallArgs::at(size_t i) {
  if (i >= positional_.size() || positional_[i].value().isMissing()) raise(err::kArgumentNotOptional);
  return positional_[i].value();
}

const Variant& CallArgs::at(size_t i) const {
  if (i >= positional_.size() || positional_[i].value().isMissing()) raise(err::kArgumentNotOptional);
  return positional_[i].value();
}

std::optional<Variant> CallArgs::opt(size_t i) const {
  if (i >= positional_.size() || positional_[i].value().isMissing()) return std::nullopt;
  return positional_[i].value();
}

Variant* CallArgs::named(std::string_view name) {
  for (NamedArg& n : named_) {
    if (sameName(n.name, name)) return &n.arg.value();
  }
  return nullptr;
}

// ---- Object

Variant Object::invokeById(int32_t, CallKind, CallArgs&) { raise(err::kMemberNotSupported, className()); }

bool Object::supportsInterface(std::string_view) const { return false; }

Variant invoke(const ObjectRef& obj, std::string_view member, CallKind kind, std::span<Arg> args,
               std::span<NamedArg> named) {
  if (!obj) raise(err::kObjectNotSet);
  CallArgs a(args, named);
  return obj->invoke(member, kind, a);
}

void raiseNothing() { raise(err::kObjectNotSet); }

Variant call(const ObjectRef& obj, std::string_view member, std::vector<Arg> args, std::vector<NamedArg> named) {
  return invoke(obj, member, CallKind::Method, args, named);
}

Variant get(const ObjectRef& obj, std::string_view member, std::vector<Arg> args) {
  return invoke(obj, member, CallKind::Get, args);
}

void let(const ObjectRef& obj, std::string_view member, Variant value) {
  Arg a[1]{Arg(std::move(value))};
  invoke(obj, member, CallKind::Let, a);
}

void set(const ObjectRef& obj, std::string_view member, ObjectRef value) {
  Arg a[1]{Arg(Variant(std::move(value)))};
  invoke(obj, member, CallKind::Set, a);
}

ObjectRef toObject(const Variant& v) {
  if (!v.isObject()) raise(err::kObjectRequired);
  return v.asObject();
}

ObjectRef toObject(Variant&& v) {
  if (!v.isObject()) raise(err::kObjectRequired);
  return v.takeObject();
}

// ---- Dispatch

namespace {

// The number of a sequence of member names: objects whose tables hold the same names in the same
// order share it, so a member's position found in one holds for all of them.
uint32_t layoutNumber(std::vector<std::string> names) {
  static std::mutex mutex;
  static std::map<std::vector<std::string>, uint32_t> numbers;
  std::lock_guard lock(mutex);
  const auto [it, added] = numbers.try_emplace(std::move(names), static_cast<uint32_t>(numbers.size() + 1));
  return it->second;
}

}  // namespace

Dispatch::Member* Dispatch::find(std::string_view name) {
  for (Member& m : members_) {
    if (sameName(m.name, name)) return &m;
  }
  return nullptr;
}

const Dispatch::Member* Dispatch::find(std::string_view name) const {
  for (const Member& m : members_) {
    if (sameName(m.name, name)) return &m;
  }
  return nullptr;
}

Dispatch::Member* Dispatch::findAndRemember(std::string_view name, CallSite& site) {
  if (layout_ == 0) {
    std::vector<std::string> names;
    names.reserve(members_.size());
    for (const Member& m : members_) names.push_back(m.name);
    layout_ = layoutNumber(std::move(names));
  }
  Member* m = find(name);
  if (m != nullptr) site.remember(layout_, static_cast<uint32_t>(m - members_.data()));
  return m;
}

Dispatch::Member& Dispatch::slot(std::string name) {
  if (Member* m = find(name)) return *m;
  members_.push_back(Member{std::move(name), {}, {}, {}, {}});
  layout_ = 0;  // a new sequence of names
  return members_.back();
}

bool Dispatch::hasMember(std::string_view member) const { return find(member) != nullptr; }

void Dispatch::method(std::string name, Handler h) { slot(std::move(name)).method = std::move(h); }
void Dispatch::getter(std::string name, Handler h) { slot(std::move(name)).get = std::move(h); }
void Dispatch::letter(std::string name, Setter s) { slot(std::move(name)).let = std::move(s); }
void Dispatch::setter(std::string name, Setter s) { slot(std::move(name)).set = std::move(s); }

void Dispatch::property(std::string name, Variant* storage) {
  Member& m = slot(std::move(name));
  m.get = [storage](CallArgs& a) {
    a.expect(0, 0);
    return *storage;
  };
  m.let = [storage](CallArgs& a, Variant& value) {
    a.expect(0, 0);
    if (value.isObject()) raise(err::kTypeMismatch);
    *storage = value;
  };
  m.set = [storage](CallArgs& a, Variant& value) {
    a.expect(0, 0);
    if (!value.isObject()) raise(err::kObjectRequired);
    *storage = value;
  };
}

void Dispatch::bindDispId(int32_t dispId, std::string name) { dispIds_.emplace_back(dispId, std::move(name)); }

void Dispatch::implements(std::string iid) { interfaces_.push_back(std::move(iid)); }

bool Dispatch::supportsInterface(std::string_view iid) const {
  return std::any_of(interfaces_.begin(), interfaces_.end(), [&](const std::string& i) { return sameName(i, iid); });
}

Variant Dispatch::invokeById(int32_t dispId, CallKind kind, CallArgs& args) {
  for (const auto& [id, name] : dispIds_) {
    if (id == dispId) return invoke(name, kind, args);
  }
  raise(err::kMemberNotSupported, className_);
}

Variant Dispatch::invoke(std::string_view member, CallKind kind, CallArgs& args) {
  Member* m = nullptr;
  CallSite* site = args.site();
  // A site helps only with its own member (a call passed on under another name is looked up).
  const bool siteMember =
      site != nullptr && site->member().data() == member.data() && site->member().size() == member.size();
  if (siteMember && layout_ != 0) {
    // Objects of the same layout have the same members in the same places.
    const int64_t known = site->slotFor(layout_);
    if (known >= 0) m = &members_[static_cast<size_t>(known)];
  }
  if (m == nullptr) m = siteMember ? findAndRemember(member, *site) : find(member);
  if (m == nullptr) raise(err::kMemberNotSupported, className_);
  switch (kind) {
    case CallKind::Method:
      if (m->method) return m->method(args);
      if (m->get) return m->get(args);
      break;
    case CallKind::Get:
      if (m->get) return m->get(args);
      if (m->method) return m->method(args);
      break;
    case CallKind::Let:
    case CallKind::Set: {
      const Setter& assign = kind == CallKind::Let ? m->let : m->set;
      if (!assign) break;
      if (args.size() == 0) raise(err::kWrongArgumentCount, className_);
      // The value is the last positional argument; the handler sees the others (an index).
      CallArgs index(args.positional().first(args.size() - 1), args.namedArgs());
      assign(index, args.positional().back().value());
      return {};
    }
  }
  raise(err::kMemberNotSupported, className_);
}

}  // namespace automation
