// SPDX-License-Identifier: GPL-3.0-or-later
// The text notation shared by skin and splash files: [Kind] or [Kind Name] sections of
// "Key = Value" lines; ';' or '#' starts a comment line; keys are case-blind, UTF-8 text.
#pragma once

#include "platform/com/Com.h"

#include <QColor>
#include <QString>

#include <algorithm>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

class CIniFile
{
public:
    struct Entry
    {
        QString value;
        int line = 0;
    };
    struct Section
    {
        QString kind; // lower case
        QString name; // empty for an unnamed section
        int line = 0;
        std::map<QString, Entry> keys; // lower-case keys
    };

    // `named` and `unnamed` list the lower-case section kinds allowed with and without a name.
    // Fails (with Error() giving the line) on anything else, on a setting set twice, or on text
    // that is not UTF-8.
    bool Parse(const QByteArray& bytes, const std::vector<QString>& unnamed,
               const std::vector<QString>& named);

    // Reads a whole regular file of at most `maxSize` bytes: S_OK, or E_FILENOTFOUND /
    // E_INVALIDDATA with the reason in `error` (`kind` names the file in it, e.g. "a skin").
    // `path` is native, its bytes as layer::ExactTextToQString gives them.
    static HRESULT ReadWhole(const QString& path, qint64 maxSize, const QString& kind,
                             QByteArray& bytes, QString& error);

    const std::vector<Section>& Sections() const { return m_sections; }
    const Section* Find(const QString& kind, const QString& name = {}) const;
    const QString& Error() const { return m_error; }

    // Each records the failure in Error() and returns false.
    bool Fail(int line, const QString& what);
    bool Color(const Entry& e, QColor& out); // #RRGGBB, #RRGGBBAA or none
    bool Numbers(const Entry& e, int count, std::vector<qreal>& out, bool allowNegative = false);
    bool Number(const Entry& e, qreal& out);
    bool Bool(const Entry& e, bool& out);

    // One row of a section's key table: the lower-case key, and how its value is read into a
    // `T` through a `Reader` (CIniFile or a file kind's own reader).
    template <typename Reader, typename T>
    using Setting = std::pair<const char*, bool (*)(Reader&, const Entry&, T&)>;

    // The row for `key`, or null.
    template <typename Reader, typename T, std::size_t N>
    static const Setting<Reader, T>* FindSetting(const Setting<Reader, T> (&table)[N],
                                                 const QString& key)
    {
        const auto it =
            std::find_if(std::begin(table), std::end(table),
                         [&](const auto& row) { return key == QLatin1String(row.first); });
        return it == std::end(table) ? nullptr : it;
    }

    // Reads every key of a section through `table`, in key order; a key the table does not
    // name fails.
    template <typename Reader, typename T, std::size_t N>
    static bool ReadKeys(Reader& r, const std::map<QString, Entry>& keys,
                         const Setting<Reader, T> (&table)[N], T& out)
    {
        for (const auto& [key, e] : keys)
        {
            const auto* row = FindSetting(table, key);
            if (row == nullptr)
                return r.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
            if (!row->second(r, e, out))
                return false;
        }
        return true;
    }

private:
    std::vector<Section> m_sections;
    QString m_error;
};
