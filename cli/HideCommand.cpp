#include "CarrierCodec.h"
#include "CliError.h"
#include "Command.h"
#include "CommandSupport.h"
#include "FileIo.h"
#include "PasswordInput.h"
#include "PasswordRecord.h"

#include <algorithm>

namespace
{

int Hide(const Arguments& args)
{
    ExpectPositional(args, 2, "IMAGE and OUTPUT");
    const std::string* text = args.Value("--message");
    const std::string* file = args.Value("--message-file");
    if ((text == nullptr) == (file == nullptr))
    {
        throw UsageError("give either --message or --message-file");
    }
    const std::string& image = args.positional[0];
    const std::string& output = args.positional[1];

    std::vector<std::uint8_t> carrier = ReadCarrier(image);
    // Anything longer than the carrier fails the size rule anyway, so no need to read it all.
    std::string message = text ? *text : ReadMessageFile(*file, carrier.size() + 1);
    message.erase(std::min(message.find('\0'), message.size()));
    if (message.empty())
    {
        throw CliError("There is no text to curtain");
    }

    const std::string password = AskPassword(args, true);
    if (const std::string problem = CheckNewPassword(password, password); !problem.empty())
    {
        throw CliError(problem);
    }

    // The window's order: the password record first, then the message.
    CodecMessages codec;
    for (const auto& [slot, record] :
         {std::pair{PASSWORD_SLOT, MakePasswordRecord(password)}, std::pair{MESSAGE_SLOT, message}})
    {
        if (EmbedText(carrier.data(), LengthOf(carrier), slot, record, codec.Fn()) != 1)
        {
            throw CliError("Operation aborted ..     ");
        }
    }
    WriteFileSafely(output, carrier.data(), carrier.size());
    return EXIT_DONE;
}

} // namespace

const Command& HideCommand()
{
    static const Command command{
        "hide",
        "hide IMAGE OUTPUT (--message TEXT | --message-file FILE) [--password-stdin]",
        "hides the message in a copy of IMAGE, written to OUTPUT, behind a password\n"
        "of 8 to 16 characters (only the first 8 count).",
        "",
        {{"--message", true}, {"--message-file", true}, {"--password-stdin", false}},
        Hide,
    };
    return command;
}
