#include "DialogBuilder.h"

#include "ControlHost.h"
#include "QtBridge.h"
#include "Text.h"
#include "WindowClasses.h"
#include "WindowWidget.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <cstring>

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

std::span<const unsigned char> PersistedStreamOf(const DialogTemplate& t, int id)
{
    return CControlHost::FindInitRecord(t.initData, static_cast<WORD>(id))
        .value_or(std::span<const unsigned char>());
}
} // namespace

QFont AfxDialogFont(const DialogTemplate& t)
{
    QFont font;
    QStringList families;
    if (t.fontFace)
        families << AfxTextToQString(t.fontFace);
    // Look-alikes of the classic dialog face, then whatever sans serif face is installed.
    families << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Arimo") << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(t.pointSize ? t.pointSize : 8);
    font.setWeight(t.weight >= 600 ? QFont::Bold : QFont::Normal);
    return font;
}

SIZE AfxFontBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

HWND AfxCreateDialogWindow(const DialogTemplate& t, HWND hWndOwner)
{
    QWidget* owner = WidgetFromHwnd(hWndOwner);
    // Owned by its owner window when it has one, else by the dialog object through its handle.
    auto* window = new CWindowWidget(owner, FlagsOf(t, owner != nullptr));
    CWindowRecord& record = AfxRegisterWindow(window, AfxDefDlgProc, "#32770");
    record.m_style = t.style;
    record.m_exStyle = t.exStyle;
    record.m_hWndOwner = hWndOwner;
    const HWND hDlg = record.Handle();

    const QFont font = AfxDialogFont(t);
    window->setFont(font);
    record.m_baseUnits = AfxFontBaseUnits(font);
    const RECT client = AfxMapDialogRect(RECT{0, 0, t.cx, t.cy}, record.m_baseUnits);
    if (t.style & WS_THICKFRAME)
        window->resize(client.right, client.bottom);
    else
        window->setFixedSize(client.right, client.bottom);
    window->setWindowTitle(AfxTextToQString(t.caption ? t.caption : ""));
    window->setObjectName(QStringLiteral("dialog%1").arg(t.id));

    for (const DialogItem& item : t.items)
    {
        const RECT px = AfxMapDialogRect(RECT{item.x, item.y, item.x + item.cx, item.y + item.cy},
                                         record.m_baseUnits);
        if (!AfxCreateDialogControl(item, px, hDlg, PersistedStreamOf(t, item.id)))
        {
            DestroyWindow(hDlg);
            return HWND();
        }
    }
    Centre(window, owner);
    return hDlg;
}
