// The host globals and the shared routines of the component's entry module.

#include <gtest/gtest.h>

#include "automation/error.h"
#include "entry/globales.h"
#include "../automation/error_of.h"
#include "fakes.h"

using automation::Variant;
using tessaline::Globales;

namespace {

TEST(Max, TakesTheLargestAndKeepsItsType) {
  EXPECT_EQ(Globales::MAX(3, 9, 4), Variant(9));
  EXPECT_EQ(Globales::MAX(4), Variant(4));
  // Equal values of different numeric types: the earlier one wins, with its own type.
  EXPECT_EQ(Globales::MAX(Variant(int16_t{2}), Variant(2.0)).type(), automation::VarType::Integer);
  EXPECT_EQ(Globales::MAX(Variant(2.0), Variant(int16_t{2})).type(), automation::VarType::Double);
  // A later, strictly greater value of another type replaces the running value.
  EXPECT_EQ(Globales::MAX(Variant(int16_t{2}), Variant(2.5), Variant(automation::Currency::fromInteger(1))),
            Variant(2.5));
  // The company's six percentages, as the percentage check passes them.
  EXPECT_EQ(Globales::MAX(3.0, 5.0, 4.0, 2.0, 2.5, 1.0), Variant(5.0));
  EXPECT_EQ(errorOf([] { Globales::MAX(std::span<const Variant>{}); }), 5);
}

TEST(SetFactoria, KeepsFactoryCompanyAndTheme) {
  auto factory = std::make_shared<fakes::Factory>();
  Globales::setFactoria(factory);
  EXPECT_EQ(Globales::factoria(), factory);
  EXPECT_EQ(Globales::empresa(), factory->empresa);
  EXPECT_EQ(Globales::temaUI(), factory->tema);
  // The factory's objects are made through it.
  EXPECT_EQ(Globales::crearObjeto("BComprobante").asObject()->className(), "BComprobante");

  // A theme that is not an object (a theme without the interface: see the activator's tests).
  auto notAnObject = std::make_shared<fakes::Factory>();
  notAnObject->temaValue = Variant("tema");
  EXPECT_EQ(errorOf([&] { Globales::setFactoria(notAnObject); }), 424);
}

}  // namespace
