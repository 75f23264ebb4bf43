// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/Text.h"

#include "common/Cp1252.h"
#include "common/Utf8.h"

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
} // namespace

QString layer::ExactTextToQString(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty())
    {
        if (const std::optional<carvalet::Utf8Character> c = carvalet::FirstUtf8Character(bytes))
        {
            const char32_t one[] = {c->code};
            out.append(QString::fromUcs4(one, 1));
            bytes.remove_prefix(c->length);
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
            carvalet::AppendUtf8(out, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        }
        else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF)
            out += static_cast<char>(unit - kEscapeBase);
        else
            carvalet::AppendUtf8(out, unit); // other lone surrogates keep their three-byte form
    }
    return out;
}
