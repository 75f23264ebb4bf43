// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with the members the tests look at made public.
#pragma once

#include "ui/StegoDlg.h"

class CTestStegoDlg : public CStegoDlg
{
public:
    using CStegoDlg::m_hIcon;
    using CStegoDlg::m_nCarrierSize;
    using CStegoDlg::m_pCarrier;
    using CStegoDlg::m_picture;
    using CStegoDlg::m_pSkin;
    using CStegoDlg::m_stealthKdf;
    using CStegoDlg::m_strCarrierPath;
    using CStegoDlg::m_strImagePath;
    using CStegoDlg::m_strMessage;
    using CStegoDlg::m_tabPages;
};
