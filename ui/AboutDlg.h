// SPDX-License-Identifier: GPL-3.0-or-later
// CAboutDlg: the about box. The template says everything; the class only runs it.
#pragma once

#include "platform/mfc/Afx.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
