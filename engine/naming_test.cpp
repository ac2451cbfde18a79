#include "engine/naming.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/clock.h"
#include "platform/filesystem.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

struct Naming {
  Settings settings;
  ConversionTarget target{"jpg", FIF_JPEG, 0, true, 0x1005F};
  BatchContext batch{settings, target, "/out/"};
  ConversionContext context{batch, "/in/Photo.TIF", "", FileCounters{7, 1}, {}, {}, {}, {}};

  std::string Mask(const std::string& mask) {
    settings.advanced.filenameMask = mask;
    return ExpandFilenameMask(context);
  }
};

TEST(ExpandFilenameMask, LowerCasesTheMaskButNotTheValues) {
  Naming n;
  n.context.page = PageFacts{1, 640, 480, 2, 8};
  const struct {
    const char* input;
    const char* mask;
    const char* name;
  } cases[] = {
      {"/in/Photo.TIF", "%FILENAME%-%Ext[U]%.%ext%", "Photo-JPG.jpg"},
      {"/in/Photo.TIF", "Scan_%n%.%ext%", "scan_00001.jpg"},
      {"/in/Photo.TIF", "", "Photo.jpg"},
      {"/in/Photo.TIF", "%ext[t]%_%filename[l]%_%filename[u]%", "Jpg_photo_PHOTO"},
      {"/in/mY fILE.tif", "%filename[t]%", "My file"},
      {"/in/élan Ünd.tif", "%filename[u]%|%filename[t]%", "ÉLAN ÜND|Élan ünd"},
      {"/in/a%n%b.tif", "%filename%.%ext%", "a00001b.jpg"},  // inserted values are expanded too
      {"/in/scan.2024.tif", "%filename%", "scan.2024"},
      {"/in/x.tif", "%bpp%-%width%x%height%-%frame%-%rnd%", "8-640x480-2-00007"},
      {"/in/x.tif", "%unknown%_%n%%N%", "%unknown%_0000100001"},
  };
  for (const auto& c : cases) {
    n.context.currentInputPath = c.input;
    EXPECT_EQ(n.Mask(c.mask), c.name) << c.mask;
  }
}

TEST(ExpandFilenameMask, DateAndTimeComeFromTheLocalClock) {
  Naming n;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const LocalDateTime before = LocalNow();
    const std::string name = n.Mask("%yyyy%-%mm%-%dd% %hh%");
    const LocalDateTime after = LocalNow();
    if (before.hour != after.hour) continue;  // the hour turned while expanding
    char expected[64];
    std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d", before.year, before.month, before.day,
                  before.hour);
    EXPECT_EQ(name, expected);
    return;
  }
}

TEST(ExpandPlaceholder, ReplacesEveryOccurrenceInAnyCase) {
  Naming n;
  n.context.counters.fileCounter = 42;
  EXPECT_EQ(ExpandPlaceholder("A%N%b%n%c", "%n%", n.context), "A00042b00042c");
  EXPECT_EQ(ExpandPlaceholder("%FileName%", "%FILENAME%", n.context), "Photo");
  EXPECT_EQ(ExpandPlaceholder("keep %n%", "%nope%", n.context), "keep %n%");
}

// A file whose name is made of placeholders feeds each later placeholder in turn: left to
// grow, this mask over this name would take 15 MB, and ten times the mask ten times that.
TEST(ExpandFilenameMask, AHostileFileNameCannotBlowTheNameUp) {
  Naming n;
  const char* const parts[] = {"%filename[u]%", "%filename[l]%", "%filename[t]%"};
  std::string name;
  for (std::size_t i = 0; name.size() + 13 < 240; ++i) name += parts[i % 3];
  n.context.currentInputPath = "/in/" + name + ".tif";
  std::string mask;
  for (int i = 0; i < 200; ++i) mask += "%filename%";
  EXPECT_LE(n.Mask(mask).size(), kMaxExpandedText);
}

TEST(FiveCharacterField, PadsShortNumbersAndCutsLongOnes) {
  const struct {
    std::int64_t number;
    const char* text;
  } cases[] = {{7, "00007"}, {99999, "99999"}, {100000, "10000"}, {123456, "12345"}, {0, "00000"}};
  for (const auto& c : cases) EXPECT_EQ(FiveCharacterField(c.number), c.text);
}

TEST(BaseName, DropsTheFolderAndTheLastExtension) {
  const struct {
    const char* path;
    const char* base;
  } cases[] = {{"/a/scan.2024.tif", "scan.2024"},
               {"/a/archive.", "archive"},
               {"/a.b/noext", "noext"},
               {"plain.tif", "plain"},
               {"/a/.hidden", ""}};
  for (const auto& c : cases) EXPECT_EQ(BaseName(c.path), c.base) << c.path;
}

TEST(BuildOutputPath, AddsTheRelativeSubfolderOnlyWhenSubfoldersAreKept) {
  Naming n;
  n.context.relativeSubfolder = "2023/may/";
  n.settings.advanced.keepSubfolders = 1;
  EXPECT_EQ(BuildOutputPath(n.context), "/out/2023/may/Photo.jpg");
  n.settings.advanced.keepSubfolders = 0;
  EXPECT_EQ(BuildOutputPath(n.context), "/out/Photo.jpg");
}

TEST(AddFrameMarker, GoesBeforeTheExtensionCountedFromTheEnd) {
  const struct {
    const char* path;
    int page;
    const char* marked;
  } cases[] = {
      {"/o/photo.jpg", 2, "/o/photo[2].jpg"}, {"/o/scan", 1, "/o/[1]scan"},  // a mask without the extension
      {"/o/scanned", 1, "/o/sca[1]nned"},     {"ab", 3, "[3]ab"},
      {"/o/name.jpg", 12, "/o/name[12].jpg"},
  };
  for (const auto& c : cases) EXPECT_EQ(AddFrameMarker(c.path, c.page, "jpg"), c.marked);
}

TEST(NeedsFrameMarker, OnlyWhenSeveralPagesShareOneName) {
  Settings settings;
  EXPECT_TRUE(NeedsFrameMarker(settings, 3));
  EXPECT_FALSE(NeedsFrameMarker(settings, 1));
  settings.advanced.filenameMask = "%filename%_%FRAME%.%ext%";
  EXPECT_FALSE(NeedsFrameMarker(settings, 3));
  settings.advanced.filenameMask = "";
  EXPECT_TRUE(NeedsFrameMarker(settings, 2));
}

TEST(CreateOutputSubfolders, CreatesEveryMissingLevel) {
  fixtures::TempFolder temp;
  Settings settings;
  ConversionTarget target;
  BatchContext batch{settings, target, temp.path()};
  CreateOutputSubfolders(batch, "2023/may/");
  EXPECT_TRUE(IsFolder(temp.path() + "2023/may/"));
  CreateOutputSubfolders(batch, "2023/june/");  // one level exists already
  EXPECT_TRUE(IsFolder(temp.path() + "2023/june/"));
}

class ZoneOverride {
 public:
  explicit ZoneOverride(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneOverride() {
    had_ ? ::setenv("TZ", saved_.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(StampOutputFileTime, SetsEveryWrittenFileToTheChosenTime) {
  fixtures::TempFolder temp;
  const std::string input = temp.Write("in.tif", "x");
  ASSERT_TRUE(SetModificationTime(input, 1'500'000'000));
  Naming n;
  n.context.currentInputPath = input;
  n.context.writtenPaths = {temp.Write("a[1].jpg", "1"), temp.Write("a[2].jpg", "2")};
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));

  n.settings.advanced.fileTimestamp = 0;  // CURRENT
  StampOutputFileTime(n.context);
  for (const auto& path : n.context.writtenPaths) EXPECT_GE(*ModificationTime(path), now - 60);

  n.settings.advanced.fileTimestamp = 1;  // ORIGINAL
  StampOutputFileTime(n.context);
  for (const auto& path : n.context.writtenPaths) EXPECT_EQ(*ModificationTime(path), 1'500'000'000);

  // CUSTOM is a local date and time: 2023-11-14 22:13:20 and 2023-07-01 12:00:00 as shown
  // on the local clock.
  const struct {
    const char* zone;
    std::int32_t local;
    std::int64_t epoch;
  } cases[] = {
      {"UTC0", 1'700'000'000, 1'700'000'000},
      {"EST5", 1'700'000'000, 1'700'000'000 + 5 * 3600},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1'688'212'800, 1'688'212'800 - 2 * 3600},  // summer time
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1'700'000'000, 1'700'000'000 - 3600},
  };
  n.settings.advanced.fileTimestamp = 2;
  for (const auto& c : cases) {
    ZoneOverride zone(c.zone);
    n.settings.advanced.customTimestamp = c.local;
    StampOutputFileTime(n.context);
    for (const auto& path : n.context.writtenPaths) EXPECT_EQ(*ModificationTime(path), c.epoch) << c.zone;
  }
}

}  // namespace
}  // namespace rastrel
