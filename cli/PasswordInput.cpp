#include "cli/PasswordInput.h"

#include "cli/CliError.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace
{

// Restored by the signal handler too, so Ctrl-C at the prompt does not leave echo off.
int g_terminal = -1;
termios g_savedMode{};

void RestoreTerminal()
{
    if (g_terminal >= 0)
    {
        ::tcsetattr(g_terminal, TCSANOW, &g_savedMode);
    }
}

extern "C" void OnInterrupt(int signal)
{
    RestoreTerminal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size())
    {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put <= 0)
        {
            return;
        }
        done += static_cast<std::size_t>(put);
    }
}

std::string ReadLine(int fd)
{
    std::string line;
    char c;
    for (;;)
    {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0 || c == '\n')
        {
            break;
        }
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    return line;
}

} // namespace

std::string ReadPasswordFromTerminal(const std::string& prompt)
{
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (terminal < 0)
    {
        throw CliError("no terminal to ask for the password; use --password-stdin");
    }
    termios mode{};
    const bool isTerminal = ::tcgetattr(terminal, &mode) == 0;
    if (isTerminal)
    {
        g_savedMode = mode;
        g_terminal = terminal;
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        mode.c_lflag &= static_cast<tcflag_t>(~ECHO);
        mode.c_lflag |= ECHONL;
        ::tcsetattr(terminal, TCSANOW, &mode);
    }
    // Echo goes off before the prompt shows, so nothing typed after it can be echoed.
    WriteAll(terminal, prompt);
    const std::string password = ReadLine(terminal);
    if (isTerminal)
    {
        RestoreTerminal();
        g_terminal = -1;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    ::close(terminal);
    return password;
}

std::string ReadPasswordFromStdin()
{
    return ReadLine(STDIN_FILENO);
}
