#include "engine/colour.h"

namespace rastrel {

// Pass-through until the colour stages are built.
Bitmap CorrectColors(Bitmap image, const Settings&) { return image; }
Bitmap GreyscaleImage(Bitmap image, const Settings&) { return image; }
Bitmap ThresholdImage(Bitmap image, const Settings&) { return image; }
Bitmap DitherImage(Bitmap image, const Settings&) { return image; }

}  // namespace rastrel
