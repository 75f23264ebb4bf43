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

std::string layer::TypedText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
    {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        {
            out += static_cast<char>(u);
            continue;
        }
        const auto* at = std::find(std::begin(kCp1252High), std::end(kCp1252High), u);
        if (at == std::end(kCp1252High))
            return QStringToText(text);
        out += static_cast<char>(0x80 + (at - std::begin(kCp1252High)));
    }
    return out;
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
