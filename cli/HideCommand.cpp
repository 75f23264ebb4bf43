// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "hiding/CarrierPlan.h"

#include <algorithm>

namespace
{
using hiding::MessageKind;

// A converted picture is whole in memory: the records go straight into it.
void WriteConverted(const hiding::CarrierPlan& plan, const CarrierFile& carrier,
                    const std::string& record, const std::string& hidden,
                    const std::string& outputPath)
{
    hiding::Conversion converted = plan.Convert();
    carrier.CheckReads();
    if (!converted.failure.empty())
    {
        throw CliError(converted.failure);
    }
    CodecMessages codec;
    if (!hiding::EmbedRecords(converted.bitmap.bytes.get(),
                              static_cast<std::int32_t>(converted.bitmap.size), record, hidden,
                              codec.Fn()))
    {
        throw CliError(hiding::ABORTED);
    }
    OutputFile output(outputPath);
    output.Write(converted.bitmap.bytes.get(), converted.bitmap.size);
    output.Commit();
}

// The records are checked before OUTPUT is touched; only their bytes change in the copy.
void WriteInPlace(const CarrierFile& carrier, const std::string& record, const std::string& hidden,
                  const std::string& outputPath)
{
    CodecMessages codec;
    const auto records = hiding::PrepareRecords(carrier.Length(), record, hidden, codec.Fn());
    if (!records)
    {
        throw CliError(hiding::ABORTED);
    }
    OutputFile output(outputPath);
    carrier.WriteHidden(output, *records);
    output.Commit();
}

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
    // Only the headers are read, and the chunks of a PNG.
    const hiding::CarrierPlan plan(carrier.Reader(), carrier.Length());
    carrier.CheckReads();
    std::string message =
        text ? *text
             : ReadMessageFile(*file, static_cast<std::size_t>(plan.LongestWorthReading()) + 1);
    message.erase(std::min(message.find('\0'), message.size()));
    if (message.empty())
    {
        throw CliError(hiding::NO_TEXT);
    }

    const MessageKind kind = args.Has("--seal") ? MessageKind::Sealed : MessageKind::Plain;
    const hiding::Decision decision =
        plan.Check(kind, static_cast<std::int64_t>(message.size()), hiding::FrontEnd::CommandLine);
    const bool convert = decision.plan == HidingPlan::Convert;
    if (decision.plan == HidingPlan::Refuse || (convert && !args.Has("--convert")))
    {
        throw CliError(decision.sentence);
    }

    Password password;
    AskPassword(args, hiding::NewPasswordRulesFor(kind), password);
    const std::string record = hiding::PasswordRecordFor(kind, password.text);
    const hiding::HiddenText hidden = hiding::MakeHiddenText(kind, message, password.text);
    hiding::Wipe(message);
    hiding::Wipe(password.text);
    if (!hidden.failure.empty())
    {
        throw CliError(hidden.failure);
    }

    if (convert)
    {
        WriteConverted(plan, carrier, record, hidden.text, args.positional[1]);
    }
    else
    {
        WriteInPlace(carrier, record, hidden.text, args.positional[1]);
    }
    return EXIT_DONE;
}

} // namespace
const Command& HideCommand()
{
    static const Command command{
        "hide",
        "hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [--seal]\n"
        "[--convert] [PASSWORD OPTION]",
        "hides the message in a copy of IMAGE, written to OUTPUT, behind a password\n"
        "of 8 to 16 characters (only the first 8 count).\n"
        "--seal  enciphers the message under the whole password, a passphrase of\n"
        "        8 to 64 characters (Argon2id and XChaCha20-Poly1305); older\n"
        "        copies of Carvalet show a sealed message as unreadable text.\n"
        "--convert  saves a picture the message would damage (compressed or\n"
        "        palette pixels, extended headers, PNG) as a classic 24-bit (or\n"
        "        32-bit) bitmap that looks the same, with the message in it;\n"
        "        without it such a picture is refused. OUTPUT is always a BMP.",
        R"(OUTPUT "-" is standard output; a FILE "-" is standard input. OUTPUT is written
to a new file beside it that takes its place only once complete; a symbolic link
stays a link and its target is written; a device or pipe is written into.

  --message TEXT       the message. Other users of this machine can read it in
                       the process list while the command runs: use
                       --message-file for anything private.
  --message-file FILE  the message: the file's bytes up to its first zero byte.
  --seal               seals the message: without the password nobody can read
                       it, not even with this program.
  --convert            converts a picture the message would damage. The
                       converted picture is made whole in memory (about 3 or 4
                       bytes a pixel); any other carrier is never held whole.
)",
        {{"--message", true},
         {"--message-file", true},
         {"--seal", false},
         {"--convert", false},
         {"--password-stdin", false},
         {"--password-file", true}},
        Hide,
    };
    return command;
}
