// The console batch converts in worker processes: a file that crashes, hangs or exhausts
// its worker costs only itself, and the number of workers changes nothing a user can see.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

namespace fs = std::filesystem;
using fixtures::PageKind;
using fixtures::PageSpec;

constexpr int kExitFewerConverted = 1;

fixtures::ProgramResult RunBatch(const fixtures::TempFolder& folder, std::vector<std::string> args,
                                 std::vector<std::pair<std::string, std::optional<std::string>>> env = {}) {
  fixtures::ProgramRun run = fixtures::IsolatedRun(RASTREL_BIN, std::move(args), folder.path());
  run.env.insert(run.env.end(), env.begin(), env.end());
  run.timeoutMs = 5 * 60 * 1000;
  return fixtures::RunProgram(run);
}

// Relative path → bytes of every file below `root`, hidden ones included.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes(static_cast<std::size_t>(entry.file_size()), '\0');
    if (FILE* f = std::fopen(entry.path().c_str(), "rb")) {
      bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
      std::fclose(f);
    }
    files[fs::relative(entry.path(), root).string()] = bytes;
  }
  return files;
}

// The line that follows "Processing: <path>" and its "File Format: " line.
std::string Outcome(const std::string& out, const std::string& path) {
  const std::size_t at = out.find("Processing: " + path + "\n");
  if (at == std::string::npos) return "missing";
  std::size_t line = out.find('\n', at);
  line = out.find('\n', line + 1);  // past File Format
  const std::size_t end = out.find('\n', line + 1);
  return out.substr(line + 1, end - line - 1);
}

TEST(WorkerProcessesE2E, AFileThatKillsItsWorkerCostsOnlyThatFile) {
  fixtures::TempFolder folder;
  const std::string in = folder.MakeFolder("in");
  const std::string out = folder.MakeFolder("out");
  struct Case {
    std::string name;
    bool converts;
  };
  std::vector<Case> cases = {
      {"good-a.tif", true}, {"x-rastrel-fault-abort.tif", false},
      {"good-b.tif", true}, {"x-rastrel-fault-hang.tif", false},
      {"good-c.tif", true}, {"x-rastrel-fault-crash-after-write.tif", false},
  };
#if !defined(__SANITIZE_ADDRESS__)
  // Under AddressSanitizer no address-space limit can be set.
  cases.push_back({"x-rastrel-fault-memory.tif", false});
#endif
  for (const Case& c : cases)
    ASSERT_TRUE(fixtures::WriteTiff(in + c.name, PageSpec{PageKind::Rgb24Lzw, 96, 64}));

  const fixtures::ProgramResult result = RunBatch(folder, {"-i", in, "-o", out, "-d", "--threads=2"},
                                                  {{"RASTREL_TEST_FAULTS", "1"},
                                                   {"RASTREL_TEST_FILE_TIME_LIMIT_MS", "4000"},
                                                   {"RASTREL_TEST_MEMORY_LIMIT_MB", "512"}});
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, kExitFewerConverted) << result.out << result.err;

  std::map<std::string, std::string> expected;
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(result.out, in + c.name),
              c.converts ? "[OK] Saving As: " + out + c.name.substr(0, c.name.size() - 4) + ".jpg"
                         : "[ERROR] Unable to convert the file!")
        << c.name;
  }
  EXPECT_NE(result.out.find(std::string("Files converted: 3 of ").append(std::to_string(cases.size()))),
            std::string::npos)
      << result.out;
  // Why, on standard error.
  EXPECT_NE(result.err.find("worker ended by signal 6"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("took longer than"), std::string::npos) << result.err;
  // Exactly the good files' outputs; nothing temporary anywhere.
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Files(out)) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"good-a.jpg", "good-b.jpg", "good-c.jpg"}));
  for (const auto& [name, bytes] : Files(folder.path())) {
    EXPECT_EQ(name.find(".~rastrel-"), std::string::npos) << name;
  }
}

TEST(WorkerProcessesE2E, OneWorkerAndSeveralWriteTheSameBytesAndLines) {
  fixtures::TempFolder folder;
  const std::string in = folder.MakeFolder("in");
  const PageKind kinds[] = {PageKind::Rgb24Lzw, PageKind::Grey16, PageKind::BilevelMinIsWhiteG4,
                            PageKind::Palette8, PageKind::Rgb48,  PageKind::Cmyk32};
  for (int i = 0; i < 12; ++i) {
    std::vector<PageSpec> pages{PageSpec{kinds[i % 6], 64 + 16 * i, 48 + 8 * i}};
    if (i % 5 == 2) pages.push_back(PageSpec{kinds[(i + 3) % 6], 40, 40});
    const std::string sub = i % 3 == 0 ? "deep/er/" : (i % 3 == 1 ? "side/" : "");
    folder.MakeFolder("in/" + sub);
    ASSERT_TRUE(
        fixtures::WriteTiff(in + sub + std::string("p").append(std::to_string(i)).append(".tif"), pages));
  }
  folder.Write("in/side/not-a-picture.tif", "plain text");

  // The same output folder for both runs, so that every printed path is the same.
  const std::string out = folder.MakeFolder("out");
  const fixtures::ProgramResult one = RunBatch(folder, {"-i", in, "-o", out, "-d", "--threads=1"});
  fs::rename(out, folder.path() + "out-one");
  folder.MakeFolder("out");
  const fixtures::ProgramResult several = RunBatch(folder, {"-i", in, "-o", out, "-d", "--threads=3"});

  EXPECT_EQ(one.exitCode, kExitFewerConverted) << one.out << one.err;
  EXPECT_EQ(several.exitCode, one.exitCode);
  EXPECT_EQ(several.out, one.out);
  EXPECT_NE(one.out.find("Files converted: 12 of 13"), std::string::npos) << one.out;
  const auto written = Files(out);
  EXPECT_EQ(written.size(), 12u + 2u);  // two files have two pages
  EXPECT_TRUE(written == Files(folder.path() + "out-one"));
}

}  // namespace
}  // namespace rastrel
