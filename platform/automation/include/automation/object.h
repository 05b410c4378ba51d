#pragma once
// Late-bound objects: calls by member name (case-insensitive) with a kind, positional arguments by
// value or by reference to the caller's variable, and named arguments.
//
//   auto rs = automation::call(factoria, "OpenRecordset", {Arg(sql), Arg(code), Arg(fecha)});
//   automation::call(banco, "RegistrarMovimiento", {...}, {{"Imprimir", Arg(true)}});
//   Variant total = comision;  automation::call(v, "AddDetalleValor", {Arg(cta), Arg(txt), Arg::ref(total)});

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

// The arguments of one call. A call made with a braced list of arguments views them where the
// caller built them (no allocation); one made with vectors owns them.
class CallArgs final {
 public:
  CallArgs() = default;
  CallArgs(std::vector<Arg> positional, std::vector<NamedArg> named = {})
      : ownedPositional_(std::move(positional)),
        ownedNamed_(std::move(named)),
        positional_(ownedPositional_),
        named_(ownedNamed_) {}
  // Views arguments that the caller keeps alive for the whole call.
  CallArgs(std::span<Arg> positional, std::span<NamedArg> named) : positional_(positional), named_(named) {}
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
  void expect(size_t min, size_t max) const;

 private:
  std::vector<Arg> ownedPositional_;
  std::vector<NamedArg> ownedNamed_;
  std::span<Arg> positional_;
  std::span<NamedArg> named_;
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
// method runs the method, as late binding allows.
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
  Member& slot(std::string name);
  std::string className_;
  std::vector<Member> members_;
  std::vector<std::pair<int32_t, std::string>> dispIds_;
  std::vector<std::string> interfaces_;
};

// Member names compare without regard to ASCII case.
inline bool sameName(std::string_view a, std::string_view b) { return text::equalsNoCase(a, b); }

}  // namespace automation
