// The module's description: the type library Quorvane with its one class, Activator, and the class
// object that makes activators (each counted among the module's live objects).

#include "automation/module.h"
#include "entry/activator.h"
#include "entry/live_objects.h"

namespace tessaline {

namespace {

automation::Guid guid(const char* text) { return *automation::Guid::parse(text); }

const automation::TypeLibInfo& typeLibrary() {
  static const automation::TypeLibInfo lib = [] {
    automation::TypeLibInfo t;
    t.name = "Quorvane";
    t.libId = guid("{20A3F2E0-27E1-435B-A402-C6169450A319}");
    t.majorVersion = 2;
    t.minorVersion = 0;
    t.helpString = "Pago selectivo de comisiones a vendedores";

    automation::ClassInfo activator;
    activator.name = "Activator";
    activator.clsid = guid("{E2F6B806-4744-4278-9405-81F30E000EB5}");
    activator.progId = "Quorvane.Activator";
    activator.creatable = true;
    activator.defaultInterface.name = "_Activator";
    activator.defaultInterface.iid = guid("{8C94DBEB-BCD0-4E86-868D-CCFB8F3E17CC}");
    activator.defaultInterface.dual = true;
    activator.defaultInterface.hidden = true;
    activator.defaultInterface.members = {{"go", Activator::kDispIdGo, 2}};
    t.classes = {activator};

    t.versionInfo = {
        {"FileVersion", "1.00"},
        {"ProductVersion", "1.00"},
        {"ProductName", "Quorvane"},
        {"InternalName", "Tessaline"},
        {"OriginalFilename", "Tessaline.dll"},
        {"OLESelfRegister", ""},
    };
    return t;
  }();
  return lib;
}

}  // namespace

const automation::Module& modulo() {
  static const automation::Module m = [] {
    automation::Module mod(typeLibrary());
    mod.addClass<Activator>(typeLibrary().classes.front().clsid);
    return mod;
  }();
  return m;
}

}  // namespace tessaline

