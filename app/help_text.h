// The help screen of the console face.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rastrel {

// The help lines, filled in: `programName` is the executable's own file name without its
// extension, `inputFamily` an entry of the product input family list for the example lines,
// `outputFormat` the first entry of the product output format list.
std::vector<std::string> HelpLines(std::string_view programName, std::string_view inputFamily,
                                   std::string_view outputFormat);

}  // namespace rastrel
