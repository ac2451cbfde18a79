// The solid frame painted over the border of a page.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace rastrel {

// The four side widths as drawn on a W x H page. Each width is clamped to 0..W (0..H);
// when two opposite sides together exceed the page, the right (bottom) side gives way so
// that the two meet. Negative widths and oversized frames thus still give a frame that
// stays on the page and covers it completely at worst; the watermark's FRAME boundary
// uses the same widths.
struct FrameBands {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};
FrameBands ClampFrameBands(const FrameSettings& frame, int width, int height);

// Do Frame 0 returns the page untouched; any other value converts it to 24 bits, and 1
// paints the frame: four sides with mitred corners, antialiased along the diagonals, at
// one opacity. Only the band is drawn and composited, so the cost follows the frame's
// area, not the page's. None only when the page cannot be converted to 24 bits.
Bitmap ApplySolidFrame(Bitmap image, int width, int height, const Settings& settings);

}  // namespace rastrel
