#include "platform/kernel/Text.h"

#include <QStringDecoder>
#include <algorithm>

namespace
{
// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their C1 values, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromCp1252(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
    {
        const auto b = static_cast<unsigned char>(c);
        out.append(QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b)));
    }
    return out;
}
} // namespace

bool layer::IsValidUtf8(std::string_view bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

QString layer::TextToQString(std::string_view bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!decoder.hasError())
        return text;
    return FromCp1252(bytes);
}

std::string layer::QStringToText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

std::string layer::NativePath(std::string_view windowsPath)
{
    std::string out(windowsPath);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string layer::WindowsPath(std::string_view nativePath)
{
    std::string out(nativePath);
    std::replace(out.begin(), out.end(), '/', '\\');
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
