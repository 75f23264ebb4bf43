#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "common/Cp1252.h"
#include "engine/PasswordRecord.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace
{

// One line of the report: its label for people, its key for --json, and its value.
struct Field
{
    std::string label;
    std::string key;
    std::string text;
    // The value as JSON: a number, true or false, or a quoted string.
    std::string json;
};

std::string JsonString(const std::string& bytes)
{
    std::string out = "\"";
    // JSON is UTF-8: a name that is not is read as Windows-1252, as the window shows it.
    for (const char c : carvalet::DecodeText(bytes))
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += c;
        }
        else if (static_cast<unsigned char>(c) < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        }
        else
        {
            out += c;
        }
    }
    return out + "\"";
}

std::vector<Field> Report(const std::string& image, const CarrierFile& carrier)
{
    const std::string size = std::to_string(carrier.Length());
    const std::string longest = std::to_string(LongestMessage(carrier.Length()));
    const bool hasRecord = IsPasswordRecord(carrier.Extract(PASSWORD_SLOT, ShowMessageFn{}));
    return {
        {"Image", "image", image, JsonString(image)},
        {"Size", "size", size + " bytes", size},
        {"Longest message", "longest_message", longest + " bytes", longest},
        {"Password record", "password_record", hasRecord ? "yes" : "no",
         hasRecord ? "true" : "false"},
    };
}

int Info(const Arguments& args)
{
    ExpectPositional(args, 1, "IMAGE");
    const std::string& image = args.positional[0];
    const CarrierFile carrier(image);
    const std::vector<Field> fields = Report(image, carrier);
    std::string text;
    if (args.Has("--json"))
    {
        for (const Field& field : fields)
        {
            text += (text.empty() ? "{" : ", ") + JsonString(field.key) + ": " + field.json;
        }
        text += "}\n";
    }
    else
    {
        for (const Field& field : fields)
        {
            text += field.label + ": " + field.text + "\n";
        }
    }
    PrintOut(text);
    return EXIT_DONE;
}

} // namespace

const Command& InfoCommand()
{
    static const Command command{
        "info",
        "info IMAGE [--json]",
        "tells the size of IMAGE, the longest message it can take, and whether it\n"
        "seems to hold a hidden message.",
        R"(  --json  one JSON object instead: "image", "size" and "longest_message" (bytes),
          "password_record" (true or false).
)",
        {{"--json", false}},
        Info,
    };
    return command;
}
