#include "formats/input_collection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/line_reader.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using fixtures::TempFolder;
using namespace std::string_literals;

std::vector<std::string> Paths(const InputMap& map) {
  std::vector<std::string> paths;
  for (const InputEntry& entry : map) paths.push_back(entry.path);
  return paths;
}

std::set<std::string> RealPaths(const InputMap& map) {
  std::set<std::string> real;
  for (const InputEntry& entry : map) real.insert(std::filesystem::canonical(entry.path).string());
  return real;
}

TEST(AddInputFile, FiltersByContentExtensionAndDuplicates) {
  TempFolder tmp;
  const std::string& root = tmp.path();
  tmp.Write("a.tif", "x");
  tmp.Write("b.TIFF", "x");
  tmp.Write("c.Tif", "x");
  tmp.Write("zero.tif", "");
  tmp.Write("d.jpg", "x");
  tmp.Write("e.tif.bak", "x");
  tmp.Write("noext", "x");
  tmp.Write("x.tif/readme", "x");  // a folder with an accepted extension
  tmp.Write(".~rastrel-Ab12Cd.tif", "x");
  tmp.Link("link.tif", root + "a.tif");
  tmp.Link("dangling.tif", root + "gone.tif");
  ::mkfifo((root + "pipe.tif").c_str(), 0600);

  InputMap map;
  std::vector<std::string> hooked;
  InputCollection collection{map, root, [&](const std::string& path, const std::string& inputFolder) {
                               EXPECT_EQ(inputFolder, root);
                               hooked.push_back(path);
                             }};
  struct Case {
    std::string name;
    bool added;
  };
  const Case cases[] = {
      {"a.tif", true},         {"b.TIFF", true},    {"c.Tif", true},
      {"zero.tif", false},     {"d.jpg", false},    {"e.tif.bak", false},
      {"noext", false},        {"x.tif", false},    {"x.tif/readme", false},
      {"missing.tif", false},  {"a.tif", false},    {"link.tif", true},
      {"dangling.tif", false}, {"pipe.tif", false}, {".~rastrel-Ab12Cd.tif", false},
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    EXPECT_EQ(AddInputFile(collection, root + c.name), c.added) << c.name;
    if (c.added) expected.push_back(root + c.name);
  }
  // Keys are exact: another spelling of a listed file is another entry.
  EXPECT_TRUE(AddInputFile(collection, root + "/a.tif"));
  expected.push_back(root + "/a.tif");

  EXPECT_EQ(Paths(map), expected);  // in the order added
  EXPECT_EQ(hooked, expected);
  for (const InputEntry& entry : map) {
    EXPECT_EQ(entry.relativeSubfolder, entry.path == root + "/a.tif" ? "/" : "") << entry.path;
  }
}

TEST(RelativeSubfolder, Cases) {
  struct Case {
    std::string_view path, inputFolder, expected;
  };
  const Case cases[] = {
      {"/photos/2023/may/a.tif", "/photos/", "2023/may/"},
      {"/photos/b.tif", "/photos/", ""},
      {"scans/x/a.tif", "scans/", "x/"},
      {"/photos/q/photos/a.tif", "/photos/", "q/photos/"},
      {"/other/photos/a.tif", "/photos/", ""},  // the input folder's text elsewhere is no match
      {"/Photos/a/b.tif", "/photos/", ""},
      {"a.tif", "/photos/", ""},
      {"", "/photos/", ""},
      {"/photos/a/b.tif", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RelativeSubfolder(c.path, c.inputFolder), c.expected) << c.path;
}

// root/ a.tif B.TIFF zero.tif c.jpg .~rastrel-tmp sub/{d.tif deeper/e.tif loop->root self->.}
//       alias->sub broken->gone.tif
struct Tree {
  TempFolder tmp;
  std::string root = tmp.path();
  Tree() {
    tmp.Write("a.tif", "x");
    tmp.Write("B.TIFF", "x");
    tmp.Write("zero.tif", "");
    tmp.Write("c.jpg", "x");
    tmp.Write(".~rastrel-tmp", "x");
    tmp.Write("sub/d.tif", "x");
    tmp.Write("sub/deeper/e.tif", "x");
    tmp.Link("sub/loop", "..");
    tmp.Link("sub/self", ".");
    tmp.Link("alias", "sub");
    tmp.Link("broken", "gone.tif");
  }
  std::set<std::string> ExpectedFiles() const {
    return {root + "a.tif", root + "B.TIFF", root + "sub/d.tif", root + "sub/deeper/e.tif"};
  }
};

TEST(FolderImport, WalksTheTreeOnceDespiteLinks) {
  Tree tree;
  InputMap map;
  InputCollection collection{map, tree.root, {}};
  BatchStatus status;
  status.Reset();
  ImportFolder(collection, status);

  const BatchProgress progress = status.Snapshot();
  EXPECT_EQ(progress.resultCount, 4);
  EXPECT_EQ(progress.progressCount, 8);  // every entry of the root
  ASSERT_EQ(map.size(), 4u);
  EXPECT_EQ(RealPaths(map), tree.ExpectedFiles());
  // The subfolder was reached either directly or through the alias; its files are stored
  // with the subfolder of the path they were found under.
  for (const InputEntry& entry : map) {
    EXPECT_EQ(tree.root + entry.relativeSubfolder + std::filesystem::path(entry.path).filename().string(),
              entry.path);
  }

  InputMap again;
  InputCollection walkOnly{again, tree.root, {}};
  EXPECT_EQ(WalkInputFolder(walkOnly, tree.root), 4);
  EXPECT_EQ(RealPaths(again), tree.ExpectedFiles());

  // An input folder given without its final separator gets one.
  InputMap unslashed;
  InputCollection bare{unslashed, tree.root.substr(0, tree.root.size() - 1), {}};
  status.Reset();
  ImportFolder(bare, status);
  EXPECT_EQ(bare.inputFolder, tree.root);
  EXPECT_EQ(RealPaths(unslashed), tree.ExpectedFiles());
  for (const InputEntry& entry : unslashed) EXPECT_FALSE(entry.relativeSubfolder.starts_with('/'));
}

TEST(FolderImport, TakesEachFolderInNameOrderWhateverTheFileSystemKeeps) {
  TempFolder tmp;
  // Written out of order, so a listing that is not sorted shows.
  for (const char* name : {"b.tif", "m/2.tif", "a.tif", "C.tif", "A.tif", "m/10.tif", "Z/x.tif", "_.tif"})
    tmp.Write(name, "x");
  InputMap map;
  InputCollection collection{map, tmp.path(), {}};
  BatchStatus status;
  status.Reset();
  ImportFolder(collection, status);
  std::vector<std::string> names;
  for (const InputEntry& entry : map) names.push_back(entry.path.substr(tmp.path().size()));
  // Letters without case first, then bytes; a folder's files where the folder's name falls.
  EXPECT_EQ(names, (std::vector<std::string>{"A.tif", "a.tif", "b.tif", "C.tif", "m/10.tif", "m/2.tif",
                                             "Z/x.tif", "_.tif"}));
}

TEST(FolderImport, StopsBetweenTopLevelEntries) {
  TempFolder tmp;
  for (const char* name :
       {"one/a.tif", "one/b.tif", "two/a.tif", "two/b.tif", "three/a.tif", "three/b.tif"}) {
    tmp.Write(name, "x");
  }
  InputMap map;
  BatchStatus status;
  // The stop arrives while the first subfolder is being walked: that one is finished.
  InputCollection collection{map, tmp.path(),
                             [&](const std::string&, const std::string&) { status.RequestStop(); }};
  status.Reset();
  ImportFolder(collection, status);
  EXPECT_EQ(status.Snapshot().progressCount, 1);
  EXPECT_EQ(status.Snapshot().resultCount, 2);
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map.entries()[0].relativeSubfolder, map.entries()[1].relativeSubfolder);

  InputMap none;
  InputCollection stopped{none, tmp.path(), {}};
  status.Reset();
  status.RequestStop();
  ImportFolder(stopped, status);
  EXPECT_EQ(status.Snapshot().progressCount, 0);
  EXPECT_TRUE(none.empty());
}

TEST(FolderImport, OddNamesAndUnreachableFolders) {
  TempFolder tmp;
  const std::string latin1 = tmp.Write("caf\xE9.tif", "x");  // not UTF-8
  tmp.Write("locked/hidden.tif", "x");
  ::chmod((tmp.path() + "locked").c_str(), 0);

  // A chain of folders whose paths outgrow the system's limit part of the way down.
  const std::string segment(200, 'd');
  int fd = ::open(tmp.path().c_str(), O_RDONLY | O_DIRECTORY);
  std::string folder = tmp.path();
  std::string reachable;  // the deepest file whose path the system still accepts
  while (fd >= 0 && folder.size() < PATH_MAX + 600) {
    ::mkdirat(fd, segment.c_str(), 0700);
    const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    folder += segment + "/";
    const int file = ::openat(fd, "f.tif", O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(file, "x", 1), 1);
    ::close(file);
    if (folder.size() + 6 < PATH_MAX) reachable = folder + "f.tif";
  }
  if (fd >= 0) ::close(fd);

  InputMap map;
  InputCollection collection{map, tmp.path(), {}};
  BatchStatus status;
  status.Reset();
  ImportFolder(collection, status);
  EXPECT_TRUE(map.Contains(latin1));
  EXPECT_TRUE(map.Contains(reachable));
  if (::geteuid() != 0) {  // root reads every folder
    EXPECT_FALSE(map.Contains(tmp.path() + "locked/hidden.tif"));
  }
  for (const InputEntry& entry : map) EXPECT_LT(entry.path.size(), static_cast<std::size_t>(PATH_MAX));
  EXPECT_EQ(status.Snapshot().resultCount, static_cast<int>(map.size()));

  // The standard library cannot remove what it cannot name; rm works relative to each folder.
  EXPECT_EQ(std::system(("rm -rf '" + tmp.path() + segment + "'").c_str()), 0);
}

TEST(ListImport, ReadsPathsLineByLine) {
  TempFolder tmp;
  const std::string& root = tmp.path();
  tmp.Write("a.tif", "x");
  tmp.Write("c.TIF", "x");
  tmp.Write("zero.tif", "");
  tmp.Write("tab.tif", "x");
  tmp.Write("sub/d.tif", "x");
  tmp.Write("sub/deeper/e.tif", "x");
  tmp.Write("x.tif", "x");
  const std::string list =
      tmp.Write("list.txt", "\xEF\xBB\xBF  " + root + "a.tif  \r\n" +  // BOM, spaces, CR LF
                                root + "a.tif\n" +                     // duplicate
                                "\t" + root + "tab.tif\n" +            // only spaces are trimmed
                                "\n   \n" +                            // empty lines
                                root + "c.TIF\r" +                     // CR alone
                                root + "sub\r\n" +                     // a folder
                                root + "nothing.tif\n" +               // missing
                                root + "zero.tif\n" +                  // empty file
                                root + "x.tif");                       // no line end
  InputMap map;
  InputCollection collection{map, "", {}};
  BatchStatus status;
  status.Reset();
  ImportList(collection, list, status);
  EXPECT_EQ(Paths(map), (std::vector<std::string>{root + "a.tif", root + "c.TIF", root + "sub/d.tif",
                                                  root + "sub/deeper/e.tif", root + "x.tif"}));
  for (const InputEntry& entry : map) EXPECT_EQ(entry.relativeSubfolder, "");
  EXPECT_EQ(status.Snapshot().progressCount, 6);  // a, a, c, sub, zero, x name existing paths
  EXPECT_EQ(status.Snapshot().resultCount, 5);
}

// A line too long to be a path is skipped whole, even when its first part names a file:
// what was cut off belonged to the name.
TEST(ListImport, SkipsOverlongLinesWhole) {
  TempFolder tmp;
  tmp.Write("a.tif", "x");
  tmp.Write("b.tif", "x");
  const std::string padded = tmp.path() + "a.tif" + std::string(LineReader::kMaxLine, ' ');
  const std::string list = tmp.Write("list.txt", padded + "\n" + tmp.path() + "b.tif\n");
  InputMap map;
  InputCollection collection{map, "", {}};
  BatchStatus status;
  status.Reset();
  ImportList(collection, list, status);
  EXPECT_EQ(Paths(map), (std::vector<std::string>{tmp.path() + "b.tif"}));
}

TEST(ListImport, ForeignEncodingsAndMissingListsAddNothing) {
  TempFolder tmp;
  tmp.Write("a.tif", "x");
  auto utf16 = [](std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
    for (char c : text) out += bigEndian ? "\0"s + c : c + "\0"s;
    return out;
  };
  // Read as UTF-8 these lines hold NULs; cut at the first one, the little-endian line
  // would name "/" and the import would walk the whole file system.
  const std::string lines = tmp.path() + "a.tif\r\n" + tmp.path() + "\r\n";
  const std::string lists[] = {
      tmp.Write("le.txt", utf16(lines, false)),
      tmp.Write("be.txt", utf16(lines, true)),
      tmp.Write("nul.txt", "/\0"s + tmp.path() + "a.tif\n"),
      tmp.Write("empty.txt", ""),
      tmp.MakeFolder("folder.lst"),
      tmp.path() + "missing.lst",
  };
  for (const std::string& list : lists) {
    InputMap map;
    InputCollection collection{map, "", {}};
    BatchStatus status;
    status.Reset();
    ImportList(collection, list, status);
    EXPECT_TRUE(map.empty()) << list;
    EXPECT_EQ(status.Snapshot().progressCount, 0) << list;
    EXPECT_EQ(status.Snapshot().resultCount, 0) << list;
  }
}

TEST(ImportThreads, RunBesideTheStarter) {
  Tree tree;
  const std::string list = tree.tmp.Write("list.lst", tree.root + "a.tif\n" + tree.root + "sub/deeper/\n");
  InputMap map;
  InputCollection collection{map, tree.root, {}};
  BatchStatus status;
  { auto thread = StartFolderImport(collection, status); }
  EXPECT_EQ(status.Snapshot().resultCount, 4);

  InputMap fromList;
  InputCollection listCollection{fromList, "", {}};
  {
    auto thread = StartListImport(listCollection, list, status);  // resets the status first
  }
  EXPECT_EQ(status.Snapshot().resultCount, 2);
  EXPECT_EQ(status.Snapshot().progressCount, 2);
}

}  // namespace
}  // namespace rastrel
