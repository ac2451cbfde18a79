#include "engine/naming.h"

#include <array>
#include <cstdio>

#include "engine/text_case.h"
#include "platform/clock.h"
#include "platform/filesystem.h"

namespace rastrel {
namespace {

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

using ValueOf = std::string (*)(const ConversionContext&);

struct Placeholder {
  std::string_view name;
  ValueOf value;
};

std::string Base(const ConversionContext& c) { return BaseName(c.currentInputPath); }
const std::string& Extension(const ConversionContext& c) { return c.batch.target.extension; }

// In the order in which a mask is expanded: values inserted by an earlier placeholder are
// searched by the later ones.
const std::array<Placeholder, 19> kPlaceholders{{
    {"%filename%", [](const ConversionContext& c) { return Base(c); }},
    {"%filename[u]%", [](const ConversionContext& c) { return ToUpperText(Base(c)); }},
    {"%filename[l]%", [](const ConversionContext& c) { return ToLowerText(Base(c)); }},
    {"%filename[t]%", [](const ConversionContext& c) { return ToTitleText(Base(c)); }},
    {"%ext%", [](const ConversionContext& c) { return Extension(c); }},
    {"%ext[u]%", [](const ConversionContext& c) { return ToUpperText(Extension(c)); }},
    {"%ext[t]%", [](const ConversionContext& c) { return ToTitleText(Extension(c)); }},
    {"%yyyy%", [](const ConversionContext&) { return std::to_string(LocalNow().year); }},
    {"%mm%", [](const ConversionContext&) { return TwoDigits(LocalNow().month); }},
    {"%dd%", [](const ConversionContext&) { return TwoDigits(LocalNow().day); }},
    {"%hh%", [](const ConversionContext&) { return TwoDigits(LocalNow().hour); }},
    {"%ii%", [](const ConversionContext&) { return TwoDigits(LocalNow().minute); }},
    {"%ss%", [](const ConversionContext&) { return TwoDigits(LocalNow().second); }},
    {"%bpp%", [](const ConversionContext& c) { return std::to_string(c.page.depth); }},
    {"%width%", [](const ConversionContext& c) { return std::to_string(c.page.width); }},
    {"%height%", [](const ConversionContext& c) { return std::to_string(c.page.height); }},
    {"%frame%", [](const ConversionContext& c) { return std::to_string(c.page.number); }},
    {"%rnd%", [](const ConversionContext& c) { return FiveCharacterField(c.counters.randomNumber); }},
    {"%n%", [](const ConversionContext& c) { return FiveCharacterField(c.counters.fileCounter); }},
}};

const Placeholder* FindPlaceholder(std::string_view name) {
  for (const Placeholder& p : kPlaceholders) {
    if (p.name.size() == name.size() && FindIgnoringAsciiCase(p.name, name) == 0) return &p;
  }
  return nullptr;
}

}  // namespace

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = file.rfind('.');
  return std::string(dot == std::string_view::npos ? file : file.substr(0, dot));
}

std::string FiveCharacterField(std::int64_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() >= 5) return digits.substr(0, 5);
  return std::string(5 - digits.size(), '0') + digits;
}

std::string ExpandPlaceholder(const std::string& text, std::string_view placeholder,
                              const ConversionContext& context) {
  const Placeholder* known = FindPlaceholder(placeholder);
  if (known == nullptr) return text;
  std::size_t at = FindIgnoringAsciiCase(text, placeholder);
  if (at == std::string::npos) return text;
  const std::string value = known->value(context);
  std::string out;
  std::size_t from = 0;
  while (at != std::string::npos && out.size() < kMaxExpandedText) {
    out.append(text, from, at - from);
    out += value;
    from = at + placeholder.size();
    at = FindIgnoringAsciiCase(text, placeholder, from);
  }
  out.append(text, from, std::string::npos);
  if (out.size() > kMaxExpandedText) out.resize(kMaxExpandedText);
  return out;
}

std::string ExpandFilenameMask(const ConversionContext& context) {
  std::string name = ToLowerText(context.batch.settings.advanced.filenameMask);
  if (name.empty()) name = kDefaultFilenameMask;
  for (const Placeholder& p : kPlaceholders) {
    if (name.find(p.name) != std::string::npos) name = ExpandPlaceholder(name, p.name, context);
  }
  return name;
}

std::string BuildOutputPath(const ConversionContext& context) {
  std::string path = context.batch.outputFolder;
  if (context.batch.settings.advanced.keepSubfolders != 0) path += context.relativeSubfolder;
  path += ExpandFilenameMask(context);
  return path;
}

bool NeedsFrameMarker(const Settings& settings, int selectedPageCount) {
  return selectedPageCount >= 2 &&
         FindIgnoringAsciiCase(settings.advanced.filenameMask, "%frame%") == std::string::npos;
}

std::string AddFrameMarker(const std::string& path, int pageNumber, std::string_view extension) {
  const std::size_t tail = extension.size() + 1;
  const std::size_t at = path.size() > tail ? path.size() - tail : 0;
  std::string out = path.substr(0, at);
  out += '[';
  out += std::to_string(pageNumber);
  out += ']';
  out.append(path, at, std::string::npos);
  return out;
}

void CreateOutputSubfolders(const BatchContext& batch, const std::string& relativeSubfolder) {
  if (relativeSubfolder.empty() || IsFolder(batch.outputFolder + relativeSubfolder)) return;
  std::string folder = batch.outputFolder;
  std::size_t from = 0;
  while (from < relativeSubfolder.size()) {
    std::size_t slash = relativeSubfolder.find('/', from);
    if (slash == std::string::npos) slash = relativeSubfolder.size();
    if (slash > from) {
      folder.append(relativeSubfolder, from, slash - from);
      folder += '/';
      if (!IsFolder(folder)) CreateFolder(folder);
    }
    from = slash + 1;
  }
}

void StampOutputFileTime(const ConversionContext& context) {
  const AdvancedSettings& advanced = context.batch.settings.advanced;
  std::int64_t stamp = 0;
  switch (advanced.fileTimestamp) {
    case 1: {
      const auto original = ModificationTime(context.currentInputPath);
      if (!original) return;
      stamp = *original;
      break;
    }
    case 2:
      stamp = LocalDateToEpoch(advanced.customTimestamp);
      break;
    default:
      return;
  }
  for (const std::string& path : context.writtenPaths) SetModificationTime(path, stamp);
}

}  // namespace rastrel
