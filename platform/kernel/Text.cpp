#include "platform/kernel/Text.h"

#include "common/Cp1252.h"

#include <optional>
#include <utility>

namespace
{
// A native name may hold a backslash, which the Windows-style form uses as its separator: it
// stands there as a private-use character (as Cygwin maps the characters Windows forbids), and
// an escape keeps names that hold those characters themselves apart, so every path round-trips.
constexpr std::string_view kBackslash = "\xEF\x81\x9C"; // U+F05C
constexpr std::string_view kEscape = "\xEF\x80\x80";    // U+F000

bool At(std::string_view text, std::size_t i, std::string_view part)
{
    return text.substr(i, part.size()) == part;
}
} // namespace

bool layer::IsValidUtf8(std::string_view bytes)
{
    return carvalet::IsValidUtf8(bytes);
}

QString layer::TextToQString(std::string_view bytes)
{
    const std::string utf8 = carvalet::DecodeText(bytes);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string layer::QStringToText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

std::string layer::TypedText(const QString& text)
{
    std::string utf8 = QStringToText(text);
    std::optional<std::string> windowsForm = carvalet::EncodeCp1252(utf8);
    return windowsForm ? std::move(*windowsForm) : utf8;
}

std::string layer::NativePath(std::string_view windowsPath)
{
    std::string out;
    out.reserve(windowsPath.size());
    for (std::size_t i = 0; i < windowsPath.size();)
    {
        const std::size_t next = i + kEscape.size();
        if (At(windowsPath, i, kEscape) &&
            (At(windowsPath, next, kEscape) || At(windowsPath, next, kBackslash)))
        {
            out.append(windowsPath.substr(next, kEscape.size()));
            i = next + kEscape.size();
        }
        else if (At(windowsPath, i, kBackslash))
        {
            out += '\\';
            i += kBackslash.size();
        }
        else
        {
            out += windowsPath[i] == '\\' ? '/' : windowsPath[i];
            ++i;
        }
    }
    return out;
}

std::string layer::WindowsPath(std::string_view nativePath)
{
    std::string out;
    out.reserve(nativePath.size());
    for (std::size_t i = 0; i < nativePath.size();)
    {
        if (At(nativePath, i, kEscape) || At(nativePath, i, kBackslash))
        {
            out.append(kEscape).append(nativePath.substr(i, kEscape.size()));
            i += kEscape.size();
        }
        else
        {
            const char c = nativePath[i++];
            if (c == '/')
                out += '\\';
            else if (c == '\\')
                out += kBackslash;
            else
                out += c;
        }
    }
    return out;
}

namespace
{
constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point;
// 0 when there is none (a stray, overlong, surrogate or out-of-range sequence).
std::size_t Utf8Sequence(std::string_view bytes, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80)
    {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, code = lead & 0x1F, min = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, code = lead & 0x0F, min = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, code = lead & 0x07, min = 0x10000;
    else
        return 0;
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
    {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80)
        out += static_cast<char>(code);
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
} // namespace

QString layer::ExactTextToQString(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty())
    {
        char32_t code = 0;
        if (const std::size_t length = Utf8Sequence(bytes, code))
        {
            const char32_t one[] = {code};
            out.append(QString::fromUcs4(one, 1));
            bytes.remove_prefix(length);
            continue;
        }
        out.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[0]))));
        bytes.remove_prefix(1);
    }
    return out;
}

std::string layer::ExactQStringToText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        {
            AppendUtf8(out, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        }
        else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF)
            out += static_cast<char>(unit - kEscapeBase);
        else
            AppendUtf8(out, unit); // other lone surrogates keep their three-byte form
    }
    return out;
}
