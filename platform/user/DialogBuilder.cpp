// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/DialogBuilder.h"

#include "platform/kernel/Text.h"
#include "platform/user/DefWindowProc.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowWidget.h"
#include "platform/user/controls/Controls.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <cstring>
#include <deque>

namespace
{
Qt::WindowFlags FlagsOf(const DialogTemplate& t, bool owned)
{
    Qt::WindowFlags flags = (owned && !(t.exStyle & WS_EX_APPWINDOW)) ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint;
    if ((t.style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (t.style & WS_SYSMENU)
    {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (t.style & WS_MINIMIZEBOX)
            flags |= Qt::WindowMinimizeButtonHint;
        if (t.style & WS_MAXIMIZEBOX)
            flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

void Centre(QWidget* window, QWidget* owner)
{
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

bool IsLabel(const DialogItem& item)
{
    const DWORD type = item.style & SS_TYPEMASK;
    return item.windowClass && std::strcmp(item.windowClass, "Static") == 0 && type != SS_ICON &&
           type != SS_BITMAP && item.text && *item.text;
}

bool TakesLabel(const DialogItem& item)
{
    return item.windowClass && std::strcmp(item.windowClass, "Edit") == 0;
}

bool IsStatic(const DialogItem& item)
{
    return item.windowClass && std::strcmp(item.windowClass, "Static") == 0;
}

bool IsRadio(const DialogItem& item)
{
    return item.windowClass && std::strcmp(item.windowClass, "Button") == 0 &&
           (item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

// Windows' rule for screen readers: a field is named by the static label before it in template
// order, without its "&". Labels written one under the other ahead of their fields pair up
// with them in the same order; any other control in between ends the labels' reach.
class CLabelNames
{
public:
    void Add(const DialogItem& item, QWidget* widget)
    {
        if (IsLabel(item))
            m_labels.push_back(layer::StripPrefix(layer::TextToQString(item.text)));
        else if (!TakesLabel(item))
            m_labels.clear();
        else if (!m_labels.empty())
        {
            widget->setAccessibleName(m_labels.front());
            m_labels.pop_front();
        }
        AddToGroup(item, widget);
    }

private:
    // A label just before a group of radio buttons (the first with WS_GROUP) is the group's
    // label: each button, named by its own text, carries it as its description. Statics
    // without WS_GROUP (hint lines) may stand between the buttons.
    void AddToGroup(const DialogItem& item, QWidget* widget)
    {
        const bool radio = IsRadio(item);
        if (radio && (item.style & WS_GROUP))
            m_group = m_lastLabel;
        else if (!radio && ((item.style & WS_GROUP) || !IsStatic(item)))
            m_group.clear();
        if (radio && !m_group.isEmpty())
            widget->setAccessibleDescription(m_group);
        m_lastLabel =
            IsLabel(item) ? layer::StripPrefix(layer::TextToQString(item.text)) : QString();
    }

    std::deque<QString> m_labels;
    QString m_group;
    QString m_lastLabel;
};

std::span<const unsigned char> PersistedStreamOf(const DialogTemplate& t, int id)
{
    return layer::FindDialogInitRecord(t.initData, static_cast<WORD>(id))
        .value_or(std::span<const unsigned char>());
}
} // namespace

QFont layer::DialogFont(const DialogTemplate& t)
{
    QFont font;
    QStringList families;
    if (t.fontFace)
        families << layer::TextToQString(t.fontFace);
    // Look-alikes of the classic dialog face, then whatever sans serif face is installed.
    families << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Arimo") << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(t.pointSize ? t.pointSize : 8);
    font.setWeight(t.weight >= 600 ? QFont::Bold : QFont::Normal);
    return font;
}

SIZE layer::FontBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

HWND layer::CreateDialogWindow(const DialogTemplate& t, HWND hWndOwner)
{
    QWidget* owner = WidgetFromHwnd(hWndOwner);
    // Owned by its owner window when it has one, else by the dialog object through its handle.
    auto* window = new CWindowWidget(owner, FlagsOf(t, owner != nullptr));
    CWindowRecord& record = layer::RegisterWindow(window, layer::DefDlgProc, "#32770");
    record.m_style = t.style;
    record.m_exStyle = t.exStyle;
    record.m_hWndOwner = hWndOwner;
    const HWND hDlg = record.Handle();

    const QFont font = layer::DialogFont(t);
    window->setFont(font);
    record.m_baseUnits = layer::FontBaseUnits(font);
    const RECT client = layer::MapDialogRect(RECT{0, 0, t.cx, t.cy}, record.m_baseUnits);
    if (t.style & WS_THICKFRAME)
        window->resize(client.right, client.bottom);
    else
        window->setFixedSize(client.right, client.bottom);
    window->setWindowTitle(layer::TextToQString(t.caption ? t.caption : ""));
    window->setObjectName(QStringLiteral("dialog%1").arg(t.id));

    CLabelNames names;
    for (const DialogItem& item : t.items)
    {
        const RECT px = layer::MapDialogRect(
            RECT{item.x, item.y, item.x + item.cx, item.y + item.cy}, record.m_baseUnits);
        const HWND hCtl = layer::CreateDialogControl(item, px, hDlg, PersistedStreamOf(t, item.id));
        if (!hCtl)
        {
            DestroyWindow(hDlg);
            return HWND();
        }
        names.Add(item, WidgetFromHwnd(hCtl));
    }
    Centre(window, owner);
    return hDlg;
}
