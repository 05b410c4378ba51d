// The host behind the component's code boxes: records through the lookup object, the search list
// through one query of the table.

#include <gtest/gtest.h>

#include "../automation/error_of.h"
#include "fakes.h"
#include "anfitrion/lookup_source.h"

namespace {

using automation::Variant;
using tessaline::anfitrion::HostLookupSource;

TEST(HostLookupSource, FindsThroughTheLookupObjectAndListsTheTableInCodeOrder) {
  auto factory = std::make_shared<fakes::Factory>();
  auto vendedores = std::make_shared<fakes::Lookup>("Vendedor");
  vendedores->records["V01"] = std::make_shared<fakes::Record>("Registro", "Nombre", Variant("Ana"));
  factory->tabla = {{{"codigo", Variant("V01")}, {"nombre", Variant("Ana")}},
                    {{"codigo", Variant("V02")}, {"nombre", Variant::null()}}};
  const HostLookupSource source(vendedores, factory, "vendedores", "codigo", "nombre");
  EXPECT_EQ(source.find("V01"), vendedores->records["V01"]);
  EXPECT_EQ(source.find("V09"), nullptr);
  const auto rows = source.entries();
  EXPECT_EQ(factory->sql, std::vector<std::string>{"SELECT codigo, nombre FROM vendedores ORDER BY codigo"});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].description, "Ana");
  EXPECT_EQ(rows[1].code, "V02");
  EXPECT_EQ(rows[1].description, "") << "a Null name lists as empty";

  // Table and column names go into SQL text: anything but plain identifiers never reaches the host.
  const HostLookupSource inyectada(vendedores, factory, "vendedores; DELETE FROM vendedores", "codigo", "nombre");
  EXPECT_EQ(errorOf([&] { inyectada.entries(); }), 5);
  EXPECT_EQ(factory->sql.size(), 1u);
  EXPECT_EQ(HostLookupSource(nullptr, factory, "vendedores", "codigo", "nombre").find("V01"), nullptr);
}

}  // namespace
