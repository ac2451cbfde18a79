#include "platform/desktop.h"

namespace rastrel {

// The console executable links no window system; the window interface supplies the real
// size when it runs, so here there is no display to measure.
DesktopSize QueryDesktopSize() { return {}; }

}  // namespace rastrel
