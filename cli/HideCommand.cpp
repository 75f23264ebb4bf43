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

    const bool seal = args.Has("--seal");
    Password password;
    AskPassword(args, seal ? CheckNewSealPassword : CheckNewPassword, password);
    std::string record = MakePasswordRecord(password.text);
    if (seal)
    {
        // The record tells only that the message is sealed; the whole password seals it.
        record = SEAL_MARKER_RECORD;
        std::string armour = SealMessage(message, password.text);
        WipeString(message);
        message = std::move(armour);
    }
    WipeString(password.text);

    // The window's order: the password record first, then the message. Both are checked
    // before OUTPUT is touched.
    CodecMessages codec;
    std::vector<HiddenRecord> records;
    for (const auto& [slot, record] :
         {std::pair{PASSWORD_SLOT, record}, std::pair{MESSAGE_SLOT, message}})
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
        "hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [--seal]\n"
        "[PASSWORD OPTION]",
        "hides the message in a copy of IMAGE, written to OUTPUT, behind a password\n"
        "of 8 to 16 characters (only the first 8 count).\n"
        "--seal  enciphers the message under the whole password, a passphrase of\n"
        "        8 to 64 characters (Argon2id and XChaCha20-Poly1305); older\n"
        "        copies of Carvalet show a sealed message as unreadable text.",
        R"(OUTPUT "-" is standard output; a FILE "-" is standard input. OUTPUT is written
to a new file beside it that takes its place only once complete; a symbolic link
stays a link and its target is written; a device or pipe is written into.

  --message TEXT       the message. Other users of this machine can read it in
                       the process list while the command runs: use
                       --message-file for anything private.
  --message-file FILE  the message: the file's bytes up to its first zero byte.
  --seal               seals the message: without the password nobody can read
                       it, not even with this program.
)",
        {{"--message", true},
         {"--message-file", true},
         {"--seal", false},
         {"--password-stdin", false},
         {"--password-file", true}},
        Hide,
    };
    return command;
}
