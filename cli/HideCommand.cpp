#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/OutputFile.h"
#include "cli/PasswordInput.h"
#include "engine/CarrierInspection.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "imaging/ClassicBitmap.h"

#include <algorithm>
#include <new>

namespace
{

// Refuses a carrier the message would damage, unless it may be converted.
void CheckCarrier(const CarrierInspection& inspection, const HidingVerdict& verdict, bool convert)
{
    const std::string damage = DamageSentence(inspection, verdict);
    if (verdict.plan == HidingPlan::Refuse)
    {
        const std::string obstacle = inspection.ConversionObstacle();
        const bool picture =
            inspection.format == CarrierFormat::Bitmap || inspection.format == CarrierFormat::Png;
        throw CliError(damage + (picture ? " Carvalet cannot convert it: " + obstacle + "."
                                         : std::string(" Carvalet hides messages in BMP "
                                                       "pictures, and in PNG pictures with "
                                                       "--convert.")));
    }
    if (verdict.plan == HidingPlan::Convert && !convert)
    {
        throw CliError(damage + " Run hide with --convert to save it as a " +
                       std::to_string(inspection.convertedBits) +
                       "-bit bitmap that looks the same.");
    }
}

ClassicBitmap Convert(const CarrierInspection& inspection, const CarrierFile& carrier)
{
    try
    {
        const ByteReader read = carrier.Reader();
        ClassicBitmap converted = ConvertToClassicBitmap(inspection, read);
        carrier.CheckReads();
        return converted;
    }
    catch (const ConversionError& e)
    {
        carrier.CheckReads();
        throw CliError(std::string("Carvalet could not convert this picture: ") + e.what() + ".");
    }
    catch (const std::bad_alloc&)
    {
        throw CliError("There is not enough memory to convert this picture.");
    }
}

// A converted picture is whole in memory: the records go straight into it.
void WriteConverted(ClassicBitmap& converted, const std::string& record, const std::string& message,
                    const std::string& outputPath)
{
    // The window's order: the password record first, then the message.
    CodecMessages codec;
    for (const auto& [slot, text] :
         {std::pair{PASSWORD_SLOT, record}, std::pair{MESSAGE_SLOT, message}})
    {
        if (EmbedText(converted.bytes.get(), static_cast<std::int32_t>(converted.size), slot, text,
                      codec.Fn()) != 1)
        {
            throw CliError("Operation aborted ..     ");
        }
    }
    OutputFile output(outputPath);
    output.Write(converted.bytes.get(), converted.size);
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
    const CarrierInspection inspection = InspectCarrier(carrier.Reader(), carrier.Length());
    carrier.CheckReads();
    // A message longer than the carrier takes, even once converted, fails the size rule
    // anyway: no need to read on.
    const std::int64_t longest =
        std::max(LongestMessage(carrier.Length()), LongestMessage(inspection.convertedSize));
    std::string message =
        text ? *text : ReadMessageFile(*file, static_cast<std::size_t>(longest) + 1);
    message.erase(std::min(message.find('\0'), message.size()));
    if (message.empty())
    {
        throw CliError("There is no text to curtain");
    }

    // What is hidden is the message, or its armour when it is sealed.
    const bool seal = args.Has("--seal");
    const auto messageLength = static_cast<std::int64_t>(message.size());
    const HidingVerdict verdict =
        inspection.ForMessage(seal ? ArmourLength(messageLength) : messageLength);
    CheckCarrier(inspection, verdict, args.Has("--convert"));

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

    if (verdict.plan == HidingPlan::Convert)
    {
        ClassicBitmap converted = Convert(inspection, carrier);
        WriteConverted(converted, record, message, args.positional[1]);
        return EXIT_DONE;
    }

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
