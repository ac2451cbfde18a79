#include "engine/widening.h"

namespace rastrel {

Bitmap WidenTo24Bits(const Bitmap& image) {
  if (!image) return Bitmap();
  Bitmap wide(FreeImage_ConvertTo24Bits(image.get()));
  if (wide || FreeImage_GetImageType(image.get()) == FIT_BITMAP) return wide;
  const Bitmap standard(FreeImage_ConvertToStandardType(image.get(), TRUE));
  if (!standard) return Bitmap();
  return Bitmap(FreeImage_ConvertTo24Bits(standard.get()));
}

}  // namespace rastrel
