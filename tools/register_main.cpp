// tessaline-register: adds a component module's classes to the per-user class registry, or removes
// them.
//
//   tessaline-register MODULE       registers (the module's own DllRegisterServer)
//   tessaline-register -u MODULE    unregisters
//   tessaline-register --version    prints the version
//
// Exit status 0 on success, 1 on any failure (with the reason on stderr).

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "automation/error.h"
#include "automation/module.h"

int main(int argc, char** argv) {
  CLI::App app{"Registers or unregisters a component module in the per-user class registry"};
  bool unregister = false;
  std::string module;
  app.set_version_flag("--version", "tessaline-register " TESSALINE_VERSION);
  app.add_flag("-u,--unregister", unregister, "remove the module's classes instead of adding them");
  app.add_option("MODULE", module, "path of the component module (a shared library)")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version end here too, with status 0.
    return app.exit(e) == 0 ? 0 : 1;
  }

  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(module, ec);
  if (ec || !std::filesystem::is_regular_file(path, ec)) {
    std::cerr << "tessaline-register: " << module << ": no such module file\n";
    return 1;
  }

  try {
    auto& registry = automation::ClassRegistry::forCurrentUser();
    if (unregister) {
      registry.unregisterModule(path);
      std::cout << "Unregistered " << path.string() << "\n";
    } else {
      registry.registerModule(path);
      std::cout << "Registered " << path.string() << "\n";
    }
    return 0;
  } catch (const automation::Error& e) {
    std::cerr << "tessaline-register: " << path.string() << ": " << e.description();
    if (e.number() != 0) std::cerr << " (error " << e.number() << ")";
    std::cerr << "\n";
  } catch (const std::exception& e) {
    std::cerr << "tessaline-register: " << path.string() << ": " << e.what() << "\n";
  }
  return 1;
}
