// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/Output.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "hiding/CarrierPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// --max-payload's bits per value: above 0 and at most the engine's ceiling. Above the safe
// limit the message is easier to detect, and the user is told so.
double MaxPayload(const Arguments& args)
{
    const std::string* given = args.Value("--max-payload");
    if (given == nullptr)
    {
        return STEALTH_SAFE_BPC;
    }
    if (!args.Has("--stealth"))
    {
        throw UsageError("--max-payload is for --stealth");
    }
    char* end = nullptr;
    const double bpc = std::strtod(given->c_str(), &end);
    if (given->empty() || *end != '\0' || !std::isfinite(bpc) || bpc <= 0 || bpc > STEALTH_MAX_BPC)
    {
        throw UsageError("--max-payload takes bits per value above 0 and at most 0.5");
    }
    if (bpc > STEALTH_SAFE_BPC)
    {
        PrintError("warning: above 0.2 bits per value a detector finds the message more "
                   "easily\n");
    }
    return bpc;
}

// A stealth message is the message file's bytes, all of them, and the whole output file is
// made in memory.
int HideStealthily(const Arguments& args, const CarrierFile& carrier,
                   const hiding::CarrierPlan& plan, std::string& message, double maxBpc)
{
    if (message.empty())
    {
        throw CliError(hiding::NO_TEXT);
    }
    const hiding::Decision decision = plan.CheckStealth(static_cast<std::int64_t>(message.size()),
                                                        maxBpc, hiding::FrontEnd::CommandLine);
    carrier.CheckReads();
    if (decision.plan == HidingPlan::Refuse ||
        (decision.plan == HidingPlan::Convert && !args.Has("--convert")))
    {
        throw CliError(decision.sentence);
    }
    Password password;
    AskPassword(args, hiding::NewPasswordRulesFor(MessageKind::Stealth), password);
    const hiding::StealthFile hidden = plan.HideStealthMessage(
        {reinterpret_cast<const std::uint8_t*>(message.data()), message.size()}, password.text,
        {maxBpc});
    hiding::Wipe(message);
    hiding::Wipe(password.text);
    if (!hidden.failure.empty())
    {
        throw CliError(hidden.failure);
    }
    OutputFile output(args.positional[1]);
    output.Write(hidden.bytes.data(), hidden.bytes.size());
    output.Commit();
    return EXIT_DONE;
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
    const bool stealth = args.Has("--stealth");
    if (stealth && args.Has("--seal"))
    {
        throw UsageError("give either --seal or --stealth");
    }
    const double maxBpc = MaxPayload(args);

    const CarrierFile carrier(args.positional[0]);
    // Only the headers are read, and the chunks of a PNG (a stealth message reads it all).
    const hiding::CarrierPlan plan(carrier.Reader(), carrier.Length());
    carrier.CheckReads();
    const std::int64_t worthReading =
        stealth ? plan.LongestStealth(maxBpc) : plan.LongestWorthReading();
    carrier.CheckReads();
    std::string message =
        text ? *text : ReadMessageFile(*file, static_cast<std::size_t>(worthReading) + 1, stealth);
    if (stealth)
    {
        return HideStealthily(args, carrier, plan, message, maxBpc);
    }
    message.erase(std::min(message.find('\0'), message.size()));
    if (hiding::ReadsBackEmpty(message))
    {
        throw CliError(hiding::NO_TEXT);
    }
    // Through any link, the picture is read while the copy is written: never into itself.
    if (args.positional[1] != "-" && carrier.IsFile(args.positional[1]))
    {
        throw CliError("OUTPUT names the image itself; the image is left as it was");
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
        "hide IMAGE OUTPUT (--message TEXT | --message-file FILE)\n"
        "[--seal | --stealth [--max-payload BPC]] [--convert]\n"
        "[PASSWORD OPTION]",
        "hides the message in a copy of IMAGE, written to OUTPUT, behind a password\n"
        "of 8 to 16 characters (only the first 8 count).\n"
        "--seal  enciphers the message under the whole password, a passphrase of\n"
        "        8 to 64 characters (Argon2id and XChaCha20-Poly1305); older\n"
        "        copies of Carvalet show a sealed message as unreadable text.\n"
        "--stealth  hides a sealed message with no record or mark a\n"
        "        detector could find: small changes where the picture is busy,\n"
        "        along an order only the passphrase (8 to 64 characters) gives.\n"
        "        OUTPUT is a PNG for a PNG, else a BMP; re-saving or\n"
        "        recompressing it destroys the message.\n"
        "--convert  saves a picture the message would damage (compressed or\n"
        "        palette pixels, extended headers, PNG) as a classic 24-bit (or\n"
        "        32-bit) bitmap that looks the same, with the message in it;\n"
        "        without it such a picture is refused. OUTPUT is a BMP (a PNG for\n"
        "        --stealth in a PNG), never IMAGE itself.",
        R"(OUTPUT "-" is standard output; a FILE "-" is standard input. OUTPUT is written
to a new file beside it that takes its place only once complete; a symbolic link
stays a link and its target is written; a device or pipe is written into.

  --message TEXT       the message. Other users of this machine can read it in
                       the process list while the command runs: use
                       --message-file for anything private.
  --message-file FILE  the message: the file's bytes up to its first zero byte;
                       with --stealth, every byte of the file.
  --seal               seals the message: without the password nobody can read
                       it, not even with this program.
  --stealth            hides the message unseen, at most 0.2 bits per pixel
                       value (8-bit grey, RGB or RGBA values; alpha never
                       changes). A picture that was once a JPEG is refused, and
                       so is a PNG of 16 bits a channel.
  --max-payload BPC    lets a stealth message take up to BPC bits per value (at
                       most 0.5), with a warning: the more it takes, the easier
                       a detector finds it.
  --convert            converts a picture the message would damage. The
                       converted picture is made whole in memory (about 3 or 4
                       bytes a pixel); any other carrier is never held whole.
)",
        {{"--message", true},
         {"--message-file", true},
         {"--seal", false},
         {"--stealth", false},
         {"--max-payload", true},
         {"--convert", false},
         {"--password-stdin", false},
         {"--password-file", true}},
        Hide,
    };
    return command;
}
