// Where the commission window opens: its saved placement restored, pulled back onto the screen
// or refused, the INI file overriding the store, and what closing saves.

#include "test_window_support.h"

namespace {

using namespace window_e2e;

const std::string kSeccion = "Zel\\CONFIG\\FormPlacement\\SelectFacturas";

struct Rect {
  int left, top, width, height;
  bool operator==(const Rect&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}

class VentanaPlacement : public ::testing::Test {
 protected:
  Rect abrir() {
    const Salida r = books.run("go\ndump\n");
    EXPECT_EQ(r.status, 0) << r.transcript();
    const json& w = r.dump().w;
    return {w["left"], w["top"], w["width"], w["height"]};
  }
  WindowBooks books;
};

// Centred by the utility library on the 28800 x 16200 screen: where a window stays when nothing
// is restored.
constexpr Rect kCentrada{8400, 3600, 12000, 9000};

TEST_F(VentanaPlacement, SavedPlacementsAreRestoredPulledBackOrRefused) {
  struct Caso {
    std::map<std::string, std::string> guardado;
    Rect esperado;
  };
  const Caso casos[] = {
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
      {{{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}}, kCentrada},
      // Not a number reads as -1, which is still on screen.
      {{{"Left", "abc"}, {"Top", "100"}, {"Width", "13000"}, {"Height", "9500"}}, {-1, 100, 13000, 9500}},
      // Whole numbers with halves to even, read with the regional separators.
      {{{"Left", "1001,5"}, {"Top", "1.000"}, {"Width", "13000"}, {"Height", "9500"}}, {1002, 1000, 13000, 9500}},
      {{{"Left", "99999999999"}, {"Top", "0"}, {"Width", "13000"}, {"Height", "9500"}}, {-1, 0, 13000, 9500}},
  };
  for (const Caso& c : casos) {
    books.writeStore({{kSeccion, c.guardado}});
    std::string nombre;
    for (const auto& [k, v] : c.guardado) nombre += k + "=" + v + " ";
    EXPECT_EQ(abrir(), c.esperado) << nombre;
  }
}

TEST_F(VentanaPlacement, ClosingSavesTheOuterRectangleAsWholeNumbers) {
  books.writeStore({{kSeccion, {{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}}});
  const Salida r = books.run("go\nresize 13500 9815\nclose\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Left"), "1000");
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Top"), "500");
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Width"), "13500");
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Height"), "9815");
  EXPECT_EQ(abrir(), (Rect{1000, 500, 13500, 9815}));
}

TEST_F(VentanaPlacement, TheIniFileOverridesTheStoreAtEveryStart) {
  books.writeStore({{kSeccion, {{"Left", "1000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}}});
  books.writeIni("Zel.ini", "[CONFIG\\FormPlacement\\SelectFacturas]\nLeft=2000\nTop=\n");
  EXPECT_EQ(abrir(), (Rect{2000, 500, 13000, 9500}));
  // Closing saves into the store, never into the INI file...
  const Salida r = books.run("go\nresize 14000 9500\nclose\n");
  ASSERT_EQ(r.status, 0) << r.transcript();
  EXPECT_EQ(books.setting("Zel", "CONFIG\\FormPlacement\\SelectFacturas", "Width"), "14000");
  // ...and the INI value wins again.
  books.writeStore({{kSeccion, {{"Left", "3000"}, {"Top", "500"}, {"Width", "13000"}, {"Height", "9500"}}}});
  EXPECT_EQ(abrir(), (Rect{2000, 500, 13000, 9500}));
}

TEST_F(VentanaPlacement, AScreenSmallerThanTheWindowRestoresNothing) {
  books.screen = "11000x8000";
  books.writeStore({{kSeccion, {{"Left", "0"}, {"Top", "0"}, {"Width", "12000"}, {"Height", "9000"}}}});
  const Rect r = abrir();
  // Centred on the small screen by the utility library, partly off it: the saved size cannot fit.
  EXPECT_EQ(r, (Rect{-500, -500, 12000, 9000}));
}

}  // namespace
