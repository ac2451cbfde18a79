// A typed handle on one field of the settings record, so that tables (option names, the
// debug echo) can name a field once and read or write it without a switch per field.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "settings/settings.h"

namespace rastrel {

template <typename T>
struct FieldAccess {
  T& (*get)(Settings&) = nullptr;
  const T& (*read)(const Settings&) = nullptr;
};

using SettingField = std::variant<FieldAccess<std::int32_t>, FieldAccess<std::int8_t>, FieldAccess<float>,
                                  FieldAccess<std::string>>;

// FieldOf<&Settings::output, &OutputSettings::jpgQuality>() names `Output`/`JPG Quality`.
template <auto Group, auto Member>
constexpr auto FieldOf() {
  using T = std::remove_cvref_t<decltype((std::declval<Settings&>().*Group).*Member)>;
  return FieldAccess<T>{[](Settings& s) -> T& { return (s.*Group).*Member; },
                        [](const Settings& s) -> const T& { return (s.*Group).*Member; }};
}

}  // namespace rastrel
