#include "overlay/watermark_layout.h"

#include "overlay/frame.h"

namespace rastrel {

WatermarkPlacement TextPlacement(const WatermarkSettings& w) {
  return {w.textRotation, w.textXOffset, w.textYOffset, w.textBoundary, w.textPosition};
}

WatermarkPlacement ImagePlacement(const WatermarkSettings& w) {
  return {w.imageRotation, w.imageXOffset, w.imageYOffset, w.imageBoundary, w.imagePosition};
}

PlacementArea AvailableArea(int pageWidth, int pageHeight, const Settings& settings,
                            const WatermarkPlacement& placement) {
  if (settings.frame.doFrame == 0 || placement.boundary != 1) return {0, 0, pageWidth, pageHeight};
  const FrameBands b = ClampFrameBands(settings.frame, pageWidth, pageHeight);
  return {b.left, b.top, pageWidth - b.left - b.right, pageHeight - b.top - b.bottom};
}

Bitmap RotateWatermark(Bitmap watermark, int angle) {
  if (!watermark || angle <= 0 || angle >= 360) return watermark;
  return Bitmap(FreeImage_Rotate(watermark.get(), angle, nullptr));
}

Bitmap FitWatermark(Bitmap watermark, int pageWidth, int pageHeight, const Settings& settings,
                    const WatermarkPlacement& placement) {
  if (!watermark) return watermark;
  const PlacementArea area = AvailableArea(pageWidth, pageHeight, settings, placement);
  const int width = static_cast<int>(watermark.width());
  const int height = static_cast<int>(watermark.height());
  const int newWidth = width + placement.xOffset > area.width ? area.width - placement.xOffset : width;
  const int newHeight = height + placement.yOffset > area.height ? area.height - placement.yOffset : height;
  if (newWidth == width && newHeight == height) return watermark;
  // Offsets that leave no room: nothing of the watermark can show.
  if (newWidth <= 0 || newHeight <= 0) return Bitmap();
  return Bitmap(FreeImage_Copy(watermark.get(), 0, 0, newWidth, newHeight));
}

WatermarkPosition PlaceWatermark(int pageWidth, int pageHeight, int width, int height,
                                 const Settings& settings, const WatermarkPlacement& placement) {
  const PlacementArea area = AvailableArea(pageWidth, pageHeight, settings, placement);
  const int ox = placement.xOffset;
  const int oy = placement.yOffset;
  const int left = ox;
  const int centre = (area.width - width) / 2;
  const int right = area.width - width - ox;
  const int top = oy;
  const int middle = (area.height - height) / 2;
  const int bottom = area.height - height - oy;
  WatermarkPosition position;
  switch (placement.position) {
    case 0:
      position = {left, top};
      break;
    case 1:
      position = {centre, top};
      break;
    case 2:
      position = {right, top};
      break;
    case 3:
      position = {left, middle};
      break;
    case 4:
      position = {centre, middle};
      break;
    case 5:
      position = {right, middle};
      break;
    case 6:
      position = {left, bottom};
      break;
    case 7:
      position = {centre, bottom};
      break;
    case 8:
      position = {right, bottom};
      break;
    default:
      position = {0, 0};
      break;
  }
  // Inside the frame, positions count from the frame's inner corner (also for the
  // unknown anchor, which is that corner).
  position.x += area.left;
  position.y += area.top;
  return position;
}

}  // namespace rastrel
