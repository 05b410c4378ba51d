// The component without a host (the fakes stand in for it): starting the commission cut and the
// module's registration, the commission cut window and its typed list, and the number dialog.

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <tuple>

#include "../automation/error_of.h"
#include "anfitrion/lookup_source.h"
#include "automation/module.h"
#include "commission_window/corte.h"
#include "commission_window/lista_facturas.h"
#include "commission_window/select_facturas.h"
#include "entry/activator.h"
#include "entry/globales.h"
#include "fakes.h"
#include "../forms/operator.h"
#include "forms/driver.h"
#include "forms/grid.h"
#include "number_dialog/f_get_numero.h"
#include "profile/settings_store.h"
#include "regional/format.h"
#include "settings/lm_form_placement.h"
#include "settings/lm_get_setting.h"

extern "C" int32_t DllCanUnloadNow();

namespace {

using automation::Currency;
using automation::ObjectRef;
using automation::Variant;
using forms::Rect;
using namespace tessaline;

// A headless forms runtime with an operator that answers every message box, and the fake host
// installed as the component's globals; a fresh per-user settings directory for each test.
std::filesystem::path freshConfigHome() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  auto dir = std::filesystem::temp_directory_path() /
             ("tessaline-component-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  ::setenv("TESSALINE_CONFIG_HOME", dir.c_str(), 1);
  return dir;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    configHome = freshConfigHome();
    Globales::setFactoria(factory);
  }
  void TearDown() override { std::filesystem::remove_all(configHome); }

  std::filesystem::path configHome;
  forms::Application app;
  forms::test::Operator op{app};
  std::shared_ptr<fakes::Factory> factory = std::make_shared<fakes::Factory>();
};

class ActivatorTest : public WindowTest {
 protected:
  std::shared_ptr<Activator> activator = std::make_shared<Activator>();
  // The component's windows that are loaded.
  std::vector<forms::Window*> ventanas() const {
    std::vector<forms::Window*> r;
    for (forms::Window* w : app.loadedWindows())
      if (w->name() == "SelectFacturas") r.push_back(w);
    return r;
  }
  void closeAll() {
    for (forms::Window* w : ventanas()) w->unload();
  }
};

// Opening (not modal), showing and theming the window, its code box for a free window, its
// money mask and the lists of its lookup boxes are seen through the host in the end-to-end tests;
// here, what only the component's objects tell.
TEST_F(ActivatorTest, GoWithoutACodeOpensAFreeWindowBoundToTheHost) {
  automation::ObjectRef fact = factory;
  Variant codigo("");
  activator->go(fact, codigo);

  const auto abiertas = ventanas();
  ASSERT_EQ(abiertas.size(), 1u);
  forms::Window& w = *abiertas[0];
  // The button icons come from the host.
  EXPECT_EQ(std::pair(w.controlAs<forms::ActionButton>("cbProcesar")->icon(), w.controlAs<forms::ActionButton>("cbCancelar")->icon()),
            (std::pair<std::string, std::string>("process", "cancel")));
  closeAll();
}

// The theme is converted last: the factory and the company before it stay taken, the theme keeps
// its former value, and no window opens.
TEST_F(ActivatorTest, AThemeWithoutItsInterfaceFailsGoBeforeAnyWindow) {
  auto bad = std::make_shared<fakes::Factory>(/*themeImplementsInterface=*/false);
  automation::ObjectRef fact = bad;
  Variant codigo("V01");
  EXPECT_EQ(errorOf([&] { activator->go(fact, codigo); }), 13);
  EXPECT_TRUE(app.windows().empty());
  EXPECT_EQ(Globales::factoria(), bad);
  EXPECT_EQ(Globales::empresa(), bad->empresa);
  EXPECT_EQ(Globales::temaUI(), factory->tema);
  // A theme that is not an object at all.
  bad->temaValue = Variant("tema");
  EXPECT_EQ(errorOf([&] { Globales::setFactoria(bad); }), 424);
}

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

// The host behind the component's code boxes: records through the lookup object, the search list
// through one query of the table.
TEST(HostLookupSource, FindsThroughTheLookupObjectAndListsTheTableInCodeOrder) {
  using anfitrion::HostLookupSource;
  auto factory = std::make_shared<fakes::Factory>();
  auto vendedores = std::make_shared<fakes::Lookup>("Vendedor");
  vendedores->records["V01"] = std::make_shared<automation::Dispatch>("Registro");
  factory->tabla = {{{"codigo", Variant("V01")}, {"nombre", Variant("Ana")}},
                    {{"codigo", Variant("V02")}, {"nombre", Variant::null()}}};
  const HostLookupSource source(vendedores, factory, "vendedores", "codigo", "nombre");
  EXPECT_EQ(source.find("V01"), vendedores->records["V01"]);
  EXPECT_EQ(source.find("V09"), nullptr);
  const auto rows = source.entries();
  EXPECT_EQ(factory->sql, std::vector<std::string>{"SELECT codigo, nombre FROM vendedores ORDER BY codigo"});
  ASSERT_EQ(rows.size(), 2u);
  // A Null name lists as empty.
  EXPECT_EQ((std::vector<std::string>{rows[0].description, rows[1].code, rows[1].description}),
            (std::vector<std::string>{"Ana", "V02", ""}));

  // Table and column names go into SQL text: anything but plain identifiers never reaches the host.
  const HostLookupSource inyectada(vendedores, factory, "vendedores; DELETE FROM vendedores", "codigo", "nombre");
  EXPECT_EQ(errorOf([&] { inyectada.entries(); }), 5);
  EXPECT_EQ(factory->sql.size(), 1u);
  EXPECT_EQ(HostLookupSource(nullptr, factory, "vendedores", "codigo", "nombre").find("V01"), nullptr);
}

TEST_F(ActivatorTest, GoByNameOpensAWindowEachTimeWithTheLatestFactoryAndRefusesBadArguments) {
  auto secondFactory = std::make_shared<fakes::Factory>();
  Variant fact{automation::ObjectRef(factory)}, second{automation::ObjectRef(secondFactory)}, codigo("");
  automation::call(activator, "GO", {automation::Arg::ref(fact), automation::Arg::ref(codigo)});
  automation::call(activator, "go", {automation::Arg::ref(second), automation::Arg::ref(codigo)});
  EXPECT_EQ(ventanas().size(), 2u);
  EXPECT_EQ(Globales::factoria(), secondFactory);
  EXPECT_EQ(Globales::empresa(), secondFactory->empresa);

  // A factory that is not an object is a type mismatch; a missing argument is refused.
  Variant notAnObject("factoria");
  EXPECT_THROW(automation::call(activator, "go", {automation::Arg::ref(notAnObject), automation::Arg::ref(codigo)}),
               automation::Error);
  EXPECT_THROW(automation::call(activator, "go", {automation::Arg::ref(fact)}), automation::Error);
  EXPECT_EQ(ventanas().size(), 2u);
  closeAll();
}

TEST_F(ActivatorTest, TheModuleStaysLoadedWhileAnyOfItsObjectsLives) {
  activator.reset();  // no object of the module alive
  ASSERT_TRUE(ventanas().empty());
  // The registry loads the very module this test is linked with.
  automation::ClassRegistry registry(configHome);
  registry.registerModule(TESSALINE_MODULE);
  EXPECT_EQ(DllCanUnloadNow(), automation::kOk);
  {
    automation::ObjectRef activator = registry.createObject("Quorvane.Activator");
    EXPECT_EQ(activator->className(), "Activator");
    EXPECT_EQ(DllCanUnloadNow(), automation::kFalse);
    Variant fact{automation::ObjectRef(factory)}, codigo("");
    automation::CallArgs args({automation::Arg::ref(fact), automation::Arg::ref(codigo)});
    activator->invokeById(0x60030000, automation::CallKind::Method, args);
  }
  // The activator is gone, its window is not.
  ASSERT_EQ(ventanas().size(), 1u);
  EXPECT_EQ(DllCanUnloadNow(), automation::kFalse);
  closeAll();
  EXPECT_EQ(DllCanUnloadNow(), automation::kOk);
}

#ifdef TESSALINE_REGISTER_PROGRAM
// Runs tessaline-register with the settings directory `home`; returns its exit status.
int runRegister(const std::filesystem::path& home, const std::string& arguments) {
  const std::string command = "TESSALINE_CONFIG_HOME='" + home.string() + "' '" TESSALINE_REGISTER_PROGRAM "' " +
                              arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TessalineRegister, RegistersAndUnregistersTheModule) {
  const auto home = freshConfigHome();
  const automation::ClassRegistry registry(home);
  ASSERT_FALSE(registry.clsidOf("Quorvane.Activator"));

  ASSERT_EQ(runRegister(home, "'" TESSALINE_MODULE "'"), 0);
  const auto clsid = registry.clsidOf("Quorvane.Activator");
  ASSERT_TRUE(clsid);
  EXPECT_EQ(clsid->toString(), "{E2F6B806-4744-4278-9405-81F30E000EB5}");
  const auto module = registry.modulePathOf(*clsid);
  ASSERT_TRUE(module);
  EXPECT_TRUE(std::filesystem::equivalent(*module, TESSALINE_MODULE));

  ASSERT_EQ(runRegister(home, "-u '" TESSALINE_MODULE "'"), 0);
  EXPECT_FALSE(registry.clsidOf("Quorvane.Activator"));

  // Clear failures: no such file, a file that is no module, no argument.
  EXPECT_EQ(runRegister(home, "'" + (home / "missing.so").string() + "'"), 1);
  const auto notAModule = home / "notes.txt";
  { std::ofstream(notAModule) << "not a module\n"; }
  EXPECT_EQ(runRegister(home, "'" + notAModule.string() + "'"), 1);
  EXPECT_EQ(runRegister(home, ""), 1);
  std::filesystem::remove_all(home);
}
#endif

// The commission cut window's layout: the size range it keeps, the controls that follow its size
// and the docked status bar (its design size, and the keys it handles, are seen through the host).
class SelectFacturasLayout : public WindowTest {
 protected:
  std::shared_ptr<SelectFacturas> ventana = std::make_shared<SelectFacturas>();

  Rect rectOf(const char* name) { return ventana->control(name)->geometry(); }

  // The four controls that follow the window's size, and the docked status bar.
  void expectLayout(Rect procesar, Rect cancelar, Rect grid, Rect shape, Rect barra) {
    // The rest (Frame1, codigoVendedor) never moves.
    EXPECT_EQ((std::vector<Rect>{rectOf("cbProcesar"), rectOf("cbCancelar"), rectOf("detalles"), rectOf("Shape2"),
                                 rectOf("StatusBar1"), rectOf("Frame1"), rectOf("codigoVendedor")}),
              (std::vector<Rect>{procesar, cancelar, grid, shape, barra, {7995, 135, 3750, 2400},
                                 {1905, 120, 2070, 345}}));
  }
  void expectDesignLayout() {
    expectLayout({8640, 7605, 1515, 510}, {10230, 7605, 1515, 510}, {135, 2700, 11580, 4755},
                 {105, 2670, 11640, 4815}, {0, 8280, 11880, 315});
  }
};

TEST_F(SelectFacturasLayout, ResizeKeepsTheSizeRangeAndGrowsTheGrid) {
  app.setScreenSize(28800, 60000);
  ventana->show();
  ventana->move(1000, 1000);
  expectDesignLayout();

  // 2000 wider and 1000 taller than the minimum: buttons move, grid and frame grow.
  ventana->operatorResize(14000, 10000);
  EXPECT_EQ(std::pair(ventana->clientWidth(), ventana->clientHeight()), std::pair(13880, 9595));
  expectLayout({10640, 8605, 1515, 510}, {12230, 8605, 1515, 510}, {135, 2700, 13580, 5755}, {105, 2670, 13640, 5815},
               {0, 9280, 13880, 315});

  // Smaller than the minimum snaps back to it, and so to the design layout.
  ventana->operatorResize(11000, 8000);
  EXPECT_EQ(std::pair(ventana->width(), ventana->height()), std::pair(12000, 9000));
  expectDesignLayout();

  // Too wide snaps back to 14500; any height from 9000 up is kept.
  ventana->operatorResize(16000, 12000);
  EXPECT_EQ(std::pair(ventana->width(), ventana->height()), std::pair(14500, 12000));
  expectLayout({11140, 10605, 1515, 510}, {12730, 10605, 1515, 510}, {135, 2700, 14080, 7755},
               {105, 2670, 14140, 7815}, {0, 11280, 14380, 315});

  // A client area taller than 32767 twips still lays out.
  ventana->operatorResize(13000, 40405);
  ASSERT_EQ(ventana->clientHeight(), 40000);
  expectLayout({9640, 39010, 1515, 510}, {11230, 39010, 1515, 510}, {135, 2700, 12580, 36160},
               {105, 2670, 12640, 36220}, {0, 39685, 12880, 315});
}

TEST_F(SelectFacturasLayout, NeverStaysMaximisedAndMinimisingChangesNothing) {
  ventana->show();
  ventana->operatorResize(13000, 9500);
  const Rect normal = ventana->outerRect();

  ventana->operatorSetState(forms::WindowState::Maximized);
  EXPECT_EQ(ventana->windowState(), forms::WindowState::Normal);
  EXPECT_EQ(ventana->outerRect(), normal);

  for (auto state : {forms::WindowState::Minimized, forms::WindowState::Normal}) {
    ventana->operatorSetState(state);
    EXPECT_EQ(ventana->windowState(), state);
    EXPECT_EQ(ventana->outerRect(), normal);
    expectLayout({9640, 8105, 1515, 510}, {11230, 8105, 1515, 510}, {135, 2700, 12580, 5255},
                 {105, 2670, 12640, 5315}, {0, 8780, 12880, 315});
  }
}

// The invoice list loaded from a generated recordset: lists longer than a 16-bit row counter (the
// grid grown in steps and cut to size), and a record that cannot be read.
class CargaUnidad : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // The host's OpenRecordset lists `cantidad` generated invoices.
    factory->recordset = [this] { return ObjectRef(std::make_shared<fakes::Recordset>(cantidad, valor)); };
  }
  // Opens the window for V001 (which loads the list), as the host's go does: an error that
  // escapes is shown in an error box.
  void abrir() {
    app.runHandler([&] {
      ventana->load();
      Variant codigo("V001");
      ventana->setVendedor(codigo);
    });
  }
  forms::Grid& grid() { return *ventana->controlAs<forms::Grid>("detalles"); }
  nlohmann::json state() { return ventana->stateJson(); }

  size_t cantidad = 0;
  // The value of a field of invoice i (0-based).
  fakes::Recordset::Valor valor = [](size_t i, const std::string& campo) -> Variant {
    const auto n = static_cast<int32_t>(i + 1);
    if (campo == "precioefectivo") return Currency::fromRaw(100001);  // 10.0001
    if (campo == "totaliva") return Currency::fromRaw(16000);
    if (campo == "montototal") return Currency::fromRaw(116001);
    if (campo == "saldo") return Currency();
    if (campo == "comision") return Currency::fromRaw(5001);  // 0.5001
    if (campo == "pcomis") return 5.001;
    if (campo == "fechatransaccion") return automation::Date::fromYmd(2024, 3, 1);
    if (campo == "serie") return "A";
    if (campo == "correlativo" || campo == "numero") return n;
    if (campo == "nombrecliente") return "Ferreteria El Tornillo";
    if (campo == "codigocliente") return "C001";
    automation::raise(3265);  // not in the collection
  };
  std::shared_ptr<SelectFacturas> ventana = std::make_shared<SelectFacturas>();
};

TEST_F(CargaUnidad, MoreInvoicesThanA16BitCounterHoldsAreAllListed) {
  cantidad = 33000;
  abrir();
  EXPECT_EQ(grid().rows(), 33001);  // one header row
  // Cut to size: the room the grid grew into is given back (no more than a quarter is kept).
  EXPECT_LE(grid().store().cells().capacity(), 33001u * 13u * 5u / 4u);
  EXPECT_EQ(state()["cantidadFacturas"], 33000);
  EXPECT_EQ(grid().textMatrix(32767, col::kNumero), "32767");
  EXPECT_EQ(grid().textMatrix(33000, col::kNumero), "33000");
  // Exact sums: 33000 x 10.0001 and 33000 x 0.5001.
  EXPECT_EQ(state()["totalVenta"], "330003.3000");
  EXPECT_EQ(state()["totalComision"], "16503.3000");
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(CargaUnidad, ARecordThatCannotBeReadEndsTheLoadKeepingWhatWasDone) {
  cantidad = 5;
  const auto normal = valor;
  valor = [normal](size_t i, const std::string& campo) {
    return i == 2 && campo == "montototal" ? Variant::null() : normal(i, campo);
  };
  abrir();
  // The error ended the start (the window is not shown) and was reported once.
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_FALSE(ventana->visible());
  const nlohmann::json esperado = {
      {"cantidadFacturas", 3}, {"totalVenta", "30.0003"}, {"totalComision", "1.5003"}, {"fechaCargada", "1899-12-30"}};
  for (const auto& [k, v] : esperado.items()) EXPECT_EQ(state()[k], v) << k;
  EXPECT_EQ(grid().rows(), 50);
  EXPECT_EQ(grid().textMatrix(2, col::kNumero), "2");
  // The failing record's cells before its total stay; the rest of its row is empty.
  EXPECT_EQ(grid().textMatrix(3, col::kIVA), "1.60");
  EXPECT_EQ(grid().textMatrix(3, col::kTotal), "");
}

TEST_F(CargaUnidad, TheHeaderRowIsNoInvoice) {
  cantidad = 0;
  abrir();  // "no invoices": the grid keeps only its header row, which is current
  ASSERT_EQ(grid().rows(), 1);
  op.boxes.clear();
  ventana->operatorFocus(grid());
  for (int c : {col::kFactura, col::kAcreditar, col::kNombreCliente}) {
    grid().setCol(c);
    ventana->operatorKey(' ');
  }
  EXPECT_TRUE(op.boxes.empty());
  EXPECT_EQ(grid().textMatrix(0, col::kAcreditar), "Acreditar");
  EXPECT_EQ(state()["hayCambios"], false);
}

// The settings lookup (INI file first, then the per-user store) and the placement numbers.
class SettingsLookup : public WindowTest {
 protected:
  void ini(const std::string& file, const std::string& text) { std::ofstream(configHome / file) << text; }
  void store(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
    profile::SettingsStore::forCurrentUser().set(app, section, key, value);
  }
  static std::string get(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& def) {
    const automation::Variant v = lmGetSetting::GetSetting(app, section, key, def);
    EXPECT_EQ(v.type(), automation::VarType::String);
    return v.asString();
  }
};

// An INI value wins over the store's unless it is empty (the end-to-end placement tests show
// both); one of another section does not count, and without either the default applies.
TEST_F(SettingsLookup, OnlyAnIniValueOfTheSameSectionWinsOverTheStoreAndDeadTemporariesGo) {
  store("Hollowmere", "Transient", "optQuorvane", "300");
  ini("Hollowmere.ini", "[Otra]\noptQuorvane=1\n");
  EXPECT_EQ(get("Hollowmere", "Transient", "optQuorvane", "d"), "300");
  EXPECT_EQ(get("Hollowmere", "Transient", "otra", "d"), "d");
  EXPECT_EQ(get("Hollowmere", "Transient", "otra", ""), "");
  // An INI value is cut to the buffer.
  ini("App.ini", "[S]\nK=" + std::string(1500, 'x') + "\n");
  EXPECT_EQ(get("App", "S", "K", ""), std::string(1023, 'x'));

  // A killed writer's temporary file goes with the next write; a damaged store kept aside stays.
  std::ofstream(configHome / "settings.txt.Ab12Cd") << "half";
  std::ofstream(configHome / "settings.txt.damaged-1-2") << "kept";
  store("Zel", "CONFIG\\FormPlacement\\W", "Left", "0");
  EXPECT_FALSE(std::filesystem::exists(configHome / "settings.txt.Ab12Cd"));
  EXPECT_TRUE(std::filesystem::exists(configHome / "settings.txt.damaged-1-2"));
}

TEST_F(SettingsLookup, PlacementNumbersAreWholeOrMinusOne) {
  const std::string seccion = "CONFIG\\FormPlacement\\W";
  struct Caso {
    const char* texto;
    int32_t valor;
  };
  const Caso casos[] = {{"1200", 1200}, {" 12.5 ", 12},       {"13.5", 14},  {"-2.5", -2},       {"1,000", 1000},
                        {"abc", -1},    {"3000000000", -1}, {"1E+07", 10000000}, {"", -1}};
  for (const Caso& c : casos) {
    store("Zel", seccion, "Left", c.texto);
    EXPECT_EQ(lmFormPlacement::getValue("W", "Left"), c.valor) << c.texto;
  }
  EXPECT_EQ(lmFormPlacement::getValue("W", "Missing"), -1);
}

TEST(PlacementText, WritesWhatThePlatformWritesForASingle) {
  const std::tuple<float, const char*, const char*> casos[] = {
      {8400, ".", "8400"},  {-90, ".", "-90"},     {0, ".", "0"},          {9999999, ".", "9999999"},
      {1e7f, ".", "1E+07"}, {12345678, ".", "1.234568E+07"}, {12345678, ",", "1,234568E+07"}, {0.5f, ",", "0,5"}};
  for (const auto& [valor, separador, texto] : casos)
    EXPECT_EQ(lmFormPlacement::singleText(valor, separador), texto) << valor;
}

// The commission cut's typed list without a window or a host: money the list cannot hold, and a
// property over random marking and adjusting that the amount to credit, which the cut posts
// against the credited invoices' lines, is always the sum of the marked rows as shown.
Currency cur(const std::string& text) { return *automation::parseCurrency(text); }

class CorteTest : public ::testing::Test {
 protected:
  // Invoices 1..n with the given commissions, loaded as shown with two decimals.
  void cargar(const std::vector<std::string>& comisiones) {
    int32_t n = 0;
    for (const std::string& c : comisiones) {
      FilaFactura f;
      f.numero = ++n;
      f.factura = lista.guardar("A-" + std::to_string(1000000 + n).substr(1));
      f.nombreCliente = lista.guardar("Cliente " + std::to_string(n));
      f.ventaNeta = cur("1000");
      f.comisionLibros = cur(c);
      f.comision = f.comisionCargada = presentacion.dinero.shown(cur(c));
      lista.agregar(f);
    }
  }

  ListaFacturas lista;
  regional::RegionalSettings ajustes = regional::RegionalSettings::fromLocale("en_US");
  Presentacion presentacion{regional::Formatter("#,##0.00", ajustes), regional::Formatter("0.00", ajustes)};
};

TEST_F(CorteTest, AMarkOrAdjustmentMoneyCannotHoldChangesNothing) {
  cargar({"400000000000000", "400000000000000", "200000000000000"});
  lista.alternarMarca(0);
  lista.alternarMarca(1);
  EXPECT_THROW(lista.alternarMarca(2), automation::Error);
  EXPECT_THROW(lista.ajustarComision(0, cur("600000000000000"), 0.0), automation::Error);
  EXPECT_FALSE(lista[2].acreditar);
  EXPECT_EQ(lista[0].comision, cur("400000000000000"));
  EXPECT_EQ(lista.comisionAcreditar(), cur("800000000000000"));
  EXPECT_THROW(presentacion.comision(1e20), automation::Error);
}

TEST_F(CorteTest, RandomMarksAndAdjustmentsKeepTheAmountToCreditTheSumOfTheMarkedRowsAsShown) {
  std::mt19937 rng(20261207);
  for (int ronda = 0; ronda < 40; ++ronda) {
    lista.limpiar();
    std::vector<std::string> comisiones;
    for (int i = 0; i < 8; ++i) comisiones.push_back(std::to_string(rng() % 100000 / 100.0 + (rng() % 100) / 10000.0));
    cargar(comisiones);
    for (int paso = 0; paso < 30; ++paso) {
      const size_t i = rng() % lista.size();
      switch (rng() % 4) {
        case 0:
          lista.alternarMarca(i);
          break;
        case 1: {  // an amount with 0 to 4 decimals
          const double monto = static_cast<double>(rng() % 1000000) / std::pow(10.0, rng() % 5);
          const Currency nueva = presentacion.comision(monto);
          lista.ajustarComision(i, nueva, presentacion.porcentajeDe(nueva, lista[i].ventaNeta));
          break;
        }
        case 2: {  // a percentage, or the one shown accepted unchanged
          const Currency p = rng() % 2 ? presentacion.porcentajeMostrado(lista[i].porcentaje)
                                       : Currency::fromDouble((rng() % 10000) / 1000.0);
          const Currency nueva = presentacion.comisionPorPorcentaje(lista[i].ventaNeta, p);
          lista.ajustarComision(i, nueva, presentacion.porcentajeDe(nueva, lista[i].ventaNeta));
          break;
        }
        default:
          break;
      }
      Currency marcadas;
      for (const FilaFactura& f : lista.filas()) {
        EXPECT_EQ(f.comision, presentacion.dinero.shown(f.comision));
        if (f.acreditar) marcadas += f.comision;
      }
      ASSERT_EQ(lista.comisionAcreditar(), marcadas);
    }
  }
}

// The number dialog, driven by operator scripts through the headless driver.
struct Outcome {
  std::optional<double> value;
  std::optional<automation::Error> error;
  bool loadedWhenDone = true;
};

class NumberDialog : public WindowTest {
 protected:
  // Runs `script` with `go` asking the question through `ask`; returns the driver's exit status.
  int run(const std::string& script, std::function<double(fGetNumero&)> ask) {
    outcome = {};
    out.str("");
    forms::ScriptDriver driver(app, out);
    driver.onGo([&](const std::string&) {
      dialog = std::make_shared<fGetNumero>();
      try {
        outcome.value = ask(*dialog);
      } catch (const automation::Error& e) {
        outcome.error = e;
      }
      outcome.loadedWhenDone = dialog->isLoaded();
    });
    std::istringstream in(script);
    return driver.run(in);
  }

  // The JSON events the run printed.
  std::vector<nlohmann::json> events() const {
    std::vector<nlohmann::json> r;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) r.push_back(nlohmann::json::parse(line));
    return r;
  }
  // The dialog in the first dump that shows it.
  nlohmann::json dumpedDialog() const {
    for (const auto& e : events())
      for (const auto& w : e.value("windows", nlohmann::json::array()))
        if (w["name"] == "fGetNumero") return w;
    return nullptr;
  }

  std::ostringstream out;
  std::shared_ptr<fGetNumero> dialog;
  Outcome outcome;
};

double askAmount(fGetNumero& d) {
  return d.GetNumeroWithError("Nueva comision para la factura", "#,##0.00", "Ajuste de comisiones",
                              automation::Currency::fromRaw(125000));
}

// Closing the dialog any way but Ok (Esc, the close box, Cancelar) is reported after the window
// has gone.
TEST_F(NumberDialog, EveryWayOfClosingButAcceptIsACancellation) {
  for (const char* closing : {"key ESC", "close", "click cbCancelar"}) {
    ASSERT_EQ(run(std::string("go\ntype 3\n") + closing + "\n", askAmount), 0) << out.str();
    ASSERT_TRUE(outcome.error) << closing;
    EXPECT_EQ(std::tuple(outcome.error->number(), outcome.error->source(), outcome.error->description()),
              std::tuple(10001, "frmGetNum", "frmGetNum:Cancel"));
    EXPECT_FALSE(outcome.loadedWhenDone) << closing;
  }
}

TEST_F(NumberDialog, AGroupingSeparatorOffAGroupBoundaryIsRefusedWithAMessage) {
  struct Case {
    const char* locale;
    const char* slip;  // the decimal key of the other convention: read as grouping, ten times the amount
    const char* grouped;
    double value;
  };
  for (const Case& c : {Case{"es_VE", "40.5", "Bs.S1.234,5", 1234.5}, Case{"en_US", "1,23", "1,234.5", 1234.5}}) {
    SCOPED_TRACE(c.locale);
    app.setRegionalSettings(regional::RegionalSettings::fromLocale(c.locale));
    ASSERT_EQ(run(std::string("go\ntype ") + c.slip + "\nok\ndump\ntype " + c.grouped + "\nkey ENTER\n", askAmount), 0)
        << out.str();
    const auto ev = events();
    EXPECT_EQ(ev[1]["event"], "warning");
    EXPECT_NE(ev[1]["text"].get<std::string>().find(c.slip), std::string::npos);
    EXPECT_EQ(dumpedDialog()["controls"]["Velnor1"]["value"], 12.5);
    EXPECT_EQ(outcome.value, c.value);
  }
}

// A short prompt narrows the dialog, the accept button partly off its left edge (the commission
// prompts widen it: seen through the host).
TEST_F(NumberDialog, OnlyTheTextGivenUsesTheDefaultsAndAShortPromptNarrowsTheDialog) {
  ASSERT_EQ(run("go\ndump\nkey ENTER\n", [](fGetNumero& d) { return d.GetNumeroWithError("Monto"); }), 0) << out.str();
  auto w = dumpedDialog();
  const auto& c = w["controls"];
  EXPECT_EQ(w["caption"], "Informacion requerida");
  // The prompt is 450 twips wide: 30 px of the headless 8-point font.
  EXPECT_EQ(nlohmann::json::array({c["Label1"]["width"], c["Velnor1"]["left"], w["width"], c["cbCancelar"]["left"],
                                   c["cbOk"]["left"], c["Velnor1"]["format"], c["Velnor1"]["value"]}),
            nlohmann::json::parse(R"([450, 810, 3135, 1455, -120, "", 0])"));
  EXPECT_EQ(outcome.value, 0.0);
}

TEST_F(NumberDialog, GetNumeroFallsBackToItsDefault) {
  auto ask = [](fGetNumero& d) { return d.GetNumero(automation::Variant(12.5), "Porcentaje"); };
  ASSERT_EQ(run("go\ndump\nkey ESC\n", ask), 0) << out.str();
  EXPECT_EQ(outcome.value, 12.5);
  EXPECT_EQ(std::pair(dumpedDialog()["controls"]["Velnor1"]["value"], dumpedDialog()["caption"]),
            std::pair(nlohmann::json(12.5), nlohmann::json("")));

  ASSERT_EQ(run("go\ntype 7\nkey ENTER\n", ask), 0) << out.str();
  EXPECT_EQ(outcome.value, 7.0);

  // A default that is not a number fails as its conversion does, before anything is shown.
  ASSERT_EQ(run("go\n", [](fGetNumero& d) { return d.GetNumero(automation::Variant("doce"), "x"); }), 0);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->number(), 13);
}

TEST_F(NumberDialog, LoadingThemesTheWindowAndTakesTheHostIcons) {
  auto d = std::make_shared<fGetNumero>();
  d->SetParamsNoShow("Titulo", "Texto");
  EXPECT_EQ(factory->tema->styled, std::vector<std::string>{"fGetNumero"});
  EXPECT_TRUE(factory->tema->byRef);
  EXPECT_EQ(factory->icons, (std::vector<int16_t>{25, 8}));
  EXPECT_EQ(std::pair(d->controlAs<forms::ActionButton>("cbOk")->icon(), d->controlAs<forms::ActionButton>("cbCancelar")->icon()),
            (std::pair<std::string, std::string>("ok", "cancel")));
  EXPECT_EQ(d->caption(), "Titulo");
  EXPECT_FALSE(d->visible());

  // Without a value the box keeps its own.
  d->SetParamsNoShow("Titulo", "Texto", automation::Variant(3.5));
  d->SetParamsNoShow("Titulo", "Texto");
  EXPECT_EQ(d->Entrada(), automation::Variant(3.5));

  // Closing twice is harmless; touching the closed window loads it again with its design values.
  d->descargar();
  d->descargar();
  EXPECT_FALSE(d->isLoaded());
  EXPECT_EQ(d->Entrada(), automation::Variant(0.0));
  EXPECT_TRUE(d->isLoaded());
  EXPECT_EQ(factory->tema->styled.size(), 2u);
  EXPECT_EQ(d->caption(), "...");
}

}  // namespace
