// What the converter family knows about file formats, and what this product makes of it.
// The tables are fixed; the registry is built once and never changes, so any thread may
// read it without locks.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/conversion_target.h"
#include "settings/settings.h"

namespace rastrel {

struct InputFormat {
  std::string family;  // extension of the family's lead format
  std::string description;
};

struct OutputFormat {
  std::int32_t formatId = 0;  // FREE_IMAGE_FORMAT
  std::string extension;
  std::string description;
  std::string allowedDepths;  // "1,4,8", ascending
  std::vector<int> depths;    // the same numbers
};

class FormatRegistry {
 public:
  // `inputFamilies` are family names of the input table; `outputFormats` extensions of the
  // output table. The first of each is the default of the matching setting.
  FormatRegistry(std::span<const std::string_view> inputFamilies,
                 std::span<const std::string_view> outputFormats);

  // Lookups take the extension lower-cased and without the dot; an unknown one yields an
  // empty entry (format id 0, empty texts and depths).
  const InputFormat& Input(std::string_view extension) const;
  const OutputFormat& Output(std::string_view extension) const;
  // Every extension of a table, in table order.
  const std::vector<std::string>& InputExtensions() const { return inputOrder_; }
  const std::vector<std::string>& OutputExtensions() const { return outputOrder_; }

  const std::vector<std::string>& InputFamilies() const { return inputFamilies_; }
  const std::vector<std::string>& OutputFormats() const { return outputFormats_; }
  // Extensions of every family of the input list, family by family.
  const std::vector<std::string>& AcceptedInputExtensions() const { return accepted_; }

  // Exact comparisons: the caller lower-cases first.
  bool IsAcceptedExtension(std::string_view extension) const;
  bool IsProductOutputFormat(std::string_view extension) const;
  // 0 is always allowed; otherwise the depth must be one the output format can be saved in.
  bool IsDepthAllowed(std::string_view extension, int depth) const;

  // The "Select Input Files" filter: label|patterns|label|patterns|...|All Files (*.*)|*.*
  // The labels are the caller's localised texts.
  std::string InputFilterString(std::string_view allSupportedText, std::string_view allFilesText) const;
  // Labels of the "Bits Per Pixel" box: the automatic label, then the allowed depths.
  std::vector<std::string> DepthChoices(std::string_view extension, std::string_view autoText) const;
  // "JPG (JPEG File Format)".
  std::string OutputFormatLabel(std::string_view extension) const;

 private:
  std::map<std::string, InputFormat, std::less<>> inputs_;
  std::map<std::string, OutputFormat, std::less<>> outputs_;
  std::vector<std::string> inputOrder_;
  std::vector<std::string> outputOrder_;
  std::vector<std::string> inputFamilies_;
  std::vector<std::string> outputFormats_;
  std::vector<std::string> accepted_;
};

// The registry of this product, built on first use.
const FormatRegistry& ProductRegistry();

// The same operations on the product registry.
bool IsAcceptedExtension(std::string_view extension);
bool IsProductOutputFormat(std::string_view extension);
bool IsDepthAllowed(std::string_view extension, int depth);
std::string InputFilterString(std::string_view allSupportedText, std::string_view allFilesText);
std::vector<std::string> DepthChoices(std::string_view extension, std::string_view autoText);
std::string OutputFormatLabel(std::string_view extension);

// The `Output` setting that holds an extension's depth (`JPG BPP` for jpg): the 20 output
// formats plus dds, pcx and psd. Null for any other extension.
std::int32_t OutputSettings::*DepthSettingField(std::string_view extension);

// Fills the target for a batch that writes `extension`. The save flags are computed by the
// engine from the same settings and handed in. For an extension without a depth setting
// the depth and the save flags keep their previous values.
void PrepareConversionTarget(ConversionTarget& target, std::string_view extension,
                             const OutputSettings& output, std::int32_t saveFlags);

// The empty target of an input-list reset.
inline void ResetConversionTarget(ConversionTarget& target) { target = ConversionTarget{}; }

}  // namespace rastrel
