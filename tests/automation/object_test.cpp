// Late binding: by-reference arguments, the standard errors, fallbacks between member kinds, and
// call sites that remember where a member is.
#include <gtest/gtest.h>

#include "automation/object.h"
#include "error_of.h"

using namespace automation;

namespace {

class Account final : public Dispatch {
 public:
  Account() : Dispatch("Account") {
    getter("Balance", [this](CallArgs& a) {
      a.expect(0, 0);
      return Variant(balance_);
    });
    // Moves amount into the caller's variable: Transfer(target ByRef, amount [, Memo:=])
    method("Transfer", [this](CallArgs& a) {
      a.expect(2, 2);
      const Currency amount = cCur(a.at(1));
      a.at(0) = Variant(cCur(a.at(0)) + amount);
      balance_ -= amount;
      if (Variant* memo = a.named("memo")) memo_ = *memo;
      return Variant(balance_);
    });
    method("Ping", [](CallArgs&) { return Variant("pong"); });
    getter("", [this](CallArgs&) { return Variant(balance_); });  // default member
    property("Owner", &owner_);
    implements("{3239BD71-5C39-434E-B049-48A1CDD16445}");
  }
  Variant memo_;

 private:
  Currency balance_ = Currency::fromInteger(100);
  Variant owner_;
};

TEST(LateBinding, ByReferenceArgumentsWriteBack) {
  auto account = std::make_shared<Account>();
  Variant mine = Currency::fromInteger(5);
  Variant copy = Currency::fromInteger(5);
  call(account, "Transfer", {Arg::ref(mine), Arg(Currency::fromInteger(30))}, {{"Memo", Arg("rent")}});
  call(account, "transfer", {Arg(copy), Arg(int16_t{10})});
  EXPECT_EQ(mine, Variant(Currency::fromInteger(35)));
  EXPECT_EQ(copy, Variant(Currency::fromInteger(5)));  // by value: the caller's variable is untouched
  EXPECT_EQ(get(account, "BALANCE"), Variant(Currency::fromInteger(60)));
  EXPECT_EQ(account->memo_, Variant("rent"));
}

TEST(LateBinding, StandardErrors) {
  auto account = std::make_shared<Account>();
  EXPECT_EQ(errorOf([&] { call(account, "Withdraw"); }), 438);
  EXPECT_EQ(errorOf([&] { call(ObjectRef{}, "Ping"); }), 91);
  EXPECT_EQ(errorOf([&] { call(account, "Transfer", {Arg(int16_t{1})}); }), 450);
  EXPECT_EQ(errorOf([&] { call(account, "Transfer", {Arg::omitted(), Arg(int16_t{1})}); }), 449);
  EXPECT_EQ(errorOf([&] { let(account, "Balance", Variant(int16_t{1})); }), 438);  // read-only
  EXPECT_EQ(errorOf([&] { set(account, "Owner", ObjectRef{}); }), 0);
  EXPECT_EQ(errorOf([&] { toObject(Variant(int16_t{5})); }), 424);
  EXPECT_EQ(toObject(Variant::nothing()), nullptr);
  CallArgs none;
  EXPECT_EQ(errorOf([&] { none.at(0); }), 449);
  EXPECT_FALSE(none.opt(0).has_value());
  EXPECT_EQ(errorOf([&] { account->invokeById(7, CallKind::Method, none); }), 438);
  const Error e = Error::standard(438, "Account");
  EXPECT_EQ(e.description(), "Object doesn't support this property or method");
  EXPECT_EQ(e.source(), "Account");
  EXPECT_EQ(Error::standard(err::kObjectErrorBase + 1).description(), "Application-defined or object-defined error");
}

TEST(LateBinding, KindsFallBackAsLateBindingAllows) {
  auto account = std::make_shared<Account>();
  EXPECT_EQ(get(account, "Ping"), Variant("pong"));                              // Get runs a method
  EXPECT_EQ(call(account, "Balance"), Variant(Currency::fromInteger(100)));      // Method runs a getter
  let(account, "Owner", Variant("Ana"));
  EXPECT_EQ(get(account, "owner"), Variant("Ana"));
  EXPECT_EQ(errorOf([&] { let(account, "Owner", Variant(account)); }), 13);
  EXPECT_EQ(cStr(Variant(account)), "100");  // conversions use the default member
  EXPECT_TRUE(greaterThan(Variant(account), Variant(int16_t{99})));
  EXPECT_TRUE(account->hasMember("TRANSFER"));
  EXPECT_TRUE(account->supportsInterface("{3239bd71-5c39-434e-b049-48a1cdd16445}"));
  EXPECT_FALSE(account->supportsInterface("{00000000-0000-0000-0000-000000000000}"));
}

// Methods in the order given, each appending its name to a first argument; every call is counted.
struct Shaped final : Dispatch {
  Shaped(std::vector<std::string> names, std::string cls = "Shaped") : Dispatch(std::move(cls)) {
    for (const std::string& n : names)
      method(n, [n](CallArgs& a) {
        if (a.size() > 0) a.at(0) = Variant(cStr(a.at(0)) + "+" + n);
        return Variant(n + (a.named("Tag") ? ":" + cStr(*a.named("Tag")) : ""));
      });
  }
  Variant invoke(std::string_view m, CallKind k, CallArgs& a) override { return ++received, Dispatch::invoke(m, k, a); }
  int received = 0;
};

TEST(CallSite, RemembersPerLayoutAndPassesEveryCallAsGiven) {
  static constinit CallSite site("value", CallKind::Method);
  auto a = std::make_shared<Shaped>(std::vector<std::string>{"Value", "Other"});
  auto b = std::make_shared<Shaped>(std::vector<std::string>{"Other", "Extra", "VALUE"}, "Other");
  auto lacking = std::make_shared<Shaped>(std::vector<std::string>{"Other"});  // same class, no Value
  Variant mine("x");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(invoke(a, site, {Arg::ref(mine)}, {NamedArg{"tag", Arg(int16_t{7})}}), Variant("Value:7"));
    EXPECT_EQ(invoke(b, site), Variant("VALUE"));
    EXPECT_EQ(errorOf([&] { invoke(lacking, site); }), 438);
    EXPECT_EQ(errorOf([&] { invoke(ObjectRef{}, site); }), 91);
    EXPECT_EQ(errorOf([&] { invoke(a, site, {Arg::omitted()}); }), 449);
  }
  EXPECT_EQ(mine, Variant("x+Value+Value"));
  EXPECT_EQ(a->received + lacking->received, 6);  // every call reaches the object
}

}  // namespace
