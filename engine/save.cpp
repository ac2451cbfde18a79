#include "engine/save.h"

#include "engine/freeimage_handles.h"
#include "engine/input_guard.h"
#include "platform/filesystem.h"

namespace rastrel {
namespace {

bool ReplacesInput(const std::string& path, const BatchContext& batch) {
  if (batch.inputGuard != nullptr) return batch.inputGuard->Protects(path);
  if (batch.inputs == nullptr) return false;
  return batch.inputs->Contains(path) || InputGuard(*batch.inputs).Protects(path);
}

}  // namespace

SaveOutcome SavePage(const Bitmap& image, const std::string& path, const BatchContext& batch) {
  if (!image) return SaveOutcome::NoImage;
  if (ReplacesInput(path, batch)) return SaveOutcome::ReplacesInput;
  MemoryStream encoded = MemoryStream::ForWriting();
  const auto format = static_cast<FREE_IMAGE_FORMAT>(batch.target.formatId);
  if (!encoded || !FreeImage_SaveToMemory(format, image.get(), encoded.get(), batch.target.saveFlags)) {
    return SaveOutcome::EncodeFailed;
  }
  return WriteFileAtomically(path, encoded.Bytes()) ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
}

std::string_view DescribeSaveOutcome(SaveOutcome outcome) {
  switch (outcome) {
    case SaveOutcome::Saved:
      return {};
    case SaveOutcome::NoImage:
      return "no image to save";
    case SaveOutcome::ReplacesInput:
      return "not saved: the output path names an input file of this batch";
    case SaveOutcome::EncodeFailed:
      return "the image could not be encoded";
    case SaveOutcome::WriteFailed:
      return "the file could not be written";
  }
  return {};
}

}  // namespace rastrel
