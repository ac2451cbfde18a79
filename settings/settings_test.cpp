#include "settings/settings.h"

#include <gtest/gtest.h>

namespace rastrel {
namespace {

TEST(ApplyDefaults, ConsoleAndWindowDifferOnlyInAspectRatio) {
  Settings console, window;
  ApplyDefaults(console, true, 1000, 1920, 1080);
  ApplyDefaults(window, false, 1000, 1920, 1080);
  EXPECT_EQ(console.transform.keepAspectRatio, 0);
  EXPECT_EQ(window.transform.keepAspectRatio, 1);
  window.transform.keepAspectRatio = 0;
  EXPECT_EQ(console.output.format, "jpg");
  EXPECT_EQ(console.input.format, "tiff");
  EXPECT_EQ(console.watermark.textPosition, 8);
  EXPECT_EQ(console.watermark.imageScale, 10);
  EXPECT_EQ(console.watermark.backOpacity, 1);
  EXPECT_EQ(console.advanced.customTimestamp, 1000);
  EXPECT_EQ(console.general.updateDate, 1000);
}

TEST(ApplyDefaults, WindowIsCentredOrPlacedAt100) {
  struct Case {
    int w, h, x, y;
  } cases[] = {{1920, 1080, 705, 375}, {400, 300, 100, 100}, {510, 330, 100, 100}, {511, 331, 0, 0}, {0, 0, 100, 100}};
  for (const auto& c : cases) {
    Settings s;
    ApplyDefaults(s, true, 0, c.w, c.h);
    EXPECT_EQ(s.window.x, c.x) << c.w;
    EXPECT_EQ(s.window.y, c.y) << c.h;
  }
}

TEST(ToInt8, KeepsLowEightBitsSigned) {
  EXPECT_EQ(ToInt8(300), 44);
  EXPECT_EQ(ToInt8(200), -56);
  EXPECT_EQ(ToInt8(-1), -1);
  EXPECT_EQ(ToInt8(127), 127);
}

}  // namespace
}  // namespace rastrel
