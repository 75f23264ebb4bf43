// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces the commands share.
#pragma once

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "engine/CarrierCodec.h"

#include <string>

// Reports codec messages on standard error and remembers that one was shown.
struct CodecMessages
{
    bool shown = false;
    ShowMessageFn Fn()
    {
        return [this](const std::string& text)
        {
            shown = true;
            PrintError(text + "\n");
        };
    }
};

// "-" names standard input or output.
inline bool IsStdio(const std::string* path)
{
    return path != nullptr && *path == "-";
}

// Standard input can feed one option at most; names those that would share it.
void ExpectOneStdinReader(const Arguments& args);
