#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

namespace
{

constexpr const char* NO_DATA = "Image does not contain curtained data ..";

void WriteMessage(const std::string* output, const std::string& message)
{
    OutputFile out(output != nullptr ? *output : "-");
    out.Write(message.data(), message.size());
    out.Commit();
}

// A wrong password and a changed armour both exit with EXIT_WRONG_PASSWORD, so a script need
// not tell them apart; the message on standard error does.
int Unseal(const Arguments& args, const CarrierFile& carrier)
{
    CodecMessages codec;
    const std::string armour = carrier.Extract(MESSAGE_SLOT, codec.Fn());
    if (codec.shown)
    {
        throw CliError("", EXIT_NO_MESSAGE);
    }
    const std::optional<SealedMessage> sealed = ParseArmour(armour);
    if (!sealed)
    {
        throw CliError(SEAL_DAMAGED, EXIT_WRONG_PASSWORD);
    }
    Password password;
    AskPassword(args, nullptr, password);
    UnsealResult opened = OpenSealed(*sealed, password.text);
    WipeString(password.text);
    switch (opened.status)
    {
    case UnsealStatus::Opened:
        break;
    case UnsealStatus::WrongPassword:
        throw CliError(WRONG_PASSWORD, EXIT_WRONG_PASSWORD);
    case UnsealStatus::Damaged:
        throw CliError(SEAL_DAMAGED, EXIT_WRONG_PASSWORD);
    case UnsealStatus::NoMemory:
        throw CliError(SEAL_NO_MEMORY);
    }
    // The unsealed text ends where the window's would, at its first zero byte.
    opened.message.erase(std::min(opened.message.find('\0'), opened.message.size()));
    try
    {
        WriteMessage(args.Value("--output"), opened.message);
    }
    catch (...)
    {
        WipeString(opened.message);
        throw;
    }
    WipeString(opened.message);
    return EXIT_DONE;
}

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
    if (IsSealMarker(record))
    {
        return Unseal(args, carrier);
    }

    Password password;
    AskPassword(args, nullptr, password);
    if (!PasswordOpensRecord(password.text, record))
    {
        throw CliError(WRONG_PASSWORD, EXIT_WRONG_PASSWORD);
    }

    // A message of blanks alone comes back empty, and silently: that is still a message.
    const std::string message = carrier.Extract(MESSAGE_SLOT, codec.Fn());
    if (codec.shown)
    {
        throw CliError("", EXIT_NO_MESSAGE);
    }
    WriteMessage(output, message);
    return EXIT_DONE;
}

} // namespace

const Command& UnhideCommand()
{
    static const Command command{
        "unhide",
        "unhide IMAGE [--output FILE] [PASSWORD OPTION]",
        "asks for the password and writes the hidden message, byte for byte, to\n"
        "standard output or FILE. A sealed message is unsealed.",
        R"(  --output FILE  where the message goes ("-": standard output); saved like
                 hide's OUTPUT. It cannot be IMAGE itself.
)",
        {{"--output", true}, {"--password-stdin", false}, {"--password-file", true}},
        Unhide,
    };
    return command;
}
