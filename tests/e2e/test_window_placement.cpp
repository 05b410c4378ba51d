// Where the commission window opens: its saved placement restored, pulled back onto the screen or
// refused, the INI file overriding the store, and what closing saves.

#include <array>

#include "e2e_support.h"

namespace {

using namespace e2e;

const std::string kSeccion = "Zel\\CONFIG\\FormPlacement\\SelectFacturas";
using Lugar = std::map<std::string, std::string>;

using Rect = std::array<int, 4>;  // left, top, width, height

class VentanaPlacement : public ::testing::Test {
 protected:
  // Opens a free window in a live host and closes it again (which saves its placement).
  Rect abrir(e2e::LiveHost& host) {
    host.send("go\ndump\nclose\necho cerrada");
    const json w = ventana(host.waitFor("dump"));
    host.waitFor("echo", "cerrada");
    return {w["left"], w["top"], w["width"], w["height"]};
  }
  WindowBooks libros;
};

// Centred by the utility library on the 28800 x 16200 screen: where a window stays when nothing
// is restored.
constexpr Rect kCentrada{8400, 3600, 12000, 9000};

TEST_F(VentanaPlacement, SavedPlacementsAreRestoredPulledBackOrRefused) {
  const std::pair<Lugar, Rect> casos[] = {
      {{}, kCentrada},
      {{{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, {1000, 500, 13000, 9500}},
      // Overhanging by more than 180 twips: pulled back to the edge, never shrunk.
      {{{"Left", "16000"}, {"Top", "7000"}, {"Width", "13000"}, {"Height", "9500"}}, {15800, 6700, 13000, 9500}},
      // Overhanging by 80 twips: left where it was.
      {{{"Left", "15900"}, {"Top", "6800"}, {"Width", "13000"}, {"Height", "9500"}}, {15900, 6800, 13000, 9500}},
      {{{"Left", "-90"}, {"Top", "-90"}, {"Width", "13000"}, {"Height", "9500"}}, {-90, -90, 13000, 9500}},
      {{{"Left", "-100"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      {{{"Left", "500"}, {"Top", "-91"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      // Wider than the screen: cannot be pulled back, so nothing is restored.
      {{{"Left", "0"}, {"Top", "0"}, {"Width", "30000"}, {"Height", "9500"}}, kCentrada},
      // A missing coordinate is not the -1 of an unreadable one, a place on the screen.
      {{{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}}, kCentrada},
      {{{"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}, kCentrada},
      // Whole numbers with halves to even, read with the regional separators.
      {{{"Left", "1001,5"}, {"Top", "1.000"}, {"Width", "13000"}, {"Height", "9500"}}, {1002, 1000, 13000, 9500}},
  };
  auto host = libros.live();
  for (const auto& [guardado, esperado] : casos) {
    libros.writeStore({{kSeccion, guardado}});
    std::string nombre;
    for (const auto& [k, v] : guardado) nombre += k + "=" + v + " ";
    EXPECT_EQ(abrir(*host), esperado) << nombre;
  }
  EXPECT_EQ(libros.finish(*host).status, 0);
}

// Closing saves the outer rectangle, as whole numbers, into the store and never into the INI
// file, whose values win over the store's at every start (an empty one does not count).
TEST_F(VentanaPlacement, ClosingSavesToTheStoreAndTheIniFileWinsAtEveryStart) {
  libros.writeStore({{kSeccion, {{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}}});
  const Salida r = libros.run("go\nresize 13500 9815\nclose\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  for (const auto& [k, v] : Lugar{{"Left", "1000"}, {"Top", "500"}, {"Width", "13500"}, {"Height", "9815"}})
    EXPECT_EQ(libros.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", k), v) << k;

  std::ofstream(libros.configHome() / "Zel.ini") << "[CONFIG\\FormPlacement\\SelectFacturas]\nLeft=2000\nTop=\n";
  auto host = libros.live();
  EXPECT_EQ(abrir(*host), (Rect{2000, 500, 13500, 9815}));
  libros.writeStore({{kSeccion, {{"Left", "3000"}, {"Top", "600"}, {"Width", "13000"}, {"Height", "9500"}}}});
  EXPECT_EQ(abrir(*host), (Rect{2000, 600, 13000, 9500}));
  EXPECT_EQ(libros.finish(*host).status, 0);
  EXPECT_EQ(libros.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"), "2000");
  EXPECT_EQ(e2e::readFile(libros.configHome() / "Zel.ini"), "[CONFIG\\FormPlacement\\SelectFacturas]\nLeft=2000\nTop=\n");
}

// On a screen smaller than the window the saved size cannot fit: nothing is restored, and the
// utility library centres the window partly off the screen.
TEST_F(VentanaPlacement, AScreenSmallerThanTheWindowRestoresNothing) {
  libros.screen = "11000x8000";
  libros.writeStore({{kSeccion, {{"Left", "0"}, {"Top", "0"}, {"Width", "12000"}, {"Height", "9000"}}}});
  auto host = libros.live();
  EXPECT_EQ(abrir(*host), (Rect{-500, -500, 12000, 9000}));
  EXPECT_EQ(libros.finish(*host).status, 0);
}

}  // namespace
