// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/kernel/Text.h"
#include "platform/user/DefWindowProc.h"

#include <QTabBar>

namespace
{
LRESULT TabProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* bar = qobject_cast<QTabBar*>(record.m_widget.data());
    if (!bar)
        return layer::DefWindowProc(record, msg, wParam, lParam);
    switch (msg)
    {
    case TCM_GETCURSEL:
        return bar->currentIndex();
    case TCM_GETITEMCOUNT:
        return bar->count();
    case TCM_SETCURSEL:
    {
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= bar->count())
            return -1;
        const int previous = bar->currentIndex();
        const QSignalBlocker quiet(bar);
        bar->setCurrentIndex(index);
        return previous;
    }
    case TCM_INSERTITEMA:
    {
        const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (!item)
            return -1;
        const QString text = (item->mask & TCIF_TEXT) && item->pszText
                                 ? layer::TextToQString(item->pszText)
                                 : QString();
        const QSignalBlocker quiet(bar);
        return bar->insertTab(static_cast<int>(wParam), text);
    }
    default:
        return layer::DefWindowProc(record, msg, wParam, lParam);
    }
}

QWidget* MakeTabControl(const DialogItem&, QWidget* parent)
{
    return new QTabBar(parent);
}

void ConnectTabControl(CWindowRecord& record)
{
    auto* bar = qobject_cast<QTabBar*>(record.m_widget.data());
    const HWND hCtl = record.Handle();
    QObject::connect(bar, &QTabBar::currentChanged,
                     [hCtl]
                     {
                         CWindowRecord* r = layer::FindWindow(hCtl);
                         if (!r)
                             return;
                         NMHDR header{hCtl, static_cast<UINT_PTR>(r->m_nID), TCN_SELCHANGE};
                         SendMessageA(r->m_hWndParent, WM_NOTIFY, static_cast<WPARAM>(r->m_nID),
                                      reinterpret_cast<LPARAM>(&header));
                     });
}
} // namespace

const layer::ControlClass layer::kTabControlClass = {"SysTabControl32", MakeTabControl, TabProc,
                                                     ConnectTabControl};
