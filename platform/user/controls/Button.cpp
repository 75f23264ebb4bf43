// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/user/DefWindowProc.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace
{
LRESULT ButtonProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* button = qobject_cast<QAbstractButton*>(record.m_widget.data());
    switch (msg)
    {
    case BM_CLICK:
        if (button && button->isEnabled())
            button->click();
        return 0;
    case BM_GETCHECK:
        return button && button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        // Setting the state is not a click: no notification goes to the parent.
        if (button && button->isCheckable())
            button->setChecked(wParam == BST_CHECKED);
        return 0;
    default:
        return layer::DefWindowProc(record, msg, wParam, lParam);
    }
}

QWidget* MakeButton(const DialogItem& item, QWidget* parent)
{
    if ((item.style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
        return new QCheckBox(parent);
    // Qt's own exclusive siblings: one checked at a time, the arrow keys move and check, and
    // Tab reaches the checked one, as a dialog's radio group behaves.
    if ((item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
    {
        auto* radio = new QRadioButton(parent);
        // Tab enters the group at its checked button, however it came to be checked.
        QObject::connect(
            radio, &QAbstractButton::toggled,
            [radio](bool on)
            {
                if (!on)
                    return;
                for (auto* other :
                     radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
                    other->setFocusPolicy(other == radio ? Qt::StrongFocus : Qt::ClickFocus);
            });
        return radio;
    }
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    return button;
}

void ConnectButton(CWindowRecord& record)
{
    auto* button = qobject_cast<QAbstractButton*>(record.m_widget.data());
    const HWND hCtl = record.Handle();
    QObject::connect(button, &QAbstractButton::clicked,
                     [hCtl] { layer::SendCommand(hCtl, BN_CLICKED); });
}
} // namespace

const layer::ControlClass layer::kButtonClass = {"Button", MakeButton, ButtonProc, ConnectButton};
