#include "app/help_text.h"

#include <array>

#include "app/fill_template.h"

namespace rastrel {

namespace {

// Option descriptions start in column 29. A line that looks empty holds one space. The
// example paths are POSIX paths: drive letters mean nothing here.
constexpr std::array<std::string_view, 38> kHelpTemplate{
    " ",
    "Usage: %s1% -i <filename> [options]",
    " ",
    "  %s1% -i example.%s2%",
    "  %s1% -i /tmp/example.%s2%",
    "  %s1% -i /tmp/example.%s2% -o /converted",
    "  %s1% -i /tmp/filelist.txt",
    "  %s1% -i /tmp/ -o /converted --jpg-quality=95",
    "  %s1% -i /tmp/ -o /converted -c %s2% --jpg-quality=95",
    " ",
    "Options:",
    " ",
    "  -h, -?, --help            Display this help and exit",
    "  -i FILE, --input=FILE     Set input file/list/folder",
    "  -o PATH, --output=PATH    Set output folder",
    "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
    " ",
    "Advanced options:",
    " ",
    "  --width=NUM               Set output image width",
    "  --height=NUM              Set output image height",
    "  --filename-mask=STR       Define output filename format",
    "  --flip-horizontal         Flip output image horizontally",
    "  --flip-vertical           Flip output image vertically",
    "  --brightness=NUM          Set output image brightness, NUM = -100..100",
    "  --contrast=NUM            Set output image contrast, NUM = -100..100",
    "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
    "  --invert                  Invert output image",
    "  --greyscale               Greyscale output image",
    "  --profile=FILE            Set configuration file with required settings",
    "    ...                     Refer documentation for all available options",
    " ",
    "Other options:",
    " ",
    "  -q, --quiet               Don't print status messages to stdout",
    "  -d, --debug               Print debug information to stdout",
    "  -p, --pause               Pause at exit",
    "  -v, --version             Display version information and exit",
};

// Lines whose %s2% is the output format rather than an input family.
constexpr std::size_t kOutputExampleLine = 8;

}  // namespace

std::vector<std::string> HelpLines(std::string_view programName, std::string_view inputFamily,
                                   std::string_view outputFormat) {
  std::vector<std::string> lines;
  lines.reserve(kHelpTemplate.size());
  for (std::size_t i = 0; i < kHelpTemplate.size(); ++i) {
    const std::string_view second = i == kOutputExampleLine ? outputFormat : inputFamily;
    lines.push_back(FillTemplate(kHelpTemplate[i], programName, second));
  }
  return lines;
}

}  // namespace rastrel
