// Converting one input file: its pages are selected, sent one by one through the fixed
// chain of stages and saved. Everything a conversion reads comes in through the context,
// so a file's result is a function of the batch settings, the target, the file and the
// counters, whichever thread or process runs it.
#pragma once

#include <cstdint>

#include "engine/context.h"
#include "formats/input_map.h"

namespace rastrel {

class RandomIntegers;

// Inclusive range of 0-based page indices.
struct PageRange {
  int first = 0;
  int last = -1;
  int Count() const { return last >= first ? last - first + 1 : 0; }
};

// Which pages `TIFF Frame Loading` converts out of `pageCount`: FIRST, MIDDLE, LAST,
// RANDOM, or every page for ALL and any unknown code. Empty for 0 pages.
PageRange SelectPages(std::int32_t frameLoading, int pageCount, RandomIntegers& random);

// Converts the file named by context.currentInputPath. True when the last save attempted
// succeeded. Fills context.outputPath, writtenPaths, page and diagnostics.
bool ConvertOneFile(ConversionContext& context);

// One input entry from start to end: its output subfolders, its conversion and, when it
// succeeded, the time stamp of what was written.
FileResult ConvertInputFile(const BatchContext& batch, const InputEntry& entry, const FileCounters& counters);

}  // namespace rastrel
