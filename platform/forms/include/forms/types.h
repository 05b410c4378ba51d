#pragma once
// Small value types shared by the forms runtime: geometry in twips, colours, fonts, keys and the
// enumerations of window and control settings (numbered as the platform numbers them).

#include <cstdint>
#include <string>

namespace forms {

// A rectangle in twips (1/1440 inch; 15 twips per pixel at 96 dots per inch): left, top, width,
// height, relative to the container (controls) or to the screen (windows, outer rectangle).
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// Colours are the platform's 0x00BBGGRR values: rgb(7, 116, 205) == 0xCD7407.
using Color = uint32_t;
constexpr Color rgb(int r, int g, int b) {
  return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
namespace colors {
inline constexpr Color kWhite = rgb(255, 255, 255);
inline constexpr Color kBlack = rgb(0, 0, 0);
inline constexpr Color kWindow = rgb(255, 255, 255);      // the system window colour
inline constexpr Color kWindowText = rgb(0, 0, 0);        // the system window-text colour
inline constexpr Color kButtonFace = rgb(236, 233, 216);  // the system 3D face colour
}  // namespace colors

struct Font {
  std::string name = "MS Sans Serif";
  double size = 8.25;  // points
  bool bold = false;
  bool italic = false;
  bool operator==(const Font&) const = default;
};

// Keys as the operator presses them. Character keys are their character code (the KeyAscii a
// KeyPress handler sees: 13 Enter, 27 Esc, 32 Space, 'a' ...). Keys without a character (F2) are
// above 0xFFFF and never reach KeyPress handlers.
namespace keys {
inline constexpr int kBackspace = 8;
inline constexpr int kEnter = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kF2 = 0x10000 + 0x71;
}  // namespace keys

enum class BorderStyle {
  None = 0,
  FixedSingle = 1,
  Sizable = 2,
  FixedDialog = 3,
  FixedToolWindow = 4,
  SizableToolWindow = 5,
};

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

enum class StartUpPosition { Manual = 0, CenterOwner = 1, CenterScreen = 2, WindowsDefault = 3 };

// Why a window is being unloaded (the QueryUnload mode).
enum class UnloadMode {
  CloseBox = 0,     // the operator closed it with its close box
  FromCode = 1,     // the program unloaded it
  AppWindows = 2,   // the session is ending
  TaskManager = 3,  // the system asked it to end
};

enum class Alignment { Left = 0, Right = 1, Center = 2 };

// Headless window metrics: a bordered window's outer size is its client size plus these.
inline constexpr int kFrameWidth = 120;   // borders, left and right together
inline constexpr int kFrameHeight = 405;  // title bar and borders

inline constexpr int kDefaultScreenWidth = 28800;
inline constexpr int kDefaultScreenHeight = 16200;

}  // namespace forms
