// How each finished page is written: the save flags of the output format, the depth a
// page is saved in, and the conversion of the page to that depth.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/bitmap.h"
#include "formats/conversion_target.h"
#include "settings/settings.h"

namespace rastrel {

// FreeImage save flags for `extension` from its per-format output settings; computed once
// per batch. Formats without options, and unknown extensions, give 0.
std::int32_t ComputeSaveFlags(const Settings& settings, std::string_view extension);

// The first allowed depth at least as deep as the source; the deepest one when none is;
// 0 for an empty list. `allowedDepths` is ascending.
int ChooseAutomaticDepth(std::span<const int> allowedDepths, int sourceDepth);

// The depth a page is saved in: the target's depth, or in automatic mode the choice for the
// page's depth as loaded. Never written back into the shared target.
int OutputDepthForPage(const ConversionTarget& target, int sourceDepth);

// OutputDepthForPage for the page in hand: in automatic mode, a page that a decoder or a
// stage widened beyond the depth chosen for its source, and that holds colour there (a
// palette or low-depth colour page decoded to RGB, a coloured frame on a fax), gets the
// first depth that keeps colour instead. Converting it down would turn it grey.
int OutputDepthForImage(const ConversionTarget& target, int sourceDepth, const Bitmap& image);

// True for an ordinary 24 or 32-bit bitmap with a pixel whose red, green and blue differ.
bool HoldsColour(const Bitmap& image);

// Brings the image to `depth` bits per pixel for `extension`. Returns the image itself
// when it already has that depth, otherwise its converted successor (the image handed in
// is released); no image when the depth cannot be produced.
Bitmap ConvertToOutputDepth(Bitmap image, int depth, std::string_view extension);

}  // namespace rastrel
