// Standard error as a terminal: whether it is one, how wide it is, and raw writes for a
// line that redraws itself.
#pragma once

#include <string_view>

namespace rastrel {

bool StandardErrorIsTerminal();

// Columns of the terminal on standard error; `fallback` when it does not say.
int StandardErrorColumns(int fallback = 80);

// The bytes as they are, without a line end.
void WriteStandardError(std::string_view bytes);

}  // namespace rastrel
