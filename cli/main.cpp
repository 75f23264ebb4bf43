// carvalet-cli: hides and recovers messages from scripts, in the same files as the window.

#include "cli/CliError.h"
#include "cli/FileIo.h"
#include "cli/PasswordInput.h"
#include "common/Version.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <vector>

namespace
{

constexpr const char* VERSION = CARVALET_VERSION;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_WRONG_PASSWORD = 3;

constexpr const char* USAGE = R"(Usage:
  carvalet-cli hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [--seal]
                    [--password-stdin]
  carvalet-cli unhide IMAGE [--output FILE] [--password-stdin]
  carvalet-cli info IMAGE
  carvalet-cli --help | --version

hide    hides the message in a copy of IMAGE, written to OUTPUT, behind a password
        of 8 to 16 characters (only the first 8 count).
        --seal  enciphers the message under the whole password, a passphrase of
                8 to 64 characters (Argon2id and XChaCha20-Poly1305); older
                copies of Carvalet show a sealed message as unreadable text.
unhide  asks for the password and writes the hidden message, byte for byte, to
        standard output or FILE. A sealed message is unsealed.
info    tells the size of IMAGE, the longest message it can take (plain and
        sealed), and whether it seems to hold a hidden message.

The password is asked on the terminal without echo (twice when hiding), or read
as the first line of standard input with --password-stdin. It never appears on
the command line. Without --seal the password only gates access: anyone with
this program can read the message. A sealed message can only be read with the
password.

Exit status: 0 on success, 1 on failure, 2 on a usage error, 3 when a sealed
message does not open (wrong password, or the message was changed).
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
    bool seal = false;
};

// Options that take a value, per command; "--password-stdin" and hide's "--seal" are flags.
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
        if (arg == "--seal" && command == "hide")
        {
            args.seal = true;
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

// The rules a new password must pass: the message for the first one broken, or "".
using PasswordRules = std::string (*)(const std::string&, const std::string&);

// A password held only as long as it is needed, then wiped.
struct Password
{
    std::string text;
    Password() = default;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;
    ~Password() { WipeString(text); }
};

void CheckRules(PasswordRules rules, const std::string& password, const std::string& confirmation)
{
    if (const std::string problem = rules(password, confirmation); !problem.empty())
    {
        throw CliError(problem);
    }
}

// rules: null when the password is not new, so it is asked once.
void AskPassword(Password& password, bool fromStdin, PasswordRules rules)
{
    if (fromStdin)
    {
        password.text = ReadPasswordFromStdin();
    }
    else
    {
        password.text = ReadPasswordFromTerminal("Password : ");
        if (rules)
        {
            // Check the length before asking again, as the dialog reports it first.
            CheckRules(rules, password.text, password.text);
            Password confirmation;
            confirmation.text = ReadPasswordFromTerminal("Confirm Pw : ");
            CheckRules(rules, password.text, confirmation.text);
        }
    }
    if (rules)
    {
        CheckRules(rules, password.text, password.text);
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

    Password password;
    AskPassword(password, args.passwordStdin, args.seal ? CheckNewSealPassword : CheckNewPassword);
    std::string record = MakePasswordRecord(password.text);
    if (args.seal)
    {
        record = SEAL_MARKER_RECORD;
        std::string armour = SealMessage(message, password.text);
        WipeString(message);
        message = std::move(armour);
    }
    WipeString(password.text);

    // The window's order: the password record first, then the message.
    MessageSink sink;
    for (const auto& [slot, text] :
         {std::pair{PASSWORD_SLOT, record}, std::pair{MESSAGE_SLOT, message}})
    {
        if (EmbedText(carrier.data(), LengthOf(carrier), slot, text, sink.Fn()) != 1)
        {
            throw CliError("Operation aborted ..     ");
        }
    }
    WriteFileSafely(output, carrier.data(), carrier.size());
    return 0;
}

// Exits with EXIT_WRONG_PASSWORD for a wrong password and for a changed armour alike, so a
// script need not tell them apart; the message on standard error does.
int Refuse(const char* message)
{
    std::cerr << message << '\n';
    return EXIT_WRONG_PASSWORD;
}

void WriteMessage(const Arguments& args, const std::string& message)
{
    if (const auto out = args.values.find("--output"); out != args.values.end())
    {
        WriteFileSafely(out->second, message.data(), message.size());
    }
    else if (std::fwrite(message.data(), 1, message.size(), stdout) != message.size() ||
             std::fflush(stdout) != 0)
    {
        throw CliError("cannot write the message to standard output");
    }
}

int Unseal(const Arguments& args, const std::vector<std::uint8_t>& carrier)
{
    MessageSink sink;
    const std::string armour =
        ExtractText(carrier.data(), LengthOf(carrier), MESSAGE_SLOT, sink.Fn());
    if (sink.shown)
    {
        return EXIT_FAILED;
    }
    const std::optional<SealedMessage> sealed = ParseArmour(armour);
    if (!sealed)
    {
        return Refuse(SEAL_DAMAGED);
    }
    Password password;
    AskPassword(password, args.passwordStdin, nullptr);
    UnsealResult opened = OpenSealed(*sealed, password.text);
    WipeString(password.text);
    switch (opened.status)
    {
    case UnsealStatus::Opened:
        break;
    case UnsealStatus::WrongPassword:
        return Refuse(WRONG_PASSWORD);
    case UnsealStatus::Damaged:
        return Refuse(SEAL_DAMAGED);
    case UnsealStatus::NoMemory:
        throw CliError(SEAL_NO_MEMORY);
    }
    // The unsealed text ends where the window's would, at its first zero byte.
    opened.message.erase(std::min(opened.message.find('\0'), opened.message.size()));
    try
    {
        WriteMessage(args, opened.message);
    }
    catch (...)
    {
        WipeString(opened.message);
        throw;
    }
    WipeString(opened.message);
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
    if (IsSealMarker(record))
    {
        return Unseal(args, carrier);
    }

    Password password;
    AskPassword(password, args.passwordStdin, nullptr);
    if (!PasswordOpensRecord(password.text, record))
    {
        throw CliError(WRONG_PASSWORD);
    }

    const std::string message =
        ExtractText(carrier.data(), LengthOf(carrier), MESSAGE_SLOT, sink.Fn());
    if (sink.shown)
    {
        return EXIT_FAILED;
    }
    WriteMessage(args, message);
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
    const bool sealed = IsSealMarker(record);
    const bool hasRecord =
        sealed || (record.size() == PASSWORD_RECORD_LENGTH &&
                   record.compare(PASSWORD_RECORD_KEPT, suffix.size(), suffix) == 0);

    std::cout << "Image: " << image << '\n'
              << "Size: " << carrier.size() << " bytes\n"
              << "Longest message: " << LongestMessage(LengthOf(carrier)) << " bytes\n"
              << "Longest sealed message: " << LongestSealedMessage(LengthOf(carrier)) << " bytes\n"
              << "Password record: " << (hasRecord ? "yes" : "no") << '\n'
              << "Sealed message: " << (sealed ? "yes" : "no") << '\n';
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
    if (command != "info")
    {
        // A password and the keys made from it must not end up in a core dump.
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }
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
