// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-cli: hides and recovers messages from scripts, in the same files as the window.

#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/Output.h"
#include "common/Version.h"

#include <algorithm>
#include <new>
#include <string>
#include <sys/prctl.h>
#include <vector>

namespace
{

constexpr const char* VERSION = CARVALET_VERSION;

constexpr const char* PASSWORD_HELP = R"(
The password is asked on the terminal without echo (twice when hiding), or read
as the first line (at most 1024 bytes) of standard input with --password-stdin,
or of FILE with --password-file FILE. It never appears on the command line.
Standard input can serve one option only. Without --seal the password only gates
access: anyone with this program can read the message. A sealed message can only
be read with the password.
)";

constexpr const char* EXIT_HELP = R"(
Exit status: 0 done, 1 failed (input, output, refused carrier), 2 usage error,
3 wrong password (or a sealed message that was changed), 4 no hidden message.
)";

const std::vector<const Command*>& Commands()
{
    static const std::vector<const Command*> commands = {&HideCommand(), &UnhideCommand(),
                                                         &InfoCommand(), &AnalyzeCommand()};
    return commands;
}

const Command* Find(const std::string& name)
{
    for (const Command* command : Commands())
    {
        if (command->name == name)
        {
            return command;
        }
    }
    return nullptr;
}

std::string Indented(std::string text, std::size_t by)
{
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
    {
        text.insert(at + 1, by, ' ');
    }
    return text;
}

std::string Synopsis(const Command& command, const std::string& prefix)
{
    return prefix + Indented(command.synopsis, prefix.size() + command.name.size() + 1) + "\n";
}

std::string Usage()
{
    std::string text = "Usage:\n";
    for (const Command* command : Commands())
    {
        text += Synopsis(*command, "  carvalet-cli ");
    }
    text += "  carvalet-cli COMMAND --help | --help | --version\n\n";
    for (const Command* command : Commands())
    {
        text += command->name + std::string(8 - command->name.size(), ' ') +
                Indented(command->summary, 8) + "\n";
    }
    text += "\nPASSWORD OPTION: --password-stdin | --password-file FILE\n";
    text += "--message TEXT shows the message to other users in the process list: use\n"
            "--message-file FILE (\"-\": standard input) for anything private.\n";
    return text + PASSWORD_HELP + EXIT_HELP;
}

std::string CommandHelp(const Command& command)
{
    std::string text = Synopsis(command, "Usage: carvalet-cli ") + "\n" + command.name + ": " +
                       Indented(command.summary, command.name.size() + 2) + "\n";
    if (!command.details.empty())
    {
        text += "\n" + command.details;
    }
    const auto takesPassword = [&](const Option& option)
    { return option.name == "--password-stdin"; };
    if (std::any_of(command.options.begin(), command.options.end(), takesPassword))
    {
        text += PASSWORD_HELP;
    }
    return text + EXIT_HELP;
}

// "COMMAND --help" anywhere before "--".
bool AsksForHelp(const std::vector<std::string>& words)
{
    const auto end = std::find(words.begin(), words.end(), "--");
    return std::find_if(words.begin(), end,
                        [](const std::string& word)
                        { return word == "--help" || word == "-h"; }) != end;
}

int Run(int argc, char** argv)
{
    if (argc < 2)
    {
        throw UsageError("no command given");
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h")
    {
        PrintOut(Usage());
        return EXIT_DONE;
    }
    if (name == "--version")
    {
        PrintOut(std::string("carvalet-cli ") + VERSION + "\n");
        return EXIT_DONE;
    }
    const Command* command = Find(name);
    if (command == nullptr)
    {
        throw UsageError("unknown command " + name);
    }
    const std::vector<std::string> words(argv + 2, argv + argc);
    if (AsksForHelp(words))
    {
        PrintOut(CommandHelp(*command));
        return EXIT_DONE;
    }
    if (command->name != "info")
    {
        // A password and the keys made from it must not end up in a core dump.
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }
    return command->run(ParseArguments(name, words, command->options));
}

int Report(int code, const std::string& text)
{
    if (!text.empty())
    {
        PrintError(text + "\n");
    }
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    int code = EXIT_FAILED;
    try
    {
        code = Run(argc, argv);
    }
    catch (const UsageError& e)
    {
        code = Report(EXIT_USAGE, std::string("carvalet-cli: ") + e.what() + "\n\n" + Usage());
    }
    catch (const CliError& e)
    {
        code = Report(e.ExitCode(), e.what());
    }
    catch (const std::bad_alloc&)
    {
        code = Report(EXIT_FAILED, "carvalet-cli: there is not enough memory to finish.");
    }
    catch (const std::exception& e)
    {
        code = Report(EXIT_FAILED, e.what());
    }
    // Output that did not arrive is a failure, whatever else happened, and is said.
    if (const std::string why = OutputFailure(); !why.empty())
    {
        Report(EXIT_FAILED, "carvalet-cli: cannot write to standard output: " + why);
    }
    return OutputFailed() ? EXIT_FAILED : code;
}
