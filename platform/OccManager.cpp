#include "OccManager.h"

namespace
{
bool g_enabled = false;

OleControlFactory& Factory()
{
    static OleControlFactory factory;
    return factory;
}
} // namespace

void AfxEnableControlContainer(COccManager*)
{
    g_enabled = true;
}

bool AfxIsControlContainerEnabled()
{
    return g_enabled;
}

void AfxSetOleControlFactory(OleControlFactory factory)
{
    Factory() = std::move(factory);
}

QWidget* AfxCreateOleControlWidget(const OleControlItem& item, QWidget* parent)
{
    if (Factory())
        return Factory()(item, parent);
    // Owned by its parent widget.
    auto* placeholder = new QWidget(parent);
    placeholder->setObjectName(QStringLiteral("placeholder%1").arg(item.nID));
    return placeholder;
}

const OleControlItem* AfxGetOleControlItem(HWND hWnd)
{
    const CWindowRecord* record = AfxFindWindow(hWnd);
    return record && record->m_ole ? &*record->m_ole : nullptr;
}
