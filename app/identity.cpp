#include "app/identity.h"

namespace rastrel {

std::string VersionText(int versionNumber) {
  const std::string digits = std::to_string(versionNumber);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i == 1 || i == 2) text += '.';
    text += digits[i];
  }
  if (text.size() > 3 && text.back() == '0') text.resize(3);
  return text;
}

std::string TitleText() {
  std::string title(kDisplayName);
  title += ' ';
  title += VersionText(kVersionNumber);
  return title;
}

}  // namespace rastrel
