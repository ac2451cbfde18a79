#include "app/console_paths.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

TEST(ConsolePaths, AnExtensionInTheLastComponentMakesTheInputAFile) {
  struct Case {
    const char* text;
    bool file;
    const char* extension;
  };
  const Case cases[] = {
      {"a.tif", true, "tif"},
      {"scans/A.TIFF", true, "tiff"},
      {"/x/list.LST", true, "lst"},
      {"scans.old", true, "old"},
      {"scans.old/", false, ""},
      {"scans", false, ""},
      {"dir.d/scans", false, ""},
      {".hidden", false, ""},
      {"dir/.hidden", false, ""},
      {"trailing.", false, ""},
      {"", false, ""},
      {".", false, ""},
      {"..", false, ""},
      {"./a.b.c", true, "c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NamesFile(c.text), c.file) << c.text;
    EXPECT_EQ(LowerExtension(c.text), c.extension) << c.text;
  }
}

TEST(ConsolePaths, FolderPartKeepsTheFinalSeparator) {
  EXPECT_EQ(FolderPart("/a/b/c.tif"), "/a/b/");
  EXPECT_EQ(FolderPart("b/c.tif"), "b/");
  EXPECT_EQ(FolderPart("c.tif"), "");
  EXPECT_EQ(FolderPart("/a/"), "/a/");
}

TEST(ConsolePaths, FolderTextsResolveAgainstTheWorkingFolder) {
  fixtures::TempFolder temp;
  const std::string work = temp.MakeFolder("work");
  temp.MakeFolder("work/in/deep");
  temp.Write("work/file.tif", "x");
  struct Case {
    std::string text;
    FolderCheck check;
    std::string path;  // when Ok
  };
  const Case cases[] = {
      {"in", FolderCheck::Ok, work + "in/"},
      {"in/", FolderCheck::Ok, work + "in/"},
      {"./in/deep", FolderCheck::Ok, work + "in/deep/"},
      {".", FolderCheck::Ok, work},
      {"./", FolderCheck::Ok, work},
      {"", FolderCheck::Ok, work},
      {work + "in", FolderCheck::Ok, work + "in/"},
      {"..", FolderCheck::Incorrect, ""},
      {"../work", FolderCheck::Incorrect, ""},
      {"..hidden", FolderCheck::Incorrect, ""},
      {"missing", FolderCheck::Invalid, ""},
      {"file.tif", FolderCheck::Invalid, ""},
      {"/no/such/folder/anywhere", FolderCheck::Invalid, ""},
  };
  for (const Case& c : cases) {
    const ResolvedFolder resolved = ResolveFolder(c.text, work);
    EXPECT_EQ(resolved.check, c.check) << c.text;
    if (c.check == FolderCheck::Ok) {
      EXPECT_EQ(resolved.path, c.path) << c.text;
    }
  }
}

}  // namespace
}  // namespace rastrel
