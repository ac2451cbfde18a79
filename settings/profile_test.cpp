#include "settings/profile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "settings/image_options.h"
#include "settings/settings.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

Settings ConsoleDefaults() {
  Settings settings;
  ApplyDefaults(settings, true, 1000, 0, 0);
  return settings;
}

TEST(LoadProfile, AppliesTheCliGroupAsOptionsWouldWithItsOwnDifferences) {
  struct Case {
    const char* what;
    std::string file;
    std::function<void(Settings&)> expect;
  } cases[] = {
      {"the minimal profile",
       "[CLI]\n--JPG-QUALITY = 80\n--WIDTH = 50\n--WIDTH-UNIT = PERCENT\n--KEEP-ASPECT-RATIO = 1\n",
       [](Settings& s) {
         s.output.jpgQuality = 80;
         s.transform.imageWidth = 50;
         s.transform.doImageResize = 1;
         s.transform.imageWidthUnit = 1;
         s.transform.keepAspectRatio = 1;
       }},
      {"flags whatever their value",
       "[CLI]\n--FLIP-HORIZONTAL = 0\n--NO-SUBFOLDERS = 0\n--INVERT\n--GREYSCALE = no\n",
       [](Settings& s) {
         s.transform.doImageFlipHorizontal = 1;
         s.advanced.keepSubfolders = 0;
         s.adjustment.imageInvert = 1;
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.doImageGreyscale = 1;
       }},
      {"the frame opacity under its profile key only",
       "[CLI]\n--WM-SOLID-OPACITY = 128\n--FR-SOLID-OPACITY = 7\n",
       [](Settings& s) { s.frame.solidOpacity = 128; }},
      {"the later of two lines", "[CLI]\n--JPG-QUALITY = 70\n--DITHER = bayer4\n--JPG-QUALITY = 90\n",
       [](Settings& s) {
         s.output.jpgQuality = 90;
         s.adjustment.doImageDither = 1;
         s.adjustment.imageDitherAlgorithm = 1;
       }},
      {"no core options",
       "[CLI]\n--INPUT = a.tif\n-i = a.tif\n--OUTPUT = /tmp\n--CONVERSION = png\n--PROFILE = other.ini\n"
       "--DEBUG = 1\n-q = 1\n--PAUSE = 1\n--HELP = 1\n-T = 1\n",
       [](Settings&) {}},
      {"quotes kept in text, dropped from the mask",
       "[CLI]\n--WM-TEXT = \"Hello, world\"\n--FILENAME-MASK = \"%filename%_web\"\n--WM-FONT-COLOR = "
       "\"FF0000\"\n",
       [](Settings& s) {
         s.watermark.text = "\"Hello, world\"";
         s.watermark.doWatermark = 1;
         s.advanced.filenameMask = "%filename%_web";
         s.watermark.fontColor = "\"FF0000\"";
       }},
      {"any letter case in group and keys", "[cli]\n--jpg-quality = 61\n--Resize-Algorithm = Lanczos\n",
       [](Settings& s) {
         s.output.jpgQuality = 61;
         s.transform.imageResizeAlgorithm = 5;
       }},
      {"only the first CLI group",
       "--JPG-QUALITY = 1\n[Other]\n--JPG-QUALITY = 2\n[CLI]\n--JPG-QUALITY = 3\n[Next]\n--WIDTH = 4\n"
       "[CLI]\n--JPG-QUALITY = 5\n",
       [](Settings& s) { s.output.jpgQuality = 3; }},
      {"byte-order mark, CR LF and comments",
       "\xEF\xBB\xBF[CLI]\r\n; --JPG-QUALITY = 10\r\n--JPG-QUALITY = $46\r\n--GAMMA = 2,5\r\n",
       [](Settings& s) {
         s.output.jpgQuality = 70;
         s.adjustment.imageGamma = 2.0f;
         s.adjustment.doImageColorCorrection = 1;
       }},
      {"a Latin-1 file", "[CLI]\n--WM-TEXT = caf\xE9\n",
       [](Settings& s) {
         s.watermark.text = "caf\xC3\xA9";
         s.watermark.doWatermark = 1;
       }},
      {"empty and unknown values as converted", "[CLI]\n--JPG-QUALITY =\n--WM-TEXT-POSITION = MIDDLE\n",
       [](Settings& s) {
         s.output.jpgQuality = 0;
         s.watermark.textPosition = 0;
       }},
      {"an empty file", "", [](Settings&) {}},
      {"no CLI group", "[Output]\nJPG Quality = 10\n", [](Settings&) {}},
  };
  fixtures::TempFolder folder;
  for (const Case& c : cases) {
    const std::string path = folder.Write("profile.ini", c.file);
    Settings actual = ConsoleDefaults();
    Settings expected = actual;
    c.expect(expected);
    EXPECT_TRUE(LoadProfile(path, actual)) << c.what;
    EXPECT_TRUE(actual == expected) << c.what;
  }
}

TEST(LoadProfile, RefusesWhatCannotBeRead) {
  fixtures::TempFolder folder;
  const std::string paths[] = {"", folder.path() + "missing.ini", folder.MakeFolder("a-folder.ini")};
  for (const std::string& path : paths) {
    Settings actual = ConsoleDefaults();
    EXPECT_FALSE(LoadProfile(path, actual)) << "'" << path << "'";
    EXPECT_TRUE(actual == ConsoleDefaults()) << path;
  }
}

TEST(LoadProfile, LandsBetweenTheOptionsAroundIt) {
  fixtures::TempFolder folder;
  const std::string path = folder.Write("p.ini", "[CLI]\n--JPG-QUALITY = 90\n--WIDTH = 640\n");
  const ImageOption* quality = FindImageOption("--JPG-QUALITY");
  ASSERT_NE(quality, nullptr);

  Settings s = ConsoleDefaults();
  ApplyImageOption(*quality, "80", s, OptionSource::CommandLine);
  ASSERT_TRUE(LoadProfile(path, s));
  EXPECT_EQ(s.output.jpgQuality, 90);
  ApplyImageOption(*quality, "70", s, OptionSource::CommandLine);
  EXPECT_EQ(s.output.jpgQuality, 70);
  EXPECT_EQ(s.transform.imageWidth, 640);
}

}  // namespace
}  // namespace rastrel
