// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/WinApp.h"

#include "platform/mfc/OccManager.h"

#include <QApplication>
#include <cstdlib>

int AfxWinMain(int argc, char* argv[])
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    int qtArgc = argc;
    QApplication qtApp(qtArgc, argv);
    // Qt has taken its own options out of argv.
    if (qtArgc > 1)
        layer::SetCommandLine({argv + 1, argv + qtArgc});
    app->SetAppName();
    QApplication::setApplicationName(QString::fromUtf8(app->m_pszAppName));
    const int result = app->InitInstance() ? app->Run() : app->ExitInstance();
    // A window whose controls could not be created never ran; the caller must not take that
    // for a normal end.
    return layer::OleControlFailed() && result == 0 ? EXIT_FAILURE : result;
}
