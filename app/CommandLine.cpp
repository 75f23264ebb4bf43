// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "common/Version.h"

#include <string_view>

namespace
{
constexpr std::string_view kUsage = R"(Usage: carvalet [OPTION]... [FILE]

Opens the Carvalet window, which hides a short text message behind a password
inside a BMP picture and recovers it later. With FILE, the window opens it as
Open image would: the picture is previewed and read, and Reveal is ready.

  -h, --help     show this help and exit
      --version  show the version and exit
  --             end of options: what follows is a file name

Qt's own options, such as -platform NAME and -style NAME, reach Qt; other
options are ignored. carvalet-cli does the same work from scripts.
See carvalet(1) and carvalet-cli(1).
)";
} // namespace

std::optional<int> AnswerWithoutWindow(int argc, const char* const argv[], std::ostream& out)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
        {
            out << kUsage;
            return 0;
        }
        if (arg == "--version")
        {
            out << "Carvalet " CARVALET_VERSION "\n";
            return 0;
        }
    }
    return std::nullopt;
}
