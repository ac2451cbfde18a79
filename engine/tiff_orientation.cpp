#include "engine/tiff_orientation.h"

#include <utility>
#include <vector>

#include "engine/tiff_handle.h"

namespace rastrel {
namespace {

// Quarter turn clockwise. FreeImage cannot rotate every bit depth (4-bit pages, for one), so
// those go through a 32-bit copy first.
Bitmap RotateClockwise(Bitmap image) {
  Bitmap rotated(FreeImage_Rotate(image.get(), -90.0));
  if (!rotated && FreeImage_GetImageType(image.get()) == FIT_BITMAP) {
    Bitmap wide(FreeImage_ConvertTo32Bits(image.get()));
    if (wide) rotated.reset(FreeImage_Rotate(wide.get(), -90.0));
  }
  if (rotated) {
    // The page's resolution turns with it.
    FreeImage_SetDotsPerMeterX(rotated.get(), FreeImage_GetDotsPerMeterY(image.get()));
    FreeImage_SetDotsPerMeterY(rotated.get(), FreeImage_GetDotsPerMeterX(image.get()));
  }
  return rotated;
}

}  // namespace

int ReadTiffOrientation(const std::string& path, int pageIndex) {
  std::vector<std::string> ignored;
  TiffHandle tif = OpenTiffForReading(path, ignored);
  if (!tif || pageIndex < 0 || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(pageIndex))) return 1;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  if (!TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation)) return 1;
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

Bitmap ApplyOrientation(Bitmap image, int orientation) {
  if (!image || orientation < 2 || orientation > 8) return image;
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
      FreeImage_FlipHorizontal(image.get());
      return image;
    case ORIENTATION_BOTRIGHT:
      FreeImage_FlipHorizontal(image.get());
      FreeImage_FlipVertical(image.get());
      return image;
    case ORIENTATION_BOTLEFT:
      FreeImage_FlipVertical(image.get());
      return image;
    default:
      break;
  }
  // 5 to 8 store the page transposed: stored rows run down the upright page.
  if (orientation == ORIENTATION_LEFTBOT) {
    Bitmap turned = RotateClockwise(std::move(image));
    if (turned) {
      FreeImage_FlipHorizontal(turned.get());
      FreeImage_FlipVertical(turned.get());
    }
    return turned;
  }
  Bitmap turned = RotateClockwise(std::move(image));
  if (!turned) return turned;
  if (orientation == ORIENTATION_LEFTTOP) FreeImage_FlipHorizontal(turned.get());
  if (orientation == ORIENTATION_RIGHTBOT) FreeImage_FlipVertical(turned.get());
  return turned;
}

}  // namespace rastrel
