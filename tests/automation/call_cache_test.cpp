#include <gtest/gtest.h>

#include "automation/object.h"
#include "error_of.h"

using namespace automation;

namespace {

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
