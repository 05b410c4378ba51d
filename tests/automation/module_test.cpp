#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "automation/module.h"
#include "error_of.h"
#include "../profile/temp_dir.h"
#include "profile/settings_store.h"

using namespace automation;

namespace {

constexpr const char* kProgId = "TestLib.Calculator";

// The current user's registry lives in a fresh directory for each test.
class ClassRegistryTest : public ::testing::Test {
 protected:
  ClassRegistryTest() { ::setenv("TESSALINE_CONFIG_HOME", home_.path().c_str(), 1); }
  ~ClassRegistryTest() override { ::unsetenv("TESSALINE_CONFIG_HOME"); }
  TempDir home_;
};

TEST(Guid, TextRoundTrip) {
  const auto g = Guid::parse("{e2f6b806-4744-4278-9405-81f30e000eb5}");
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->toString(), "{E2F6B806-4744-4278-9405-81F30E000EB5}");
  EXPECT_EQ(Guid::parse("E2F6B806-4744-4278-9405-81F30E000EB5"), g);
  for (const char* bad : {"", "{E2F6B806-4744-4278-9405-81F30E000EB}", "{E2F6B806-4744-4278-9405+81F30E000EB5}",
                          "{G2F6B806-4744-4278-9405-81F30E000EB5}", "(E2F6B806-4744-4278-9405-81F30E000EB5)"}) {
    EXPECT_FALSE(Guid::parse(bad).has_value()) << bad;
  }
}

TEST_F(ClassRegistryTest, RegisterCreateCallUnregister) {
  ClassRegistry& registry = ClassRegistry::forCurrentUser();
  EXPECT_EQ(errorOf([&] { registry.createObject(kProgId); }), 429);

  registry.registerModule(CALCULATOR_MODULE);
  const auto clsid = registry.clsidOf(kProgId);
  ASSERT_TRUE(clsid.has_value());
  EXPECT_EQ(clsid->toString(), "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
  EXPECT_EQ(registry.modulePathOf(*clsid), std::filesystem::canonical(CALCULATOR_MODULE));

  ObjectRef calculator = registry.createObject("testlib.calculator");  // ProgIDs are case-insensitive too
  ASSERT_TRUE(calculator);
  EXPECT_EQ(calculator->className(), "Calculator");
  EXPECT_EQ(call(calculator, "add", {Arg(int16_t{2}), Arg(2.5)}), Variant(Currency::fromDouble(4.5)));

  // The type library the module describes.
  const TypeLibInfo* lib = typeLibOf(CALCULATOR_MODULE);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->name, "TestLib");

  // By reference across the module boundary.
  Variant total = Currency::fromInteger(1);
  call(calculator, "Accumulate", {Arg::ref(total), Arg(int16_t{9})});
  EXPECT_EQ(total, Variant(Currency::fromInteger(10)));

  registry.unregisterModule(CALCULATOR_MODULE);
  EXPECT_FALSE(registry.clsidOf(kProgId).has_value());
  EXPECT_EQ(errorOf([&] { registry.createObject(kProgId); }), 429);
}

TEST_F(ClassRegistryTest, ModuleRegistersIntoTheRegistryThatAskedIt) {
  const std::filesystem::path other = home_ / "other";
  ClassRegistry registry(other);
  registry.registerModule(CALCULATOR_MODULE);
  EXPECT_TRUE(registry.clsidOf(kProgId).has_value());
  EXPECT_FALSE(ClassRegistry::forCurrentUser().clsidOf(kProgId).has_value());
  EXPECT_EQ(profile::SettingsStore(other).get("Classes", "ProgID\\TestLib.Calculator", "CLSID"),
            "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
}

TEST_F(ClassRegistryTest, FailuresAreClearErrors) {
  ClassRegistry& registry = ClassRegistry::forCurrentUser();
  EXPECT_EQ(errorOf([&] { registry.registerModule(home_ / "missing.so"); }), 48);
  // A class whose module has gone away.
  const std::filesystem::path copy = home_ / "calculator-copy.so";
  std::filesystem::copy_file(CALCULATOR_MODULE, copy);
  TypeLibInfo lib;
  lib.libId = *Guid::parse("{6B1D2A10-3C4E-4F5A-8B6C-7D8E9FA0B1C2}");
  ClassInfo cls;
  cls.clsid = *Guid::parse("{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
  cls.progId = "Gone.Calculator";
  registry.addClass(cls, lib, copy);
  std::filesystem::remove(copy);
  try {
    registry.createObject("Gone.Calculator");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 429);
    EXPECT_TRUE(e.description().starts_with("ActiveX component can't create object")) << e.description();
  }
  // A class the module does not provide.
  cls.clsid = *Guid::parse("{00000000-0000-0000-0000-000000000001}");
  cls.progId = "Wrong.Calculator";
  registry.addClass(cls, lib, CALCULATOR_MODULE);
  EXPECT_EQ(errorOf([&] { registry.createObject("Wrong.Calculator"); }), 429);
}

}  // namespace
