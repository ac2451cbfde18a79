// Who the program says it is: name, version, title and the banner lines.
#pragma once

#include <string>
#include <string_view>

namespace rastrel {

inline constexpr std::string_view kDisplayName = "Rastrel";
inline constexpr int kVersionNumber = 330;  // three decimal digits
inline constexpr std::string_view kRightsLine = "(c) 2024-2026 Pixvane. All rights reserved.";
inline constexpr std::string_view kHomePage = "https://www.pixvane.com/";
inline constexpr std::string_view kPausePrompt = "Press any key to exit.";

// Three digits d1 d2 d3 become "d1.d2.d3", and a final ".0" is dropped: 330 gives "3.3",
// 331 gives "3.3.1", 300 gives "3.0".
std::string VersionText(int versionNumber);

// Display name, one space, version text: "Rastrel 3.3". Also the name of the instance lock.
std::string TitleText();

}  // namespace rastrel
