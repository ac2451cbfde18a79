#include "engine/settings_wire.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>
#include <variant>

namespace rastrel {
namespace {

// Converts to any member type, so that brace-initialising a group with k of them compiles
// exactly when the group has at least k members.
struct AnyMember {
  template <typename T>
  operator T() const;  // never called: only used in unevaluated requirements
};

template <typename T, typename... Given>
constexpr std::size_t MemberCount() {
  if constexpr (requires { T{std::declval<Given>()..., AnyMember{}}; }) {
    return MemberCount<T, Given..., AnyMember>();
  } else {
    return sizeof...(Given);
  }
}

// A field added to a group of the record and not to the wire table would silently reach
// every worker process with its default value.
TEST(SettingsWire, EveryGroupListsEveryMember) {
  const std::pair<std::string_view, std::size_t> groups[] = {
      {"general", MemberCount<GeneralSettings>()},
      {"window", MemberCount<WindowSettings>()},
      {"interface", MemberCount<InterfaceSettings>()},
      {"input", MemberCount<InputSettings>()},
      {"output", MemberCount<OutputSettings>()},
      {"transform", MemberCount<TransformSettings>()},
      {"adjustment", MemberCount<AdjustmentSettings>()},
      {"frame", MemberCount<FrameSettings>()},
      {"watermark", MemberCount<WatermarkSettings>()},
      {"advanced", MemberCount<AdvancedSettings>()},
      {"file", MemberCount<FileSettings>()},
      {"privacy", MemberCount<PrivacySettings>()},
  };
  // The groups and the settings-file path are the whole record.
  ASSERT_EQ(MemberCount<Settings>(), std::size(groups) + 1);
  ASSERT_EQ(SettingsWireGroups().size(), std::size(groups));
  for (std::size_t i = 0; i < std::size(groups); ++i) {
    EXPECT_EQ(SettingsWireGroups()[i].name, groups[i].first);
    EXPECT_EQ(SettingsWireGroups()[i].fields.size(), groups[i].second) << groups[i].first;
  }
}

// Every field gets a value of its own, unlike its default and unlike every other field, so a
// table entry that reads or writes the wrong member shows.
TEST(SettingsWire, EveryFieldRoundTrips) {
  Settings sent;
  sent.settingsFilePath = "/home/user/.config/a b/config.ini";
  int n = 0;
  for (const SettingsWireGroup& group : SettingsWireGroups()) {
    for (const SettingField& field : group.fields) {
      ++n;
      std::visit(
          [&](const auto& access) {
            auto& value = access.get(sent);
            using T = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
              value = std::to_string(n).append("\xC3\xA9\t\"");
            } else if constexpr (std::is_same_v<T, float>) {
              value = -0.25f * static_cast<float>(n);
            } else if constexpr (std::is_same_v<T, std::int8_t>) {
              value = static_cast<std::int8_t>(-(n % 120) - 1);
            } else {
              value = -100000 - n;
            }
          },
          field);
    }
  }
  WireWriter writer;
  WriteSettings(writer, sent);
  Settings received;
  WireReader reader(writer.bytes());
  ASSERT_TRUE(ReadSettings(reader, received));
  EXPECT_TRUE(reader.Finished());
  EXPECT_TRUE(received == sent);

  // A record cut short is refused.
  WireReader cut(std::string_view(writer.bytes()).substr(0, writer.bytes().size() - 1));
  Settings partial;
  EXPECT_FALSE(ReadSettings(cut, partial));
}

}  // namespace
}  // namespace rastrel
