// Where each converted page is written: the file-name mask and its placeholders, the
// output path, the page marker of multi-page files, the output subfolders and the time
// stamp of written files. The placeholder values also serve the watermark text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/context.h"
#include "settings/settings.h"

namespace rastrel {

inline constexpr std::string_view kDefaultFilenameMask = "%filename%.%ext%";
inline constexpr std::size_t kMaxExpandedText = std::size_t{1} << 15;

// Replaces every occurrence of `placeholder` in `text`, matched without regard to ASCII
// case, by its value for the file and page in `context`. An unknown placeholder leaves
// the text unchanged.
//
// Values are expanded in turn by the placeholders after them, so a file named with
// placeholders can multiply a mask's length many times over; the result stops growing at
// kMaxExpandedText. No file name or watermark line is that long: a name cut there still
// fails to save, and says so.
std::string ExpandPlaceholder(const std::string& text, std::string_view placeholder,
                              const ConversionContext& context);

// The file name for the current page: the lower-cased mask with every placeholder expanded.
std::string ExpandFilenameMask(const ConversionContext& context);

// Output folder, the relative subfolder when subfolders are kept, then the expanded mask.
std::string BuildOutputPath(const ConversionContext& context);

// Whether each page's path gets a "[n]" marker: two or more pages of the file are
// converted and the mask has no "%frame%" of its own, so pages cannot replace each other.
bool NeedsFrameMarker(const Settings& settings, int selectedPageCount);

// Inserts "[pageNumber]" before the last extension.size() + 1 characters of the path.
std::string AddFrameMarker(const std::string& path, int pageNumber, std::string_view extension);

// Creates the output folder's copy of the input's relative subfolder, one level at a
// time. Failures are silent: the save into a missing folder fails on its own.
void CreateOutputSubfolders(const BatchContext& batch, const std::string& relativeSubfolder);

// Applies the file-time setting to every path written for the input file.
void StampOutputFileTime(const ConversionContext& context);

// The base name of a path: the part after the last '/', without its last extension.
std::string BaseName(std::string_view path);

// A number in a five-character field: zero-padded on the left, or its first five
// characters when it is longer.
std::string FiveCharacterField(std::int64_t number);

}  // namespace rastrel
