#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "engine/PasswordRecord.h"

namespace
{

int Hide(const Arguments& args)
{
    ExpectPositional(args, 2, "IMAGE and OUTPUT");
    const std::string* text = args.Value("--message");
    const std::string* file = args.Value("--message-file");
    if ((text == nullptr) == (file == nullptr))
    {
        throw UsageError("give either --message or --message-file");
    }
    ExpectOneStdinReader(args);

    const CarrierFile carrier(args.positional[0]);
    // A message longer than the carrier takes fails the size rule anyway: no need to read on.
    std::string message =
        text ? *text
             : ReadMessageFile(*file,
                               static_cast<std::size_t>(LongestMessage(carrier.Length())) + 1);
    message.erase(std::min(message.find('\0'), message.size()));
    if (message.empty())
    {
        throw CliError("There is no text to curtain");
    }

    const std::string password = AskPassword(args, true);
    if (const std::string problem = CheckNewPassword(password, password); !problem.empty())
    {
        throw CliError(problem);
    }

    // The window's order: the password record first, then the message. Both are checked
    // before OUTPUT is touched.
    CodecMessages codec;
    std::vector<HiddenRecord> records;
    for (const auto& [slot, record] :
         {std::pair{PASSWORD_SLOT, MakePasswordRecord(password)}, std::pair{MESSAGE_SLOT, message}})
    {
        std::optional<HiddenRecord> prepared =
            PrepareRecord(carrier.Length(), slot, record, codec.Fn());
        if (!prepared)
        {
            throw CliError("Operation aborted ..     ");
        }
        records.push_back(std::move(*prepared));
    }
    OutputFile output(args.positional[1]);
    carrier.WriteHidden(output, records);
    output.Commit();
    return EXIT_DONE;
}

} // namespace

const Command& HideCommand()
{
    static const Command command{
        "hide",
        "hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [PASSWORD OPTION]",
        "hides the message in a copy of IMAGE, written to OUTPUT, behind a password\n"
        "of 8 to 16 characters (only the first 8 count).",
        R"(OUTPUT "-" is standard output; a FILE "-" is standard input. OUTPUT is written
to a new file beside it that takes its place only once complete; a symbolic link
stays a link and its target is written; a device or pipe is written into.

  --message TEXT       the message. Other users of this machine can read it in
                       the process list while the command runs: use
                       --message-file for anything private.
  --message-file FILE  the message: the file's bytes up to its first zero byte.
)",
        {{"--message", true},
         {"--message-file", true},
         {"--password-stdin", false},
         {"--password-file", true}},
        Hide,
    };
    return command;
}
