#include <gtest/gtest.h>

#include "automation/object.h"
#include "error_of.h"

using namespace automation;

namespace {

// Methods in the order given, so that one name sits in different places; each appends its name to
// a by-reference first argument and answers its name and the named argument Tag. Calls received
// are counted before the member is reached.
class Shaped final : public Dispatch {
 public:
  Shaped(std::vector<std::string> names, std::string cls = "Shaped") : Dispatch(std::move(cls)) {
    for (const std::string& n : names)
      method(n, [n](CallArgs& a) {
        if (a.size() > 0) a.at(0) = Variant(cStr(a.at(0)) + "+" + n);
        const Variant* tag = a.named("Tag");
        return Variant(n + (tag ? ":" + cStr(*tag) : ""));
      });
  }
  Variant invoke(std::string_view member, CallKind kind, CallArgs& args) override {
    ++received;
    return Dispatch::invoke(member, kind, args);
  }
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
    Variant copy("y");
    invoke(b, site, {Arg(copy)});
    EXPECT_EQ(copy, Variant("y"));
  }
  EXPECT_EQ(mine, Variant("x+Value+Value"));
  EXPECT_EQ(a->received, 4);  // every call reaches the object
  EXPECT_EQ(lacking->received, 2);
}

}  // namespace
