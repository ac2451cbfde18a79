#include "engine/save.h"

#include <optional>

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

SaveOutcome StagePage(const std::string& path, std::string_view bytes, const OutputStaging& staging) {
  if (staging.beforeWriting) {
    const std::size_t slash = path.rfind('/');
    staging.beforeWriting(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
  }
  const std::optional<std::string> temporary = WriteTemporaryFileBeside(path, bytes, staging.tag);
  if (!temporary) return SaveOutcome::WriteFailed;
  if (staging.staged) staging.staged(*temporary, path);
  return SaveOutcome::Saved;
}

SaveOutcome Store(std::string_view bytes, const std::string& path, const BatchContext& batch) {
  if (batch.staging != nullptr) return StagePage(path, bytes, *batch.staging);
  return WriteFileAtomically(path, bytes) ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
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
  return Store(encoded.Bytes(), path, batch);
}

SaveOutcome SaveEncodedPage(std::string_view bytes, const std::string& path, const BatchContext& batch) {
  if (ReplacesInput(path, batch)) return SaveOutcome::ReplacesInput;
  return Store(bytes, path, batch);
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
