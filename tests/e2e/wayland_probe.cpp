// SPDX-License-Identifier: GPL-3.0-or-later
// The real window under whatever display Qt is given, driven to its password dialog for the
// Wayland stage: wayland_probe PICTURE STATE_FILE DONE_FILE. Once the dialog is shown it saves
// each window's own picture of itself beside STATE_FILE (main.png, dialog.png), then writes
// the two windows' sizes to STATE_FILE; once DONE_FILE exists it cancels the dialog and closes
// the window. Any message box is a failure.
#include "platform/kernel/Text.h"
#include "platform/mfc/OccManager.h"
#include "platform/mfc/WinApp.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "platform/user/Resources.h"
#include "res/CarvaletResources.h"
#include "res/Resource.h"
#include "ui/StegoDlg.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace
{
CWinApp g_app;

QString SizeOf(const QWidget* widget)
{
    return QStringLiteral("%1 %2").arg(widget->width()).arg(widget->height());
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 4)
    {
        std::fputs("usage: wayland_probe PICTURE STATE_FILE DONE_FILE\n", stderr);
        return 2;
    }
    const QString stateFile = QString::fromLocal8Bit(argv[2]);
    const QString doneFile = QString::fromLocal8Bit(argv[3]);
    layer::SetResourceModule(&CarvaletResources());
    AfxEnableControlContainer();

    CStegoDlg dlg;
    dlg.OpenImageOnStart(layer::WindowsPath(argv[1]).c_str());
    g_app.m_pMainWnd = &dlg;
    QTimer poll;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            if (ctx.kind == ModalKind::MessageBox)
            {
                std::fprintf(stderr, "message box: %s\n", ctx.text.c_str());
                std::_Exit(1);
            }
            if (ctx.hWnd == dlg.m_hWnd)
            {
                // The picture opens first: its message is posted before this one.
                dlg.PostMessage(WM_COMMAND, MAKEWPARAM(WORD(IDC_UNHIDE), BN_CLICKED), 0);
                return;
            }
            const HWND hPassword = ctx.hWnd;
            QWidget* password = ctx.widget;
            QObject::connect(&poll, &QTimer::timeout,
                             [&, hPassword, password]
                             {
                                 if (!password->isVisible() || !QFile::exists(doneFile))
                                     return;
                                 poll.stop();
                                 SendMessageA(hPassword, WM_COMMAND, IDC_CANCEL_BUTTON, 0);
                                 dlg.PostMessage(WM_COMMAND, IDCANCEL, 0);
                             });
            // The pictures that let the test find both windows in a screenshot of the screen.
            const QString folder = QFileInfo(stateFile).absolutePath() + '/';
            WidgetFromHwnd(dlg.m_hWnd)->grab().save(folder + "main.png");
            password->grab().save(folder + "dialog.png");
            QFile state(stateFile);
            if (state.open(QIODevice::WriteOnly))
                state.write(
                    (SizeOf(WidgetFromHwnd(dlg.m_hWnd)) + ' ' + SizeOf(password) + '\n').toUtf8());
            poll.start(50);
        });
    dlg.DoModal();
    g_app.m_pMainWnd = nullptr;
    return 0;
}
