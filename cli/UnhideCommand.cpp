#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "engine/PasswordRecord.h"

namespace
{

constexpr const char* NO_DATA = "Image does not contain curtained data ..";

int Unhide(const Arguments& args)
{
    ExpectPositional(args, 1, "IMAGE");
    ExpectOneStdinReader(args);
    const CarrierFile carrier(args.positional[0]);
    const std::string* output = args.Value("--output");
    if (output != nullptr && *output != "-" && carrier.IsFile(*output))
    {
        throw CliError("--output names the image itself; the image is left as it was");
    }

    CodecMessages codec;
    const std::string record = carrier.Extract(PASSWORD_SLOT, codec.Fn());
    if (record.empty())
    {
        throw CliError(codec.shown ? "" : NO_DATA, EXIT_NO_MESSAGE);
    }

    const std::string password = AskPassword(args, false);
    if (!PasswordOpensRecord(password, record))
    {
        throw CliError("Invalid password try again", EXIT_WRONG_PASSWORD);
    }

    // A message of blanks alone comes back empty, and silently: that is still a message.
    const std::string message = carrier.Extract(MESSAGE_SLOT, codec.Fn());
    if (codec.shown)
    {
        throw CliError("", EXIT_NO_MESSAGE);
    }
    OutputFile out(output != nullptr ? *output : "-");
    out.Write(message.data(), message.size());
    out.Commit();
    return EXIT_DONE;
}

} // namespace

const Command& UnhideCommand()
{
    static const Command command{
        "unhide",
        "unhide IMAGE [--output FILE] [PASSWORD OPTION]",
        "asks for the password and writes the hidden message, byte for byte, to\n"
        "standard output or FILE.",
        R"(  --output FILE  where the message goes ("-": standard output); saved like
                 hide's OUTPUT. It cannot be IMAGE itself.
)",
        {{"--output", true}, {"--password-stdin", false}, {"--password-file", true}},
        Unhide,
    };
    return command;
}
