// The whole settings record as bytes, for the worker processes: every field of every group,
// named once in a table so that a field added to the record cannot be forgotten silently
// (the tests compare each group's table with the group's own member count).
#pragma once

#include <span>
#include <string_view>

#include "engine/wire_format.h"
#include "settings/setting_field.h"
#include "settings/settings.h"

namespace rastrel {

struct SettingsWireGroup {
  std::string_view name;  // the member of Settings
  std::span<const SettingField> fields;
};

// The groups in the order of the record.
std::span<const SettingsWireGroup> SettingsWireGroups();

void WriteSettings(WireWriter& writer, const Settings& settings);
// False when the bytes do not hold a whole record.
bool ReadSettings(WireReader& reader, Settings& settings);

}  // namespace rastrel
