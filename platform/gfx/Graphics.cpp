#include "platform/gfx/Graphics.h"

namespace gfx {

namespace {

constexpr TColor RGB(int R, int G, int B) { return R | G << 8 | B << 16; }

// The default scheme's values of the system colour indexes 0 to 30.
constexpr TColor SystemColors[] = {
    RGB(200, 200, 200),  // scroll bar
    RGB(0, 0, 0),        // desktop
    RGB(153, 180, 209),  // active caption
    RGB(191, 205, 219),  // inactive caption
    RGB(240, 240, 240),  // menu
    RGB(255, 255, 255),  // window
    RGB(100, 100, 100),  // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(0, 0, 0),        // caption text
    RGB(180, 180, 180),  // active border
    RGB(244, 247, 252),  // inactive border
    RGB(171, 171, 171),  // application workspace
    RGB(0, 120, 215),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(240, 240, 240),  // button face
    RGB(160, 160, 160),  // button shadow
    RGB(109, 109, 109),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(0, 0, 0),        // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(105, 105, 105),  // 3D dark shadow
    RGB(227, 227, 227),  // 3D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(0, 0, 0),        // (unused index)
    RGB(0, 102, 204),    // hot-tracked item
    RGB(185, 209, 234),  // active caption gradient
    RGB(215, 228, 242),  // inactive caption gradient
    RGB(51, 153, 255),   // menu highlight
    RGB(240, 240, 240),  // menu bar
};

} // namespace

TColor ColorToRGB(TColor Color) {
  if (Color >= 0) return Color;
  const unsigned Index = static_cast<unsigned>(Color) & 0xFF;
  return Index < sizeof SystemColors / sizeof SystemColors[0] ? SystemColors[Index] : 0;
}

} // namespace gfx
