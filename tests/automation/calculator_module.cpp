// A component module for the class registry tests: one creatable class "TestLib.Calculator".

#include "automation/module.h"

namespace {

using namespace automation;

const Guid kLibId = *Guid::parse("{6B1D2A10-3C4E-4F5A-8B6C-7D8E9FA0B1C2}");
const Guid kCalculatorClsid = *Guid::parse("{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}");
constexpr int32_t kAddDispId = 0x60030000;

class Calculator final : public Dispatch {
 public:
  Calculator() : Dispatch("Calculator") {
    method("Add", [](CallArgs& a) {
      a.expect(2, 2);
      return Variant(cCur(a.at(0)) + cCur(a.at(1)));
    });
    // Adds its second argument into the caller's variable passed first.
    method("Accumulate", [](CallArgs& a) {
      a.expect(2, 2);
      a.at(0) = Variant(cCur(a.at(0)) + cCur(a.at(1)));
      return Variant();
    });
  }
};

const Module& calculatorModule() {
  static const Module module = [] {
    TypeLibInfo lib;
    lib.name = "TestLib";
    lib.libId = kLibId;
    lib.majorVersion = 1;
    lib.minorVersion = 0;
    lib.helpString = "Calculator for the registry tests";
    ClassInfo cls;
    cls.name = "Calculator";
    cls.clsid = kCalculatorClsid;
    cls.progId = "TestLib.Calculator";
    cls.defaultInterface = {"_Calculator", *Guid::parse("{11111111-2222-3333-4444-555555555555}"), true, true,
                            {{"Add", kAddDispId, 2}, {"Accumulate", 0x60030001, 2}}};
    lib.classes.push_back(cls);
    Module m(lib);
    m.addClass<Calculator>(kCalculatorClsid);
    return m;
  }();
  return module;
}

}  // namespace

TESSALINE_EXPORT_MODULE(calculatorModule)
