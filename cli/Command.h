// SPDX-License-Identifier: GPL-3.0-or-later
// One carvalet-cli command: its name, its options, its help and what it does. Each command
// lives in its own file and is listed once in main.cpp.
#pragma once

#include "cli/Arguments.h"

#include <string>
#include <vector>

struct Command
{
    std::string name;
    // The usage after "carvalet-cli "; its further lines are indented to follow the name.
    std::string synopsis;
    // What the command does, for the general help and its own.
    std::string summary;
    // The command's own help, after its usage line and summary.
    std::string details;
    std::vector<Option> options;
    int (*run)(const Arguments& args);
};

const Command& HideCommand();
const Command& UnhideCommand();
const Command& InfoCommand();
const Command& AnalyzeCommand();
