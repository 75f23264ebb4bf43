// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandSupport.h"

#include <vector>

void ExpectOneStdinReader(const Arguments& args)
{
    if (args.Has("--password-stdin") && args.Has("--password-file"))
    {
        throw UsageError("give either --password-stdin or --password-file");
    }
    std::vector<std::string> readers;
    if (args.Has("--password-stdin"))
    {
        readers.push_back("--password-stdin");
    }
    for (const char* option : {"--password-file", "--message-file"})
    {
        if (IsStdio(args.Value(option)))
        {
            readers.push_back(std::string(option) + " -");
        }
    }
    if (readers.size() > 1)
    {
        throw UsageError("standard input cannot serve both " + readers[0] + " and " + readers[1]);
    }
}
