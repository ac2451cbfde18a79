// Rotating, fitting and placing a watermark bitmap on the page: shared by the text and the
// image watermark, each with its own group of settings.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace rastrel {

// The settings that move a watermark: the text ones or the image ones.
struct WatermarkPlacement {
  int rotation = 0;
  int xOffset = 0;
  int yOffset = 0;
  int boundary = 0;  // 0 the whole page, 1 inside the frame
  int position = 8;  // anchor 0..8, top-left to bottom-right by rows
};
WatermarkPlacement TextPlacement(const WatermarkSettings& watermark);
WatermarkPlacement ImagePlacement(const WatermarkSettings& watermark);

// The part of the page a watermark is placed in: the whole page, or the inside of the
// frame when the boundary says so and a frame kind is set (drawn or not).
struct PlacementArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
PlacementArea AvailableArea(int pageWidth, int pageHeight, const Settings& settings,
                            const WatermarkPlacement& placement);

// Rotated by FreeImage about its centre for 0 < angle < 360, transparent around the
// rotated box; any other angle leaves it as it is.
Bitmap RotateWatermark(Bitmap watermark, int angle);

// Crops the watermark at its right and bottom so that, with the offsets, it fits the
// available area. None when the offsets leave no room at all: no watermark is drawn.
Bitmap FitWatermark(Bitmap watermark, int pageWidth, int pageHeight, const Settings& settings,
                    const WatermarkPlacement& placement);

struct WatermarkPosition {
  int x = 0;
  int y = 0;
};
// The top-left corner on the page of a width x height watermark at its anchor. Centred
// anchors ignore the offset of their axis; divisions truncate toward zero.
WatermarkPosition PlaceWatermark(int pageWidth, int pageHeight, int width, int height,
                                 const Settings& settings, const WatermarkPlacement& placement);

}  // namespace rastrel
