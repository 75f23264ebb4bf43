// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Analysis.h"
#include "cli/CarrierFile.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/CommandSupport.h"
#include "cli/Output.h"
#include "cli/PictureInfo.h"
#include "common/Cp1252.h"
#include "common/Utf8.h"
#include "hiding/CarrierPlan.h"

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
    const auto number = [](std::int64_t n) { return std::to_string(n); };
    const auto yesNo = [](const std::string& label, const std::string& key, bool value) {
        return Field{label, key, value ? "yes" : "no", value ? "true" : "false"};
    };
    const std::string size = number(carrier.Length());
    using hiding::MessageKind;
    const std::string longest =
        number(hiding::LongestInCarrier(MessageKind::Plain, carrier.Length()));
    const std::string longestSealed =
        number(hiding::LongestInCarrier(MessageKind::Sealed, carrier.Length()));
    const std::optional<MessageKind> kind =
        hiding::RecordKind(carrier.Extract(PASSWORD_SLOT, ShowMessageFn{}));
    // The picture's layout and a stealth message's room, from its headers only.
    const hiding::CarrierPlan plan(carrier.Reader(), carrier.Length());
    const std::string longestStealth = number(plan.StealthRoom());
    const std::string verdict = analysis::VerdictLine(carrier.Reader(), carrier.Length());
    carrier.CheckReads();
    std::vector<Field> fields = {
        {"Image", "image", ShownName(image), JsonString(image)},
        {"Size", "size", size + " bytes", size},
        {"Longest message", "longest_message", longest + " bytes", longest},
        {"Longest sealed message", "longest_sealed_message", longestSealed + " bytes",
         longestSealed},
        {"Longest stealth message", "longest_stealth_message", longestStealth + " bytes",
         longestStealth},
        yesNo("Password record", "password_record", kind.has_value()),
        yesNo("Sealed message", "sealed_message", kind == MessageKind::Sealed),
        {"Detector verdict", "verdict", verdict, JsonString(verdict)},
    };
    // "image" shows a name that is not UTF-8 as Windows-1252; its bytes stay recoverable.
    if (!carvalet::IsValidUtf8(image))
    {
        fields.insert(fields.begin() + 1, {"", "path_bytes", "", JsonString(Base64(image))});
    }
    for (InfoFact& fact : PictureFacts(plan))
    {
        fields.push_back({std::move(fact.label), std::move(fact.key), std::move(fact.value),
                          std::move(fact.json)});
    }
    return fields;
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
            if (!field.label.empty())
            {
                text += field.label + ": " + field.text + "\n";
            }
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
        "tells the size of IMAGE, the longest message it can take (plain,\n"
        "sealed and stealth), whether it seems to hold a hidden message, its\n"
        "picture layout, and whether hiding needs a conversion.",
        R"(  --json  one JSON object instead: "image", "size", "longest_message",
          "longest_sealed_message" and "longest_stealth_message" (bytes, the
          last at the safe 0.2 bits per value, as the picture's layout allows;
          hide --stealth may still refuse the picture), "password_record" and "sealed_message" (true or false),
          "path_bytes" (the name's bytes in base64, given only when the name
          is not UTF-8), then the layout: "format", "dimensions", "hiding"
          ("as-is", "partly-as-is", "convert" or "refuse"),
          "longest_safe_message" and the picture's own fields.
)",
        {{"--json", false}},
        Info,
    };
    return command;
}
