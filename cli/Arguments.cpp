// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Arguments.h"

#include <algorithm>
#include <optional>

bool Arguments::Has(const std::string& name) const
{
    return flags.count(name) != 0 || values.count(name) != 0;
}

const std::string* Arguments::Value(const std::string& name) const
{
    const auto found = values.find(name);
    return found == values.end() ? nullptr : &found->second;
}

Arguments ParseArguments(const std::string& command, const std::vector<std::string>& words,
                         const std::vector<Option>& options)
{
    Arguments args;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i)
    {
        std::string word = words[i];
        // "-" alone is an argument: it stands for standard input or output.
        if (optionsEnded || word.size() < 2 || word[0] != '-')
        {
            args.positional.push_back(word);
            continue;
        }
        if (word == "--")
        {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> value;
        if (const auto eq = word.find('='); eq != std::string::npos)
        {
            value = word.substr(eq + 1);
            word.erase(eq);
        }
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return o.name == word; });
        if (option == options.end())
        {
            throw UsageError("unknown option " + word + " for " + command);
        }
        if (!option->takesValue)
        {
            if (value)
            {
                throw UsageError(word + " takes no value");
            }
            if (!args.flags.insert(word).second)
            {
                throw UsageError(word + " given twice");
            }
            continue;
        }
        if (!value)
        {
            if (i + 1 >= words.size())
            {
                throw UsageError(word + " needs a value");
            }
            value = words[++i];
            // A forgotten value would take the next option as the message: "--message --seal"
            // hides "--seal", unsealed.
            const std::string named = value->substr(0, value->find('='));
            if (named == "--help" || std::any_of(options.begin(), options.end(),
                                                 [&](const Option& o) { return o.name == named; }))
            {
                throw UsageError(word + " needs a value before " + named + " (write " + word + "=" +
                                 *value + " if that is the value)");
            }
        }
        if (!args.values.emplace(word, *value).second)
        {
            throw UsageError(word + " given twice");
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
