// The text notation shared by skin and splash files: [Kind] or [Kind Name] sections of
// "Key = Value" lines; ';' or '#' starts a comment line; keys are case-blind, UTF-8 text.
#pragma once

#include "platform/com/Com.h"

#include <QColor>
#include <QString>

#include <map>
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

private:
    std::vector<Section> m_sections;
    QString m_error;
};
