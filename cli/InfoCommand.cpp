#include "CarrierCodec.h"
#include "CliError.h"
#include "Command.h"
#include "CommandSupport.h"
#include "FileIo.h"
#include "PasswordRecord.h"

#include <iostream>

namespace
{

int Info(const Arguments& args)
{
    ExpectPositional(args, 1, "IMAGE");
    const std::string& image = args.positional[0];
    const std::vector<std::uint8_t> carrier = ReadCarrier(image);
    const std::string record =
        ExtractText(carrier.data(), LengthOf(carrier), PASSWORD_SLOT, ShowMessageFn{});
    const std::string suffix = PASSWORD_RECORD_SUFFIX;
    const bool hasRecord = record.size() == PASSWORD_RECORD_LENGTH &&
                           record.compare(PASSWORD_RECORD_KEPT, suffix.size(), suffix) == 0;

    std::cout << "Image: " << image << '\n'
              << "Size: " << carrier.size() << " bytes\n"
              << "Longest message: " << LongestMessage(LengthOf(carrier)) << " bytes\n"
              << "Password record: " << (hasRecord ? "yes" : "no") << '\n';
    return EXIT_DONE;
}

} // namespace

const Command& InfoCommand()
{
    static const Command command{
        "info",
        "info IMAGE",
        "tells the size of IMAGE, the longest message it can take, and whether it\n"
        "seems to hold a hidden message.",
        "",
        {},
        Info,
    };
    return command;
}
