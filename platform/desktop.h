// Size of the primary desktop, for default window placement.
#pragma once

namespace rastrel {

struct DesktopSize {
  int width = 0;
  int height = 0;
};

// 0 × 0 when no display can be reached; the console never needs one.
DesktopSize QueryDesktopSize();

}  // namespace rastrel
