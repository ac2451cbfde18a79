// The start-up baseline: a program that does nothing but bring FreeImage up and down.
// bench/startup.sh compares `rastrel -v` against it.
#include <FreeImage.h>

int main() {
  FreeImage_Initialise(FALSE);
  const int formats = FreeImage_GetFIFCount();
  FreeImage_DeInitialise();
  return formats > 0 ? 0 : 1;
}
