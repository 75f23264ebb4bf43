// SPDX-License-Identifier: GPL-3.0-or-later
// A parsed skin file (format in FORMAT.md): how the window and each named button look.
#pragma once

#include "platform/com/Com.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// A colour from the file, or one of the four colours the control itself carries.
struct SkinColor
{
    enum class Source
    {
        Literal,
        Back,
        Fore,
        Panel,
        PanelText,
    };
    Source source = Source::Literal;
    QColor color;
};

enum class SkinState
{
    Normal,
    Hover,
    Pressed,
    Focused,
    Disabled,
    Active, // the page the button stands for is the one shown
    Count,
};

struct SkinLook
{
    SkinColor top, bottom, border, text;
};

struct SkinObject
{
    QString name;
    QString label;
    QString icon;                         // a built-in glyph name, or empty
    std::optional<QPainterPath> iconPath; // drawn on a 24 x 24 grid; wins over `icon`
    QString tooltip;
    QString accessibleName;
    QString activeWhen; // skin object whose button, when visible, makes this one active
    enum class Layout
    {
        Row,    // icon left of the label
        Column, // icon above the label
        Icon,   // icon only
        Label,  // label only
    } layout = Layout::Row;
    qreal radius = 4;   // pixels
    qreal fontSize = 0; // points; 0 keeps the button's own font size
    bool bold = false;
    SkinColor focus;
    std::array<SkinLook, static_cast<std::size_t>(SkinState::Count)> looks;
};

struct SkinWindow
{
    QSizeF design;
    SkinColor background;
    QRectF banner;
    SkinColor bannerTop, bannerBottom, bannerLine;
    QString title, subtitle, mark;
    SkinColor titleColor, subtitleColor;
    QRectF sidebar;
    SkinColor sidebarColor, sidebarLine;
    QRectF card;
    SkinColor cardColor, cardBorder;
    QString cardHint; // shown in the card while nothing covers it
    SkinColor cardHintColor;
    QRectF cardNote; // where the window's own line (ISkinControl::SetCardNote) goes
    SkinColor cardNoteColor, cardNoteAlertColor;
    qreal radius = 0; // design units
};

class CSkinFile
{
public:
    // S_OK, E_FILENOTFOUND for a file that cannot be read, E_INVALIDDATA for one that is not a
    // skin (Error() says where). A failed load leaves the object empty.
    HRESULT Load(const QString& path);
    HRESULT Parse(const QByteArray& text);

    bool IsLoaded() const { return m_loaded; }
    const QString& Error() const { return m_error; }

    const QString& Name() const { return m_name; }
    const QString& Author() const { return m_author; }
    const QString& Description() const { return m_description; }
    // The four colours used when the control's own are not applied.
    const std::array<QColor, 4>& DefaultColors() const { return m_defaults; }
    const SkinWindow& Window() const { return m_window; }
    const std::vector<SkinObject>& Objects() const { return m_objects; }
    const SkinObject* Find(const QString& name) const;

    static constexpr qint64 kMaxFileSize = 256 * 1024;

private:
    bool m_loaded = false;
    QString m_error;
    QString m_name, m_author, m_description;
    std::array<QColor, 4> m_defaults;
    SkinWindow m_window;
    std::vector<SkinObject> m_objects;
};
