// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of one command: its words sorted into positional arguments, options with a
// value and flags.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// A mistake in how the tool was called: the tool exits with EXIT_USAGE after the usage text.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Option
{
    std::string name;
    bool takesValue = false;
};

struct Arguments
{
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    bool Has(const std::string& name) const;
    // The option's value, or nullptr when it was not given.
    const std::string* Value(const std::string& name) const;
};

// "--name value", "--name=value" and flags; "--" ends the options. Throws UsageError on an
// option the command does not have, a missing value, or an option given twice.
Arguments ParseArguments(const std::string& command, const std::vector<std::string>& words,
                         const std::vector<Option>& options);

void ExpectPositional(const Arguments& args, std::size_t count, const std::string& names);
