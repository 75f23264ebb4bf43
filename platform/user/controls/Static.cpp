// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/gdi/ImageObject.h"
#include "platform/user/DefWindowProc.h"

#include <QLabel>

namespace
{
void ShowImage(CWindowRecord& record)
{
    auto* label = qobject_cast<QLabel*>(record.m_widget.data());
    if (!label)
        return;
    QPixmap pixmap;
    if (const QPixmap* bitmap = layer::PixmapFromHandle(HBITMAP(record.m_hImage)))
        pixmap = *bitmap;
    else if (const QIcon* icon = layer::IconFromHandle(HICON(record.m_hImage)))
        pixmap = icon->pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    label->setPixmap(pixmap);
    // An image static takes the size of its image.
    if (!pixmap.isNull())
        label->resize(pixmap.deviceIndependentSize().toSize());
}

LRESULT StaticProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case STM_SETIMAGE:
    case STM_SETICON:
    {
        const std::uint32_t previous = record.m_hImage;
        record.m_hImage = static_cast<std::uint32_t>(msg == STM_SETICON ? wParam : lParam);
        ShowImage(record);
        return static_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
    {
        const bool wantIcon = wParam == IMAGE_ICON;
        const bool isIcon = layer::IconFromHandle(HICON(record.m_hImage)) != nullptr;
        return wantIcon == isIcon ? static_cast<LRESULT>(record.m_hImage) : 0;
    }
    case STM_GETICON:
        return layer::IconFromHandle(HICON(record.m_hImage)) ? static_cast<LRESULT>(record.m_hImage)
                                                             : 0;
    default:
        return layer::DefWindowProc(record, msg, wParam, lParam);
    }
}

QWidget* MakeStatic(const DialogItem& item, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const DWORD type = item.style & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP)
    {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment horizontal = type == SS_CENTER  ? Qt::AlignHCenter
                                     : type == SS_RIGHT ? Qt::AlignRight
                                                        : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}
} // namespace

const layer::ControlClass layer::kStaticClass = {"Static", MakeStatic, StaticProc, nullptr};
