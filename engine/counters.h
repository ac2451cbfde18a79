// The values behind "%rnd%" and "%n%". They belong to the input list: drawn afresh when
// the list is reset, renewed after every successfully converted file, untouched by a
// file that fails.
#pragma once

#include "engine/context.h"

namespace rastrel {

inline constexpr int kRandomNumberMax = 99999;

// Uniform over 1 to kRandomNumberMax.
int DrawRandomNumber();

// A new random number and the file counter back at 1.
FileCounters ResetFileCounters();

// After a file converted successfully.
void AdvanceFileCounters(FileCounters& counters);

}  // namespace rastrel
