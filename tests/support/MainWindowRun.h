// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the main window modally as the program does and records what a person would see: the
// message boxes, whether the window closed by itself, and its state when first shown.
#pragma once

#include "platform/kernel/Text.h"
#include "platform/mfc/ControlHost.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "res/Resource.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestStegoDlg.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

inline const std::string kSkinFailure = "Could not load or apply the skin.";

struct MainWindowRun
{
    std::vector<std::string> messages;
    std::vector<std::string> captions;
    bool shown = false;
    bool closedByItself = true;
    // The window as first shown.
    int focus = 0;
    bool unhideEnabled = true;
    bool iconSet = false;
    std::uint32_t hDlg = 0;
    std::map<int, std::uint32_t> controls; // control ID -> window handle value
    INT_PTR result = 0;
};

// Runs `dlg`; OK on every message box; Esc once the window's loop runs, unless it has closed
// by itself before.
inline MainWindowRun RunMainWindow(CTestStegoDlg& dlg)
{
    MainWindowRun run;
    ModalScript script;
    script.Dialog(
        [&](const ModalContext& ctx)
        {
            run.shown = true;
            run.hDlg = ctx.hWnd.value;
            // The window may not be active yet; the child that will get the focus is known.
            run.focus = GetDlgCtrlID(HwndFromWidget(ctx.widget->focusWidget()));
            run.unhideEnabled = dlg.GetDlgItem(IDC_UNHIDE)->IsWindowEnabled();
            run.iconSet = static_cast<bool>(dlg.GetIcon(TRUE));
            for (int id : {IDC_IMAGE_PAGE, IDC_TEXT_PAGE, IDC_HELP_BUTTON, IDC_OPEN_IMAGE,
                           IDC_LOAD_TEXT, IDC_UNHIDE, IDC_HIDE, IDC_ABOUT, IDCANCEL})
                run.controls[id] = dlg.GetDlgItem(id)->m_hWnd.value;
            QTimer::singleShot(0, ctx.widget,
                               [&run, widget = ctx.widget]
                               {
                                   // Events posted before this one have been delivered.
                                   if (!widget->isVisible())
                                       return;
                                   run.closedByItself = false;
                                   QTest::keyClick(widget, Qt::Key_Escape);
                               });
        });
    run.result = dlg.DoModal();
    run.messages = script.messages;
    run.captions = script.captions;
    return run;
}

inline std::string StandInRegistry(const std::string& behaviour)
{
    return std::string(CARVALET_STAND_IN_DIR) + "/" + behaviour + ".reg";
}

// The calls the stand-in skin of `behaviour` received since last asked, one entry each.
inline std::vector<std::string> StandInCalls(const std::string& behaviour)
{
    const std::string library =
        std::string(CARVALET_STAND_IN_DIR) + "/libcarvalet_stand_in_" + behaviour + ".so";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return {};
    auto log = reinterpret_cast<const char* (*)()>(dlsym(handle, "CarvaletStandInLog"));
    std::vector<std::string> calls;
    std::istringstream entries(log ? log() : "");
    dlclose(handle); // only drops the count RTLD_NOLOAD added
    for (std::string entry; std::getline(entries, entry, ';');)
        calls.push_back(entry);
    return calls;
}

// The calls the program makes; the counts the stand-in reports after each Release are the
// container's business as much as the program's.
inline std::vector<std::string> WithoutReleases(const std::vector<std::string>& calls)
{
    std::vector<std::string> kept;
    for (const std::string& call : calls)
        if (!call.starts_with("Release:") && call != "Destroyed")
            kept.push_back(call);
    return kept;
}

// The folder the program runs from, as its own paths spell it.
inline std::string AppDirAsWindowsPath()
{
    return layer::WindowsPath(QCoreApplication::applicationDirPath().toStdString());
}
