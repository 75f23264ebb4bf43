// carvalet-cli: hides and recovers messages from scripts, in the same files as the window.

#include "cli/CliError.h"
#include "cli/FileIo.h"
#include "cli/PasswordInput.h"
#include "cli/PictureInfo.h"
#include "common/Version.h"
#include "engine/CarrierCodec.h"
#include "engine/CarrierInspection.h"
#include "engine/PasswordRecord.h"
#include "imaging/ClassicBitmap.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace
{

constexpr const char* VERSION = CARVALET_VERSION;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr const char* USAGE = R"(Usage:
  carvalet-cli hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [--convert]
                    [--password-stdin]
  carvalet-cli unhide IMAGE [--output FILE] [--password-stdin]
  carvalet-cli info IMAGE
  carvalet-cli --help | --version

hide    hides the message in a copy of IMAGE, written to OUTPUT, behind a password
        of 8 to 16 characters (only the first 8 count). A picture the message would
        damage (compressed or palette pixels, extended headers, PNG) is refused;
        with --convert it is saved as a classic 24-bit (or 32-bit) bitmap that looks
        the same, with the message in it. OUTPUT is always a BMP.
unhide  asks for the password and writes the hidden message, byte for byte, to
        standard output or FILE.
info    tells the size of IMAGE, the longest message it can take, whether it
        seems to hold a hidden message, its picture layout, and whether hiding
        needs a conversion.

The password is asked on the terminal without echo (twice when hiding), or read
as the first line of standard input with --password-stdin. It never appears on
the command line. Note: the password only gates access; anyone with this program
can read hidden messages.

Exit status: 0 on success, 1 on failure, 2 on a usage error.
)";

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Arguments
{
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    bool passwordStdin = false;
    bool convert = false;
};

// Options that take a value, per command; "--password-stdin" is the only flag.
const std::map<std::string, std::vector<std::string>> VALUE_OPTIONS = {
    {"hide", {"--message", "--message-file"}},
    {"unhide", {"--output"}},
    {"info", {}},
};

Arguments Parse(const std::string& command, int argc, char** argv)
{
    const auto& allowed = VALUE_OPTIONS.at(command);
    Arguments args;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-')
        {
            args.positional.push_back(arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (arg == "--password-stdin" && command != "info")
        {
            args.passwordStdin = true;
            continue;
        }
        if (arg == "--convert" && command == "hide")
        {
            args.convert = true;
            continue;
        }
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos)
        {
            value = arg.substr(eq + 1);
            arg.erase(eq);
        }
        if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end())
        {
            throw UsageError("unknown option " + arg + " for " + command);
        }
        if (!value)
        {
            if (i + 1 >= argc)
            {
                throw UsageError(arg + " needs a value");
            }
            value = argv[++i];
        }
        if (!args.values.emplace(arg, *value).second)
        {
            throw UsageError(arg + " given twice");
        }
    }
    return args;
}

void ExpectPositional(const Arguments& args, std::size_t count, const std::string& names)
{
    if (args.positional.size() != count)
    {
        throw UsageError("expected " + names);
    }
}

// Reports codec messages on standard error and remembers that one was shown.
struct MessageSink
{
    bool shown = false;
    ShowMessageFn Fn()
    {
        return [this](const std::string& text)
        {
            shown = true;
            std::cerr << text << '\n';
        };
    }
};

std::int32_t LengthOf(const std::vector<std::uint8_t>& carrier)
{
    return static_cast<std::int32_t>(carrier.size());
}

std::string AskPassword(bool fromStdin, bool confirm)
{
    if (fromStdin)
    {
        return ReadPasswordFromStdin();
    }
    std::string password = ReadPasswordFromTerminal("Password : ");
    if (!confirm)
    {
        return password;
    }
    // Check the length before asking again, as the dialog reports it first.
    if (const std::string problem = CheckNewPassword(password, password); !problem.empty())
    {
        throw CliError(problem);
    }
    const std::string confirmation = ReadPasswordFromTerminal("Confirm Pw : ");
    if (const std::string problem = CheckNewPassword(password, confirmation); !problem.empty())
    {
        throw CliError(problem);
    }
    return password;
}

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

ClassicBitmap Convert(const CarrierInspection& inspection, const std::vector<std::uint8_t>& carrier)
{
    try
    {
        return ConvertToClassicBitmap(inspection, MemoryReader(carrier.data(), carrier.size()));
    }
    catch (const ConversionError& e)
    {
        throw CliError(std::string("Carvalet could not convert this picture: ") + e.what() + ".");
    }
    catch (const std::bad_alloc&)
    {
        throw CliError("There is not enough memory to convert this picture.");
    }
}

int Hide(const Arguments& args)
{
    ExpectPositional(args, 2, "IMAGE and OUTPUT");
    const bool hasText = args.values.count("--message") != 0;
    const bool hasFile = args.values.count("--message-file") != 0;
    if (hasText == hasFile)
    {
        throw UsageError("give either --message or --message-file");
    }
    const std::string& image = args.positional[0];
    const std::string& output = args.positional[1];

    std::vector<std::uint8_t> carrier = ReadCarrier(image);
    // Anything longer than the carrier fails the size rule anyway, so no need to read it all.
    std::string message =
        hasText ? args.values.at("--message")
                : ReadMessageFile(args.values.at("--message-file"), carrier.size() + 1);
    message.erase(std::min(message.find('\0'), message.size()));
    if (message.empty())
    {
        throw CliError("There is no text to curtain");
    }

    const CarrierInspection inspection =
        InspectCarrier(MemoryReader(carrier.data(), carrier.size()), LengthOf(carrier));
    const HidingVerdict verdict = inspection.ForMessage(std::int64_t(message.size()));
    CheckCarrier(inspection, verdict, args.convert);

    const std::string password = AskPassword(args.passwordStdin, true);
    if (const std::string problem = CheckNewPassword(password, password); !problem.empty())
    {
        throw CliError(problem);
    }

    std::uint8_t* data = carrier.data();
    std::size_t size = carrier.size();
    ClassicBitmap converted;
    if (verdict.plan == HidingPlan::Convert)
    {
        converted = Convert(inspection, carrier);
        std::vector<std::uint8_t>().swap(carrier);
        data = converted.bytes.get();
        size = converted.size;
    }

    // The window's order: the password record first, then the message.
    MessageSink sink;
    for (const auto& [slot, text] :
         {std::pair{PASSWORD_SLOT, MakePasswordRecord(password)}, std::pair{MESSAGE_SLOT, message}})
    {
        if (EmbedText(data, static_cast<std::int32_t>(size), slot, text, sink.Fn()) != 1)
        {
            throw CliError("Operation aborted ..     ");
        }
    }
    WriteFileSafely(output, data, size);
    return 0;
}

int Unhide(const Arguments& args)
{
    ExpectPositional(args, 1, "IMAGE");
    const std::vector<std::uint8_t> carrier = ReadCarrier(args.positional[0]);

    MessageSink sink;
    const std::string record =
        ExtractText(carrier.data(), LengthOf(carrier), PASSWORD_SLOT, sink.Fn());
    if (record.empty())
    {
        if (sink.shown)
        {
            return EXIT_FAILED;
        }
        throw CliError("Image does not contain curtained data ..");
    }

    const std::string password = AskPassword(args.passwordStdin, false);
    if (!PasswordOpensRecord(password, record))
    {
        throw CliError("Invalid password try again");
    }

    const std::string message =
        ExtractText(carrier.data(), LengthOf(carrier), MESSAGE_SLOT, sink.Fn());
    if (sink.shown)
    {
        return EXIT_FAILED;
    }
    if (const auto out = args.values.find("--output"); out != args.values.end())
    {
        WriteFileSafely(out->second, message.data(), message.size());
    }
    else if (std::fwrite(message.data(), 1, message.size(), stdout) != message.size() ||
             std::fflush(stdout) != 0)
    {
        throw CliError("cannot write the message to standard output");
    }
    return 0;
}

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
    const CarrierInspection inspection =
        InspectCarrier(MemoryReader(carrier.data(), carrier.size()), LengthOf(carrier));
    for (const InfoFact& fact : PictureFacts(inspection))
    {
        std::cout << fact.label << ": " << fact.value << '\n';
    }
    return 0;
}

int Run(int argc, char** argv)
{
    if (argc < 2)
    {
        throw UsageError("no command given");
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h")
    {
        std::cout << USAGE;
        return 0;
    }
    if (command == "--version")
    {
        std::cout << "carvalet-cli " << VERSION << '\n';
        return 0;
    }
    if (VALUE_OPTIONS.count(command) == 0)
    {
        throw UsageError("unknown command " + command);
    }
    const Arguments args = Parse(command, argc, argv);
    if (command == "hide")
    {
        return Hide(args);
    }
    return command == "unhide" ? Unhide(args) : Info(args);
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return Run(argc, argv);
    }
    catch (const UsageError& e)
    {
        std::cerr << "carvalet-cli: " << e.what() << "\n\n" << USAGE;
        return EXIT_USAGE;
    }
    catch (const std::exception& e)
    {
        std::cerr << e.what() << '\n';
        return EXIT_FAILED;
    }
}
