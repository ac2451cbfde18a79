#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "settings/ini.h"

namespace rastrel {
namespace {

constexpr Date kNow = 1'700'000'000;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rastrel-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = std::string(pattern) + "/";
    path_ = folder_ + "config.ini";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void WriteFile(const std::string& bytes) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string ReadFile() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  Settings Load(const std::string& fileText) const {
    WriteFile(fileText);
    Settings settings;
    settings.settingsFilePath = path_;
    LoadSettings(settings, kNow, 1920, 1080);
    return settings;
  }

  std::string folder_;
  std::string path_;
};

// The written file as group name -> keys in order, checked against the layout the program
// has always used; a key spelt differently would lose that setting for every user.
std::vector<std::pair<std::string, std::vector<std::string>>> GroupsAndKeys(const std::string& text) {
  std::vector<std::pair<std::string, std::vector<std::string>>> groups;
  for (const IniGroup& group : ParseIni(text).groups) {
    std::vector<std::string> keys;
    for (const IniEntry& entry : group.entries) keys.push_back(entry.key);
    groups.emplace_back(group.name, keys);
  }
  return groups;
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream stream(list);
  for (std::string item; std::getline(stream, item, ',');) items.push_back(item);
  return items;
}

TEST_F(SettingsFileTest, WritesEveryGroupAndKeyInOrder) {
  Settings settings;
  ApplyDefaults(settings, false, kNow, 1920, 1080);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"General", "CFG,Language,Update Range,Update Date,Save Window Position"},
      {"Window", "IsMaximized,Width,Height,X,Y"},
      {"Interface", "UI Theme,UI Size"},
      {"Input", "Format,TIFF Frame Loading"},
      {"Output", "Format,JPG BPP,JPG Quality,JPG Chroma,JPG Save As"},
      {"Transform",
       "Do Image Rotation,Image Rotation Type,Image Rotation,Image Rotation Back Color,Do Image Resize,"
       "Image Width,Image Width Unit,Image Height,Image Height Unit,Keep Aspect Ratio,Image Resize Type,"
       "Image Resize Algorithm,Do Image Flip Horizontal,Do Image Flip Vertical"},
      {"Adjustment",
       "Do Image Color Correction,Image Brightness,Image Contrast,Image Gamma,Image Invert,"
       "Do Image Greyscale,Do Image Threshold,Image Threshold,Do Image Dither,Image Dither Algorithm"},
      {"Frame",
       "Do Frame,Solid Left,Solid Right,Solid Top,Solid Bottom,Solid Left Color,Solid Right Color,"
       "Solid Top Color,Solid Bottom Color,Solid Opacity"},
      {"Watermark",
       "Do Watermark,Text,Fonts,Font,Font Size,Font Leading,Font Colors,Font Color,Font Style,Font Effect,"
       "Text Antialiasing,Text Alignment,Text Padding,Text Opacity,Back Colors,Back Color,Back Opacity,"
       "Text Boundary,Text Position,Text X Offset,Text Y Offset,Text Rotation,Text Size,Text Scale,Image,"
       "Image Greyscale,Image Opacity,Image Boundary,Image Position,Image X Offset,Image Y Offset,"
       "Image Rotation,Image Size,Image Scale"},
      {"Advanced",
       "Filename Mask,File Timestamp,Custom Timestamp,Out Folders History,Out Folders Number,Keep "
       "Subfolders"},
      {"File", "Recent Out Folders,Recent Files"},
      {"Privacy", "Clean Recent Files"},
  };
  const auto written = GroupsAndKeys(SettingsFileText(settings));
  ASSERT_EQ(written.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(written[i].first, expected[i].first);
    EXPECT_EQ(written[i].second, Split(expected[i].second)) << expected[i].first;
  }
}

TEST_F(SettingsFileTest, FileStartsAsAlwaysAndFormatsValues) {
  Settings settings;
  ApplyDefaults(settings, false, kNow, 1920, 1080);
  settings.general.cfg = 3;  // the file always says 19
  settings.adjustment.imageGamma = 2.2f;
  const std::string text = SettingsFileText(settings);
  EXPECT_TRUE(text.starts_with(
      "\xEF\xBB\xBF\r\n[General]\r\nCFG = 19\r\nLanguage = en\r\nUpdate Range = 2\r\n"
      "Update Date = 1700000000\r\nSave Window Position = 1\r\n; \r\n[Window]\r\nIsMaximized = 0\r\n"))
      << text.substr(0, 200);
  EXPECT_NE(text.find("\r\nImage Gamma = 2.200000\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("[Privacy]\r\nClean Recent Files = 0\r\n; \r\n"));

  settings.general.saveWindowPosition = 0;
  EXPECT_NE(SettingsFileText(settings).find("\r\n[Window]\r\n; \r\n[Interface]\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, SaveThenLoadGivesTheSameRecord) {
  Settings saved;
  saved.settingsFilePath = path_;
  ApplyDefaults(saved, false, kNow, 1920, 1080);
  // A value unlike its default in every kind of field, including the ones where a mix-up
  // is easy: the two "Image Rotation" keys, negative numbers, 8-bit codes, UTF-8 text.
  saved.general.updateRange = 5;
  saved.window = {1, -20, 35, 800, 600};
  saved.interface.uiTheme = "dark";
  saved.input.tiffFrameLoading = 3;
  saved.output.jpgQuality = 42;
  saved.output.jpgChroma = 2;
  saved.output.jpgSaveAs = 3;
  saved.output.jpgBpp = 8;
  saved.transform.imageRotation = 90;
  saved.transform.imageRotationBackColor = "FF00aa";
  saved.transform.imageResizeAlgorithm = 5;
  saved.transform.keepAspectRatio = 0;
  saved.adjustment.imageBrightness = -100;
  saved.adjustment.imageGamma = 0.37f;
  saved.frame.solidOpacity = 128;
  saved.watermark.text =
      "\xC2\xA9 Stra\xC3\x9F"
      "e %eol% 2024 = x";
  saved.watermark.imageRotation = 270;
  saved.watermark.doWatermark = 2;
  saved.watermark.textPosition = 4;
  saved.advanced.filenameMask = "%filename%_%n%.%ext%";
  saved.advanced.outFoldersNumber = 50;
  saved.file.recentOutFolders = "/out/a\t/out/b";
  saved.privacy.cleanRecentFiles = 1;
  ASSERT_TRUE(SaveSettings(saved));

  Settings loaded;
  loaded.settingsFilePath = path_;
  LoadSettings(loaded, 5, 0, 0);
  EXPECT_EQ(loaded.general.cfg, kSettingsFileVersion);
  EXPECT_EQ(loaded.transform.imageRotation, 90);
  EXPECT_EQ(loaded.watermark.imageRotation, 270);
  EXPECT_EQ(loaded.window.x, -20);
  EXPECT_EQ(loaded.watermark.text, saved.watermark.text);
  EXPECT_EQ(loaded.file.recentOutFolders, "/out/a\t/out/b");
  EXPECT_FLOAT_EQ(loaded.adjustment.imageGamma, 0.37f);
  // Every written field, compared through the file text.
  EXPECT_EQ(SettingsFileText(loaded), SettingsFileText(saved));
}

TEST_F(SettingsFileTest, PerFormatKeysAreReadForEveryFormatButWrittenOnlyForTheProduct) {
  Settings loaded =
      Load("[Output]\nPNG BPP = 24\nWEBP Quality = 80\nJPG Quality = 70\n[Input]\nRAW Header Size = 12\n");
  EXPECT_EQ(loaded.output.pngBpp, 24);
  EXPECT_EQ(loaded.output.webpQuality, 80);
  EXPECT_EQ(loaded.input.rawHeaderSize, 12);
  ASSERT_TRUE(SaveSettings(loaded));
  const auto groups = GroupsAndKeys(ReadFile());
  EXPECT_EQ(groups[3].second, Split("Format,TIFF Frame Loading"));
  EXPECT_EQ(groups[4].second, Split("Format,JPG BPP,JPG Quality,JPG Chroma,JPG Save As"));
}

TEST_F(SettingsFileTest, ValuesUpgradesAndDefaults) {
  struct Case {
    const char* name;
    std::string file;
    std::function<void(const Settings&)> check;
  };
  const std::vector<Case> cases = {
      {"no version: extension appended to the mask", "[Advanced]\nFilename Mask = %filename%\n",
       [](const Settings& s) {
         EXPECT_EQ(s.advanced.filenameMask, "%filename%.%ext%");
         EXPECT_EQ(s.general.cfg, 0);
       }},
      {"current version: mask kept", "[General]\nCFG = 19\n[Advanced]\nFilename Mask = %filename%\n",
       [](const Settings& s) { EXPECT_EQ(s.advanced.filenameMask, "%filename%"); }},
      {"%ext% is looked for in its exact letter case",
       "[General]\nCFG=10\n[Advanced]\nFilename Mask = a.%EXT%\n",
       [](const Settings& s) { EXPECT_EQ(s.advanced.filenameMask, "a.%EXT%.%ext%"); }},
      {"version 13: RAW mode moved by two", "[General]\nCFG = 13\n[Input]\nRAW Load As = 1\n",
       [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 3); }},
      {"version 13: RAW AUTO stays", "[General]\nCFG = 13\n[Input]\nRAW Load As = 0\n",
       [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 0); }},
      {"version 14: RAW mode kept", "[General]\nCFG = 14\n[Input]\nRAW Load As = 1\n",
       [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 1); }},
      {"version 18: old colour-model keys replace the new ones",
       "[General]\nCFG = 18\n[Input]\nPSD Color Mode = 0\nPSD Color Model = 2\n[Output]\nTIFF Color Model = "
       "1\n",
       [](const Settings& s) {
         EXPECT_EQ(s.input.psdColorMode, 2);
         EXPECT_EQ(s.output.tiffColorMode, 1);
       }},
      {"version 18: old key 0 changes nothing",
       "[General]\nCFG = 18\n[Input]\nPSD Color Mode = 1\nPSD Color Model = 0\n",
       [](const Settings& s) { EXPECT_EQ(s.input.psdColorMode, 1); }},
      {"version 19: old keys ignored", "[General]\nCFG = 19\n[Input]\nPSD Color Model = 2\n",
       [](const Settings& s) { EXPECT_EQ(s.input.psdColorMode, 0); }},
      {"empty file: reader defaults, upgrades run", "",
       [](const Settings& s) {
         EXPECT_EQ(s.general.cfg, 0);
         EXPECT_EQ(s.window.x, 100);
         EXPECT_EQ(s.window.y, 100);
         EXPECT_EQ(s.advanced.filenameMask, "%filename%.%ext%");
         EXPECT_EQ(s.transform.keepAspectRatio, 1);
         EXPECT_EQ(s.output.jpgQuality, 95);
         EXPECT_EQ(s.advanced.customTimestamp, kNow);
       }},
      {"names compared without letter case", "[output]\njpg quality = 80\n",
       [](const Settings& s) { EXPECT_EQ(s.output.jpgQuality, 80); }},
      {"non-numeric integer gives 0, not the default", "[Output]\nJPG Quality = high\n",
       [](const Settings& s) { EXPECT_EQ(s.output.jpgQuality, 0); }},
      {"8-bit fields keep the low bits", "[Advanced]\nOut Folders Number = 300\nKeep Subfolders = 200\n",
       [](const Settings& s) {
         EXPECT_EQ(s.advanced.outFoldersNumber, 44);
         EXPECT_EQ(s.advanced.keepSubfolders, -56);
       }},
      {"32-bit fields keep the low bits", "[Window]\nWidth = 4294967297\n",
       [](const Settings& s) { EXPECT_EQ(s.window.width, 1); }},
      {"float named values and range", "[Adjustment]\nImage Gamma = -infinity\n[Watermark]\nText =   \t\n",
       [](const Settings& s) {
         EXPECT_TRUE(std::isinf(s.adjustment.imageGamma) && s.adjustment.imageGamma < 0);
         EXPECT_EQ(s.watermark.text, "");
       }},
      {"float beyond float range becomes infinite", "[Adjustment]\nImage Gamma = 1e300\n",
       [](const Settings& s) { EXPECT_TRUE(std::isinf(s.adjustment.imageGamma)); }},
      {"the two Image Rotation keys stay apart",
       "[Transform]\nImage Rotation = 90\n[Watermark]\nImage Rotation = 45\n",
       [](const Settings& s) {
         EXPECT_EQ(s.transform.imageRotation, 90);
         EXPECT_EQ(s.watermark.imageRotation, 45);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(Load(c.file));
  }
}

TEST_F(SettingsFileTest, MissingFileGivesWindowedDefaultsAtTheCurrentVersion) {
  Settings settings;
  settings.settingsFilePath = folder_ + "absent/config.ini";
  settings.output.jpgQuality = 5;
  LoadSettings(settings, kNow, 1920, 1080);
  EXPECT_EQ(settings.settingsFilePath, folder_ + "absent/config.ini");
  EXPECT_EQ(settings.general.cfg, 19);
  EXPECT_EQ(settings.output.jpgQuality, 95);
  EXPECT_EQ(settings.transform.keepAspectRatio, 1);
  EXPECT_EQ(settings.window.x, 705);
  EXPECT_EQ(settings.window.y, 375);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFileAlone) {
  Settings settings;
  ApplyDefaults(settings, false, kNow, 0, 0);
  settings.settingsFilePath = folder_ + "absent/config.ini";
  EXPECT_FALSE(SaveSettings(settings));
  settings.settingsFilePath = "";
  EXPECT_FALSE(SaveSettings(settings));

  // The target cannot be replaced (it is a folder with something in it).
  settings.settingsFilePath = path_;
  std::filesystem::create_directory(path_);
  std::ofstream(path_ + "/keep") << "old";
  EXPECT_FALSE(SaveSettings(settings));
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1)
      << "temporary file left behind";
}

class EnvironmentOverride {
 public:
  EnvironmentOverride(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvironmentOverride() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(SettingsFileTest, UserFolderFollowsTheConfigBaseAndIsCreated) {
  {
    const EnvironmentOverride config("XDG_CONFIG_HOME", (folder_ + "deep/cfg").c_str());
    const std::string folder = GetUserFolder("Pixvane", "zembrat");
    EXPECT_EQ(folder, folder_ + "deep/cfg/Pixvane/zembrat/");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(SettingsFilePath(), folder + "config.ini");
  }
  {
    // A relative base is not a base: the home folder's .config is used instead.
    const EnvironmentOverride config("XDG_CONFIG_HOME", "relative/cfg");
    const EnvironmentOverride home("HOME", (folder_ + "home").c_str());
    EXPECT_EQ(GetUserFolder("F", "p"), folder_ + "home/.config/F/p/");
    EXPECT_TRUE(std::filesystem::is_directory(folder_ + "home/.config/F/p"));
  }
}

}  // namespace
}  // namespace rastrel
