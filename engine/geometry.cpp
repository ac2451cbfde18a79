#include "engine/geometry.h"

namespace rastrel {

// Pass-through until the geometry stages are built.
Bitmap RotateImage(Bitmap image, const Settings&) { return image; }
Bitmap ResizeImage(Bitmap image, int, int, const Settings&) { return image; }
void FlipImage(const Bitmap&, const Settings&) {}

}  // namespace rastrel
