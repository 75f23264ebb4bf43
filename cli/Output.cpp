// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Output.h"

#include "common/SafeFile.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>

namespace
{
bool g_failed = false;
std::string g_outFailure;

void Print(int fd, std::string_view text)
{
    if (const carvalet::FileError error = carvalet::WriteAll(fd, text.data(), text.size()))
    {
        g_failed = true;
        if (fd == STDOUT_FILENO && g_outFailure.empty())
        {
            g_outFailure = error.reason;
        }
    }
}
} // namespace

void PrintOut(std::string_view text)
{
    Print(STDOUT_FILENO, text);
}

void PrintError(std::string_view text)
{
    Print(STDERR_FILENO, text);
}

bool OutputFailed()
{
    return g_failed;
}

std::string OutputFailure()
{
    return g_outFailure;
}

std::string ShownName(const std::string& name)
{
    const auto control = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
    if (std::none_of(name.begin(), name.end(), control))
    {
        return name;
    }
    std::string out = "$'";
    for (const char c : name)
    {
        const auto byte = static_cast<unsigned char>(c);
        switch (c)
        {
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
        case '\'':
            out += '\\';
            out += c;
            break;
        default:
            if (control(byte))
            {
                static constexpr char hex[] = "0123456789abcdef";
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            }
            else
            {
                out += c;
            }
        }
    }
    return out + "'";
}

std::string Base64(std::string_view bytes)
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3)
    {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(group >> 18) & 63];
        out += alphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    }
    return out;
}
