// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PasswordInput.h"

#include "cli/CliError.h"
#include "cli/Output.h"
#include "common/FileDescriptor.h"
#include "common/SafeFile.h"
#include "common/SignalGuard.h"
#include "hiding/Secrets.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace
{

// The terminal while its echo is off: whatever ends or stops the prompt gives the echo back,
// and continuing after a stop takes it away again.
struct Terminal
{
    int fd = -1;
    termios saved{};
    termios quiet{};
};

void RestoreEcho(void* context)
{
    const auto* terminal = static_cast<const Terminal*>(context);
    ::tcsetattr(terminal->fd, TCSANOW, &terminal->saved);
}

void SilenceEcho(void* context)
{
    const auto* terminal = static_cast<const Terminal*>(context);
    ::tcsetattr(terminal->fd, TCSANOW, &terminal->quiet);
}

// One line, without its line end, read a byte at a time so that nothing after it is taken.
std::string ReadLine(int fd, const std::string& source)
{
    std::string line;
    bool ended = false;
    char c;
    for (;;)
    {
        const ssize_t got = carvalet::RetryOnInterrupt([&] { return ::read(fd, &c, 1); });
        if (got < 0)
        {
            throw CliError("cannot read the password from " + source + ": " +
                           carvalet::ErrorFromCode(errno).reason);
        }
        if (got == 0 || c == '\n')
        {
            ended = got == 1;
            break;
        }
        if (line.size() == PASSWORD_LINE_LIMIT)
        {
            throw CliError("the password line from " + source + " is longer than " +
                           std::to_string(PASSWORD_LINE_LIMIT) + " bytes");
        }
        line.push_back(c);
    }
    if (line.empty() && !ended)
    {
        throw CliError("no password given: " + source + " ended before a line");
    }
    if (!line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    return line;
}

std::string ReadPasswordFromTerminal(const std::string& prompt)
{
    const carvalet::FileDescriptor device(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!device)
    {
        throw CliError(
            "no terminal to ask for the password; use --password-stdin or --password-file");
    }
    Terminal terminal;
    terminal.fd = device.Get();
    if (::tcgetattr(terminal.fd, &terminal.saved) != 0)
    {
        throw CliError("no terminal to ask for the password; use --password-stdin or "
                       "--password-file");
    }
    terminal.quiet = terminal.saved;
    terminal.quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    terminal.quiet.c_lflag |= ECHONL;

    std::string password;
    {
        // Echo comes back whatever signal ends the process here, and before a stop.
        std::vector<int> signals = carvalet::EndingSignals();
        signals.push_back(SIGTSTP);
        const carvalet::SignalGuard guard(signals, RestoreEcho, &terminal, SilenceEcho);
        // Echo goes off before the prompt shows, so nothing typed after it can be echoed.
        SilenceEcho(&terminal);
        carvalet::WriteAll(terminal.fd, prompt.data(), prompt.size());
        try
        {
            password = ReadLine(terminal.fd, "the terminal");
        }
        catch (...)
        {
            RestoreEcho(&terminal);
            throw;
        }
        RestoreEcho(&terminal);
    }
    return password;
}

std::string ReadPasswordFromFile(const std::string& path)
{
    const carvalet::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file)
    {
        throw CliError("cannot open " + ShownName(path) + ": " +
                       carvalet::ErrorFromCode(errno).reason);
    }
    return ReadLine(file.Get(), path);
}

void Check(PasswordRules rules, const std::string& password, const std::string& confirmation)
{
    if (const std::string problem = rules(password, confirmation); !problem.empty())
    {
        throw CliError(problem);
    }
}

} // namespace

Password::~Password()
{
    hiding::Wipe(text);
}

void AskPassword(const Arguments& args, PasswordRules rules, Password& password)
{
    const std::string* file = args.Value("--password-file");
    if (args.Has("--password-stdin") || (file != nullptr && *file == "-"))
    {
        password.text = ReadLine(STDIN_FILENO, "standard input");
    }
    else if (file != nullptr)
    {
        password.text = ReadPasswordFromFile(*file);
    }
    else
    {
        password.text = ReadPasswordFromTerminal("Password : ");
        if (rules != nullptr)
        {
            // Check the length before asking again, as the dialog reports it first.
            Check(rules, password.text, password.text);
            Password confirmation;
            confirmation.text = ReadPasswordFromTerminal("Confirm Pw : ");
            Check(rules, password.text, confirmation.text);
        }
    }
    if (rules != nullptr)
    {
        Check(rules, password.text, password.text);
    }
}
