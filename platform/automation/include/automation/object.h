#pragma once
// Late-bound objects: calls by member name (case-insensitive) with a kind, positional arguments by
// value or by reference to the caller's variable, and named arguments.
//
//   auto rs = automation::call(factoria, "OpenRecordset", {Arg(sql), Arg(code), Arg(fecha)});
//   automation::call(banco, "RegistrarMovimiento", {...}, {{"Imprimir", Arg(true)}});
//   Variant total = comision;  automation::call(v, "AddDetalleValor", {Arg(cta), Arg(txt), Arg::ref(total)});
//
// A call made over and over from one place goes through a call site, which remembers where the
// member was found for the last class of object called there:
//
//   static constinit automation::CallSite kValue("Value", automation::CallKind::Get);
//   Variant v = automation::invoke(field, kValue);

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/variant.h"
#include "text/text.h"

namespace automation {

enum class CallKind { Method, Get, Let, Set };
const char* callKindName(CallKind k);  // "method", "get", "let", "set"

// One argument: a value of its own (by value) or a reference to the caller's variable (by ref).
class Arg final {
 public:
  Arg() = default;  // a missing (omitted) argument
  Arg(Variant value) : own_(std::move(value)) {}
  template <class T>
    requires std::is_constructible_v<Variant, T>
  Arg(T&& value) : own_(Variant(std::forward<T>(value))) {}
  static Arg ref(Variant& target) {
    Arg a;
    a.ref_ = &target;
    return a;
  }
  static Arg omitted() { return Arg(Variant::missing()); }

  bool byRef() const { return ref_ != nullptr; }
  Variant& value() { return ref_ ? *ref_ : own_; }
  const Variant& value() const { return ref_ ? *ref_ : own_; }

 private:
  Variant own_ = Variant::missing();
  Variant* ref_ = nullptr;
};

struct NamedArg {
  std::string name;
  Arg arg;
};

// One place in the code that makes a late-bound call: the member, the kind of call, and an inline
// cache of where the member was found in the member table of the last class of object called
// there. Make it a static where the call is written; it may be shared by threads (what it
// remembers is one word, read and written whole). Objects that keep no member table ignore it
// and look the name up as for any call.
class CallSite final {
 public:
  constexpr CallSite(std::string_view member, CallKind kind) : member_(member), kind_(kind) {}
  CallSite(const CallSite&) = delete;
  CallSite& operator=(const CallSite&) = delete;

  std::string_view member() const { return member_; }
  CallKind kind() const { return kind_; }
  // Where the member is in member tables of that layout (a number from 1 naming a sequence of
  // member names), or -1 when the site does not know.
  int64_t slotFor(uint32_t layout) const {
    const uint64_t known = cache_.load(std::memory_order_relaxed);
    return known >> 32 == layout ? static_cast<int64_t>(known & 0xFFFFFFFFu) : -1;
  }
  void remember(uint32_t layout, uint32_t slot) {
    cache_.store(uint64_t{layout} << 32 | slot, std::memory_order_relaxed);
  }

 private:
  std::string_view member_;
  CallKind kind_;
  std::atomic<uint64_t> cache_{0};
};

// The arguments of one call. A call made with a braced list of arguments views them where the
// caller built them (no allocation); one made with vectors owns them.
class CallArgs final {
 public:
  CallArgs() = default;
  CallArgs(std::vector<Arg> positional, std::vector<NamedArg> named = {})
      : owned_(std::make_unique<Owned>(Owned{std::move(positional), std::move(named)})),
        positional_(owned_->positional),
        named_(owned_->named) {}
  // Views arguments that the caller keeps alive for the whole call.
  CallArgs(std::span<Arg> positional, std::span<NamedArg> named, CallSite* site = nullptr)
      : positional_(positional), named_(named), site_(site) {}
  CallArgs(const CallArgs&) = delete;
  CallArgs& operator=(const CallArgs&) = delete;

  size_t size() const { return positional_.size(); }
  // Positional argument i (0-based); error 449 when absent or missing.
  Variant& at(size_t i);
  const Variant& at(size_t i) const;
  // Positional argument i or nullopt when absent or omitted.
  std::optional<Variant> opt(size_t i) const;
  bool isByRef(size_t i) const { return i < positional_.size() && positional_[i].byRef(); }
  // Named argument (case-insensitive) or nullptr.
  Variant* named(std::string_view name);
  std::span<const Arg> positional() const { return positional_; }
  std::span<const NamedArg> namedArgs() const { return named_; }
  std::span<Arg> positional() { return positional_; }
  std::span<NamedArg> namedArgs() { return named_; }
  // Error 450 unless min <= size() <= max.
  void expect(size_t min, size_t max) const {
    if (positional_.size() < min || positional_.size() > max) raise(err::kWrongArgumentCount);
  }
  // The call site the call comes from, when it was made through one.
  CallSite* site() const { return site_; }

 private:
  // Arguments given in vectors are kept here; a call viewing its caller's arguments has none.
  struct Owned {
    std::vector<Arg> positional;
    std::vector<NamedArg> named;
  };
  std::unique_ptr<Owned> owned_;
  std::span<Arg> positional_;
  std::span<NamedArg> named_;
  CallSite* site_ = nullptr;
};

// A late-bound object. Implementations answer invoke(); callers use the free functions below.
class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  // The class name the object reports (journal "class", e.g. "HostFactory", "Recordset").
  virtual std::string className() const = 0;
  // Unknown member: error 438.
  virtual Variant invoke(std::string_view member, CallKind kind, CallArgs& args) = 0;
  // Late binding by dispatch id, for objects described by a type library. Default: 438.
  virtual Variant invokeById(int32_t dispId, CallKind kind, CallArgs& args);
  // Whether the object implements the interface with this identifier (the typed conversion of a
  // late-bound reference, e.g. to the host's theme interface). Default: no.
  virtual bool supportsInterface(std::string_view iid) const;
};

// Calls on a reference; a reference to Nothing raises 91.
Variant call(const ObjectRef& obj, std::string_view member, std::vector<Arg> args = {},
             std::vector<NamedArg> named = {});
Variant get(const ObjectRef& obj, std::string_view member, std::vector<Arg> args = {});
// The call as given: arguments the caller keeps alive for the call.
Variant invoke(const ObjectRef& obj, std::string_view member, CallKind kind, std::span<Arg> args,
               std::span<NamedArg> named = {});
// A braced list of Args, {Arg(a), Arg::ref(b)}, stays on the caller's stack.
template <size_t N>
Variant call(const ObjectRef& obj, std::string_view member, Arg (&&args)[N], std::vector<NamedArg> named = {}) {
  return invoke(obj, member, CallKind::Method, std::span<Arg>(args, N), named);
}
template <size_t N>
Variant get(const ObjectRef& obj, std::string_view member, Arg (&&args)[N]) {
  return invoke(obj, member, CallKind::Get, std::span<Arg>(args, N));
}
// Error 91: a call on a reference to Nothing.
[[noreturn]] void raiseNothing();
// The call written at `site` (its member and kind), with arguments the caller keeps alive. Inline:
// the calls of a read loop go straight from the caller to the object.
inline Variant invoke(const ObjectRef& obj, CallSite& site, std::span<Arg> args = {},
                      std::span<NamedArg> named = {}) {
  if (!obj) raiseNothing();
  CallArgs a(args, named, &site);
  return obj->invoke(site.member(), site.kind(), a);
}
template <size_t N>
Variant invoke(const ObjectRef& obj, CallSite& site, Arg (&&args)[N]) {
  return invoke(obj, site, std::span<Arg>(args, N));
}
template <size_t N, size_t M>
Variant invoke(const ObjectRef& obj, CallSite& site, Arg (&&args)[N], NamedArg (&&named)[M]) {
  return invoke(obj, site, std::span<Arg>(args, N), std::span<NamedArg>(named, M));
}
void let(const ObjectRef& obj, std::string_view member, Variant value);
void set(const ObjectRef& obj, std::string_view member, ObjectRef value);
// Variant holding an object (error 424 "Object required" when it holds something else; Nothing
// is returned as an empty reference).
ObjectRef toObject(const Variant& v);
// The same for a temporary: the reference is moved out, not shared once more.
ObjectRef toObject(Variant&& v);

// Declares an object's members in a few lines:
//
//   class Empresa : public Dispatch {
//    public:
//     Empresa() : Dispatch("Empresa") {
//       getter("MascaraMonetarios", [this](CallArgs&) { return Variant(mask_); });
//       method("Load", [this](CallArgs& a) { return Variant(load(a.at(0))); });
//     }
//   };
//
// A Method call on a member with only a getter runs the getter, and a Get on a member with only a
// method runs the method, as late binding allows. A call through a call site finds the member where
// the site last found it when this object's member names are those of the object the site saw.
class Dispatch : public Object {
 public:
  using Handler = std::function<Variant(CallArgs&)>;
  using Setter = std::function<void(CallArgs&, Variant& value)>;  // value is the last argument

  explicit Dispatch(std::string className) : className_(std::move(className)) {}
  std::string className() const override { return className_; }
  Variant invoke(std::string_view member, CallKind kind, CallArgs& args) override;
  // Calls the member bound to dispId with bindDispId (438 for an unbound id).
  Variant invokeById(int32_t dispId, CallKind kind, CallArgs& args) override;
  // True for the interface identifiers given to implements() (compared without regard to case).
  bool supportsInterface(std::string_view iid) const override;
  bool hasMember(std::string_view member) const;

 protected:
  void method(std::string name, Handler h);
  void getter(std::string name, Handler h);
  void letter(std::string name, Setter s);
  void setter(std::string name, Setter s);
  // A plain read-write property kept in a Variant (Let stores a value, Set an object).
  void property(std::string name, Variant* storage);
  // Makes member name callable by the dispatch id its type library gives it.
  void bindDispId(int32_t dispId, std::string name);
  // Declares that the object implements the interface iid ("{3239BD71-...}").
  void implements(std::string iid);

 private:
  struct Member {
    std::string name;
    Handler method, get;
    Setter let, set;
  };
  Member* find(std::string_view name);
  const Member* find(std::string_view name) const;
  // Finds the member by name and tells the site where it is in tables of this layout.
  Member* findAndRemember(std::string_view name, CallSite& site);
  Member& slot(std::string name);
  std::string className_;
  std::vector<Member> members_;
  uint32_t layout_ = 0;  // the number of the sequence of member names; 0 until a call site asks
  std::vector<std::pair<int32_t, std::string>> dispIds_;
  std::vector<std::string> interfaces_;
};

// Member names compare without regard to ASCII case.
inline bool sameName(std::string_view a, std::string_view b) { return text::equalsNoCase(a, b); }

}  // namespace automation
