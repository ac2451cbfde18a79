// The integer blend rules of the overlays, written out so that every drawing gives the same
// bytes on every machine and on every worker.
#pragma once

#include <FreeImage.h>

#include <cstdint>

#include "overlay/colour_text.h"

namespace rastrel {

// Straight-alpha source-over of `source` onto `target` with a constant alpha: the drawn
// alpha is constant x source alpha / 255; over a target of alpha t the colour becomes
// ((255 - a) t target + 255 a source) / ((255 - a) t + 255 a) and the alpha
// (255 a + (255 - a) t) / 255, all integer divisions. Where nothing is drawn onto a
// transparent target the target stays as it is.
Rgba BlendOver(Rgba target, Rgba source, int constantAlpha);

// One channel of the page compositor: alpha 0 keeps the page, 255 takes the overlay, any
// other alpha mixes (alpha x overlay + (255 - alpha) x page) / 256. These are the bytes
// FreeImage_Composite gives, so compositing only the rows and columns an overlay covers
// gives the same page as compositing a whole page-sized overlay.
constexpr std::uint8_t CompositeChannel(int overlay, int page, int alpha) {
  if (alpha == 0) return static_cast<std::uint8_t>(page);
  if (alpha == 255) return static_cast<std::uint8_t>(overlay);
  return static_cast<std::uint8_t>((alpha * overlay + (255 - alpha) * page) >> 8);
}

// Composites one straight-alpha colour word onto a 24- or 32-bit FreeImage pixel.
inline void CompositePixel(BYTE* pixel, Rgba overlay) {
  const int alpha = AlphaOf(overlay);
  pixel[FI_RGBA_RED] = CompositeChannel(RedOf(overlay), pixel[FI_RGBA_RED], alpha);
  pixel[FI_RGBA_GREEN] = CompositeChannel(GreenOf(overlay), pixel[FI_RGBA_GREEN], alpha);
  pixel[FI_RGBA_BLUE] = CompositeChannel(BlueOf(overlay), pixel[FI_RGBA_BLUE], alpha);
}

}  // namespace rastrel
