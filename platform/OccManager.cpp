#include "OccManager.h"

#include "MessageBox.h"
#include "WinApp.h"

#include <QGuiApplication>
#include <cstdio>
#include <utility>

namespace
{
bool g_enabled = false;
bool g_failed = false;

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

OleControlFactory AfxSetOleControlFactory(OleControlFactory factory)
{
    return std::exchange(Factory(), std::move(factory));
}

OleControlSite AfxCreateOleControl(const OleControlItem& item, QWidget* parent)
{
    if (Factory())
        return Factory()(item, parent);
    // Owned by its parent widget.
    auto* placeholder = new QWidget(parent);
    placeholder->setObjectName(QStringLiteral("placeholder%1").arg(item.nID));
    return {placeholder, nullptr};
}

void AfxReportOleControlFailure(const std::string& message)
{
    g_failed = true;
    std::fprintf(stderr, "%s: %s\n", AfxGetAppName(), message.c_str());
    std::fflush(stderr);
    // Without a display nobody could dismiss the box.
    const QString platform = QGuiApplication::platformName();
    if (qApp && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        AfxMessageBox(message.c_str(), MB_OK, 0);
}

bool AfxOleControlFailed()
{
    return g_failed;
}

const OleControlItem* AfxGetOleControlItem(HWND hWnd)
{
    const CWindowRecord* record = AfxFindWindow(hWnd);
    return record && record->m_ole ? &*record->m_ole : nullptr;
}
