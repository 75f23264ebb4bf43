// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/OleControls.h"

#include <QWidget>
#include <utility>

namespace
{
bool g_enabled = false;

OleControlFactory& Factory()
{
    static OleControlFactory factory;
    return factory;
}
} // namespace

void layer::EnableOleControls()
{
    g_enabled = true;
}

bool layer::OleControlsEnabled()
{
    return g_enabled;
}

OleControlFactory layer::SetOleControlFactory(OleControlFactory factory)
{
    return std::exchange(Factory(), std::move(factory));
}

OleControlSite layer::CreateOleControl(const OleControlItem& item, QWidget* parent)
{
    if (Factory())
        return Factory()(item, parent);
    // Owned by its parent widget.
    auto* placeholder = new QWidget(parent);
    placeholder->setObjectName(QStringLiteral("placeholder%1").arg(item.nID));
    return {placeholder, nullptr};
}

const OleControlItem* layer::GetOleControlItem(HWND hWnd)
{
    const CWindowRecord* record = layer::FindWindow(hWnd);
    return record && record->m_ole ? &*record->m_ole : nullptr;
}
