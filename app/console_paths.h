// How the console turns typed input and output texts into paths: whether an input names a
// file or a folder, and folder texts made absolute against the working folder.
#pragma once

#include <string>
#include <string_view>

namespace rastrel {

// True when the last component of `text` has an extension: a '.' after its first
// character with something after it. "scans.old" names a file, "scans.old/" a folder,
// and so does ".hidden".
bool NamesFile(std::string_view text);

// Lower-cased extension of the last component, without the dot; empty when NamesFile is false.
std::string LowerExtension(std::string_view text);

// Everything up to and including the last '/'; empty when there is none.
std::string FolderPart(std::string_view path);

enum class FolderCheck {
  Ok,
  Incorrect,  // begins with "..": refused without looking
  Invalid,    // not an existing folder
};

struct ResolvedFolder {
  FolderCheck check = FolderCheck::Invalid;
  std::string path;  // absolute, ends in '/'
};

// A folder text made absolute: a path not starting with '/' is taken below `workingFolder`
// (which ends in '/') after a leading "./" is dropped; "." is the working folder itself.
// The result ends in '/' and must name an existing folder. Nothing is created.
ResolvedFolder ResolveFolder(std::string_view text, std::string_view workingFolder);

}  // namespace rastrel
