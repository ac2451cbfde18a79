// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace rastrel::fixtures {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Absolute, ends in '/'.
  const std::string& path() const { return path_; }
  // `relative` below the folder; missing parent folders are created.
  std::string Write(std::string_view relative, std::string_view bytes) const;
  std::string MakeFolder(std::string_view relative) const;  // returns the path ending in '/'
  // A symbolic link at `relative` pointing to `target` (taken as written).
  std::string Link(std::string_view relative, std::string_view target) const;

 private:
  std::string path_;
};

}  // namespace rastrel::fixtures
