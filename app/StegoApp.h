// SPDX-License-Identifier: GPL-3.0-or-later
// CStegoApp: the application object. It finds the program's folder, prepares the process and
// runs the main window, which opens the picture named on the command line if there is one;
// the program ends when that window closes.
#pragma once

#include "platform/mfc/Afx.h"

class CStegoApp : public CWinApp
{
public:
    CStegoApp();
    ~CStegoApp() override;

    // The folder of the program's executable, without a trailing backslash.
    CString m_strAppDir;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CStegoApp theApp;
