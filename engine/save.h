// Writing a finished page. The page is encoded in memory and the file replaced in one
// step, so a failed or interrupted save never leaves a truncated file nor destroys the
// previous file of that name; and no save replaces an input of the running batch.
#pragma once

#include <string>
#include <string_view>

#include "engine/bitmap.h"
#include "engine/context.h"

namespace rastrel {

enum class SaveOutcome {
  Saved,
  NoImage,        // an earlier stage gave no image
  ReplacesInput,  // the path names an input of the running batch
  EncodeFailed,   // FreeImage refused the image or the flags
  WriteFailed,    // the file system refused (missing folder, rights, space)
};

SaveOutcome SavePage(const Bitmap& image, const std::string& path, const BatchContext& batch);
// The same for a page that is already encoded in the target's format.
SaveOutcome SaveEncodedPage(std::string_view bytes, const std::string& path, const BatchContext& batch);

// A short reason for the diagnostics; empty for Saved.
std::string_view DescribeSaveOutcome(SaveOutcome outcome);

}  // namespace rastrel
