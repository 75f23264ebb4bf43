// carvalet-cli: hides and recovers messages from scripts, in the same files as the window.

#include "CliError.h"
#include "Command.h"

#include <iostream>
#include <string>
#include <vector>

namespace
{

constexpr const char* VERSION = "1.0.0.5";

const std::vector<const Command*>& Commands()
{
    static const std::vector<const Command*> commands = {&HideCommand(), &UnhideCommand(),
                                                         &InfoCommand()};
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

std::string Usage()
{
    std::string text = "Usage:\n";
    for (const Command* command : Commands())
    {
        text += "  carvalet-cli " + command->synopsis + "\n";
    }
    text += "  carvalet-cli --help | --version\n\n";
    for (const Command* command : Commands())
    {
        std::string summary = command->summary;
        for (std::size_t at = summary.find('\n'); at != std::string::npos;
             at = summary.find('\n', at + 1))
        {
            summary.insert(at + 1, 8, ' ');
        }
        text += command->name + std::string(8 - command->name.size(), ' ') + summary + "\n";
    }
    text += R"(
The password is asked on the terminal without echo (twice when hiding), or read
as the first line of standard input with --password-stdin. It never appears on
the command line. Note: the password only gates access; anyone with this program
can read hidden messages.

Exit status: 0 on success, 1 on failure, 2 on a usage error.
)";
    return text;
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
        std::cout << Usage();
        return EXIT_DONE;
    }
    if (name == "--version")
    {
        std::cout << "carvalet-cli " << VERSION << '\n';
        return EXIT_DONE;
    }
    const Command* command = Find(name);
    if (command == nullptr)
    {
        throw UsageError("unknown command " + name);
    }
    return command->run(
        ParseArguments(name, std::vector<std::string>(argv + 2, argv + argc), command->options));
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
        std::cerr << "carvalet-cli: " << e.what() << "\n\n" << Usage();
        return EXIT_USAGE;
    }
    catch (const CliError& e)
    {
        std::cerr << e.what() << '\n';
        return e.ExitCode();
    }
    catch (const std::exception& e)
    {
        std::cerr << e.what() << '\n';
        return EXIT_FAILED;
    }
}
