// What a conversion left in a folder, as the tests look at it.
#pragma once

#include <string>
#include <vector>

namespace rastrel::fixtures {

// Every regular file below `root`, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& root);

// A complete JPEG file: the start-of-image marker first, the end-of-image marker last, and a
// picture the library decodes.
bool IsCompleteJpeg(const std::string& path);

}  // namespace rastrel::fixtures
