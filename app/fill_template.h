// Filling "%s1%".."%s4%" placeholders of fixed texts and language-table messages.
#pragma once

#include <string>
#include <string_view>

namespace rastrel {

// Replaces every "%s1%" (any letter case) by `v1`, then "%s2%" by `v2`, and so on, each step
// working on the result of the one before. An empty value leaves its placeholder in place.
std::string FillTemplate(std::string_view text, std::string_view v1 = {}, std::string_view v2 = {},
                         std::string_view v3 = {}, std::string_view v4 = {});

}  // namespace rastrel
