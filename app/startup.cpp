#include "app/startup.h"

#include <cstdio>

namespace rastrel {

int RunProcess(int /*argc*/, char** /*argv*/) {
  std::fputs("The window interface is not available.\n", stderr);
  return 3;
}

}  // namespace rastrel
