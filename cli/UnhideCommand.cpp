#include "CarrierCodec.h"
#include "CliError.h"
#include "Command.h"
#include "CommandSupport.h"
#include "FileIo.h"
#include "PasswordInput.h"
#include "PasswordRecord.h"

#include <cstdio>

namespace
{

int Unhide(const Arguments& args)
{
    ExpectPositional(args, 1, "IMAGE");
    const std::vector<std::uint8_t> carrier = ReadCarrier(args.positional[0]);

    CodecMessages codec;
    const std::string record =
        ExtractText(carrier.data(), LengthOf(carrier), PASSWORD_SLOT, codec.Fn());
    if (record.empty())
    {
        if (codec.shown)
        {
            return EXIT_FAILED;
        }
        throw CliError("Image does not contain curtained data ..");
    }

    const std::string password = AskPassword(args, false);
    if (!PasswordOpensRecord(password, record))
    {
        throw CliError("Invalid password try again");
    }

    const std::string message =
        ExtractText(carrier.data(), LengthOf(carrier), MESSAGE_SLOT, codec.Fn());
    if (codec.shown)
    {
        return EXIT_FAILED;
    }
    if (const std::string* output = args.Value("--output"))
    {
        WriteFileSafely(*output, message.data(), message.size());
    }
    else if (std::fwrite(message.data(), 1, message.size(), stdout) != message.size() ||
             std::fflush(stdout) != 0)
    {
        throw CliError("cannot write the message to standard output");
    }
    return EXIT_DONE;
}

} // namespace

const Command& UnhideCommand()
{
    static const Command command{
        "unhide",
        "unhide IMAGE [--output FILE] [--password-stdin]",
        "asks for the password and writes the hidden message, byte for byte, to\n"
        "standard output or FILE.",
        "",
        {{"--output", true}, {"--password-stdin", false}},
        Unhide,
    };
    return command;
}
