#include "app/console_paths.h"

#include "platform/filesystem.h"

namespace rastrel {

namespace {

std::string_view LastComponent(std::string_view text) {
  const auto slash = text.rfind('/');
  return slash == std::string_view::npos ? text : text.substr(slash + 1);
}

// Position of the extension's dot in the last component, or npos.
std::size_t ExtensionDot(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return std::string_view::npos;
  return dot;
}

}  // namespace

bool NamesFile(std::string_view text) { return ExtensionDot(LastComponent(text)) != std::string_view::npos; }

std::string LowerExtension(std::string_view text) {
  const std::string_view name = LastComponent(text);
  const auto dot = ExtensionDot(name);
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

std::string FolderPart(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

ResolvedFolder ResolveFolder(std::string_view text, std::string_view workingFolder) {
  ResolvedFolder result;
  if (text.starts_with("..")) {
    result.check = FolderCheck::Incorrect;
    return result;
  }
  std::string path;
  if (IsAbsolutePath(text)) {
    path = std::string(text);
  } else {
    if (text == ".") text = {};
    if (text.starts_with("./")) text.remove_prefix(2);
    path = std::string(workingFolder) + std::string(text);
  }
  if (path.empty() || path.back() != '/') path += '/';
  result.path = std::move(path);
  result.check = IsFolder(result.path) ? FolderCheck::Ok : FolderCheck::Invalid;
  return result;
}

}  // namespace rastrel
