// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/common/IniFile.h"

#include "common/SafeFile.h"
#include "platform/kernel/Text.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

bool CIniFile::Fail(int line, const QString& what)
{
    m_error = QStringLiteral("line %1: %2").arg(line).arg(what);
    return false;
}

bool CIniFile::Parse(const QByteArray& bytes, const std::vector<QString>& unnamed,
                     const std::vector<QString>& named)
{
    m_sections.clear();
    m_error.clear();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return Fail(1, QStringLiteral("not UTF-8 text"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i)
    {
        const int number = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'['))
        {
            if (!line.endsWith(u']'))
                return Fail(number, QStringLiteral("a section header must end with ]"));
            const QString header = line.mid(1, line.size() - 2).trimmed();
            const qsizetype blank = header.indexOf(u' ');
            Section section;
            section.kind = (blank < 0 ? header : header.left(blank)).toLower();
            section.name = blank < 0 ? QString() : header.mid(blank + 1).trimmed();
            section.line = number;
            const auto& allowed = section.name.isEmpty() ? unnamed : named;
            if (std::find(allowed.begin(), allowed.end(), section.kind) == allowed.end())
                return Fail(number, QStringLiteral("unexpected section [%1]").arg(header));
            if (Find(section.kind, section.name) != nullptr)
                return Fail(number, QStringLiteral("section [%1] defined twice").arg(header));
            m_sections.push_back(std::move(section));
            continue;
        }
        if (m_sections.empty())
            return Fail(number, QStringLiteral("a setting before the first section"));
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            return Fail(number, QStringLiteral("expected key = value"));
        const QString key = line.left(equals).trimmed().toLower();
        auto& keys = m_sections.back().keys;
        if (keys.count(key) != 0)
            return Fail(number, QStringLiteral("%1 is set twice").arg(key));
        keys[key] = Entry{line.mid(equals + 1).trimmed(), number};
    }
    return true;
}

const CIniFile::Section* CIniFile::Find(const QString& kind, const QString& name) const
{
    for (const Section& s : m_sections)
        if (s.kind == kind && s.name == name)
            return &s;
    return nullptr;
}

bool CIniFile::Color(const Entry& e, QColor& out)
{
    const QString v = e.value.toLower();
    if (v == u"none")
    {
        out = QColor(Qt::transparent);
        return true;
    }
    bool ok = false;
    const uint rgb = v.mid(1).toUInt(&ok, 16);
    if (!v.startsWith(u'#') || !ok || (v.size() != 7 && v.size() != 9))
        return Fail(e.line, QStringLiteral("not a colour: %1").arg(e.value));
    out = v.size() == 7
              ? QColor::fromRgb(rgb)
              : QColor((rgb >> 24) & 0xFF, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

bool CIniFile::Numbers(const Entry& e, int count, std::vector<qreal>& out, bool allowNegative)
{
    QString text = e.value;
    text.replace(u'x', u' ').replace(u',', u' ');
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    out.clear();
    for (const QString& part : parts)
    {
        bool ok = false;
        const qreal value = part.toDouble(&ok);
        if (!ok || (value < 0 && !allowNegative) || value > 100000 || value < -100000)
            return Fail(e.line, QStringLiteral("not a number: %1").arg(part));
        out.push_back(value);
    }
    if (static_cast<int>(out.size()) != count)
        return Fail(e.line, QStringLiteral("expected %1 number(s)").arg(count));
    return true;
}

bool CIniFile::Number(const Entry& e, qreal& out)
{
    std::vector<qreal> v;
    if (!Numbers(e, 1, v))
        return false;
    out = v[0];
    return true;
}

bool CIniFile::Bool(const Entry& e, bool& out)
{
    const QString v = e.value.toLower();
    if (v == u"yes" || v == u"true" || v == u"1")
        out = true;
    else if (v == u"no" || v == u"false" || v == u"0")
        out = false;
    else
        return Fail(e.line, QStringLiteral("expected yes or no: %1").arg(e.value));
    return true;
}

HRESULT CIniFile::ReadWhole(const QString& path, qint64 maxSize, const QString& kind,
                            QByteArray& bytes, QString& error)
{
    // Read by its exact bytes: a folder whose name is not UTF-8 holds files too. Only a regular
    // file is read; a pipe would keep the window waiting for a writer.
    const std::string native = layer::ExactQStringToText(path);
    struct stat info = {};
    std::string data;
    const carvalet::FileError failed =
        native.empty() || ::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)
            ? carvalet::ErrorFromCode(ENOENT)
            : carvalet::ReadWholeFile(native, static_cast<std::size_t>(maxSize), data);
    if (failed.code == EFBIG)
    {
        error = QStringLiteral("larger than %1 can be").arg(kind);
        return E_INVALIDDATA;
    }
    if (failed)
    {
        error = QStringLiteral("cannot read %1").arg(layer::TextToQString(native));
        return E_FILENOTFOUND;
    }
    bytes = QByteArray(data.data(), qsizetype(data.size()));
    return S_OK;
}
