#include "settings/settings.h"

#include "formats/product.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace rastrel {

void ApplyDefaults(Settings& settings, bool forCommandLine, Date now, int desktopWidth, int desktopHeight) {
  const std::string path = settings.settingsFilePath;
  settings = Settings{};
  settings.settingsFilePath = path;

  settings.general.updateDate = now;
  settings.window.x = 510 < desktopWidth ? (desktopWidth - 510) / 2 : 100;
  settings.window.y = 330 < desktopHeight ? (desktopHeight - 330) / 2 : 100;
  settings.input.format = std::string(kProductInputFamilies.front());
  settings.output.format = std::string(kProductOutputFormats.front());
  settings.transform.keepAspectRatio = forCommandLine ? 0 : 1;
  settings.advanced.customTimestamp = now;
}

void ApplyDefaults(Settings& settings, bool forCommandLine) {
  const DesktopSize desktop = QueryDesktopSize();
  ApplyDefaults(settings, forCommandLine, LocalNowAsDate(), desktop.width, desktop.height);
}

}  // namespace rastrel
