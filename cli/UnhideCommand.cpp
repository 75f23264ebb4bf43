// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "hiding/Reveal.h"

namespace
{

// How each end of revealing leaves the tool. A wrong password and a changed armour share
// EXIT_WRONG_PASSWORD, so a script need not tell them apart; the sentence on standard error
// does. The codec has already said why it stopped.
[[noreturn]] void Stop(hiding::RevealStep step)
{
    switch (step)
    {
    case hiding::RevealStep::NothingHidden:
        throw CliError(NOTHING_HIDDEN, EXIT_NO_MESSAGE);
    case hiding::RevealStep::NotFound:
        throw CliError(hiding::RevealSentence(step), EXIT_NO_MESSAGE);
    case hiding::RevealStep::WrongPassword:
    case hiding::RevealStep::Damaged:
        throw CliError(hiding::RevealSentence(step), EXIT_WRONG_PASSWORD);
    case hiding::RevealStep::NoMemory:
        throw CliError(hiding::RevealSentence(step));
    default:
        throw CliError("", EXIT_NO_MESSAGE);
    }
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
    hiding::Reveal reveal([&carrier](std::int32_t slot, const ShowMessageFn& show)
                          { return carrier.Extract(slot, show); },
                          codec.Fn(), hiding::StealthSource{carrier.Reader(), carrier.Length()});
    carrier.CheckReads();
    if (reveal.Found() != hiding::RevealStep::AskPassword)
    {
        Stop(reveal.Found());
    }
    Password password;
    AskPassword(args, nullptr, password);
    const hiding::RevealStep opened = reveal.Open(password.text);
    hiding::Wipe(password.text);
    if (opened != hiding::RevealStep::Message)
    {
        Stop(opened);
    }
    // A message of blanks alone comes back empty, and silently: that is still a message.
    OutputFile out(output != nullptr ? *output : "-");
    out.Write(reveal.Message().data(), reveal.Message().size());
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
        "standard output or FILE. A sealed message is unsealed. A picture without\n"
        "a password record is searched for a stealth message with the password:\n"
        "none there and a wrong password both end in \"No hidden message for this\n"
        "password.\" (exit 4).",
        R"(  --output FILE  where the message goes ("-": standard output); saved like
                 hide's OUTPUT. It cannot be IMAGE itself.
)",
        {{"--output", true}, {"--password-stdin", false}, {"--password-file", true}},
        Unhide,
    };
    return command;
}
