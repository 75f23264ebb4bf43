// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/OccManager.h"

#include "platform/mfc/AfxMessageBox.h"
#include "platform/mfc/WinApp.h"

#include <QGuiApplication>
#include <cstdio>
#include <utility>

namespace
{
bool g_failed = false;
} // namespace

void AfxEnableControlContainer(COccManager*)
{
    layer::EnableOleControls();
}

void layer::ReportOleControlFailure(const std::string& message)
{
    g_failed = true;
    std::fprintf(stderr, "%s: %s\n", AfxGetAppName(), message.c_str());
    std::fflush(stderr);
    // Without a display nobody could dismiss the box.
    const QString platform = QGuiApplication::platformName();
    if (qApp && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        AfxMessageBox(message.c_str(), MB_OK, 0);
}

bool layer::OleControlFailed()
{
    return g_failed;
}
