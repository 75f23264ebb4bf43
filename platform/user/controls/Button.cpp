#include "platform/user/controls/Controls.h"

#include "platform/user/DefWindowProc.h"

#include <QPushButton>

namespace
{
LRESULT ButtonProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == BM_CLICK)
    {
        if (auto* button = qobject_cast<QPushButton*>(record.m_widget.data());
            button && button->isEnabled())
            button->click();
        return 0;
    }
    return layer::DefWindowProc(record, msg, wParam, lParam);
}

QWidget* MakeButton(const DialogItem& item, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    return button;
}

void ConnectButton(CWindowRecord& record)
{
    auto* button = qobject_cast<QPushButton*>(record.m_widget.data());
    const HWND hCtl = record.Handle();
    QObject::connect(button, &QPushButton::clicked,
                     [hCtl] { layer::SendCommand(hCtl, BN_CLICKED); });
}
} // namespace

const layer::ControlClass layer::kButtonClass = {"Button", MakeButton, ButtonProc, ConnectButton};
