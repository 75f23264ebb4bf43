// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/DataExchange.h"

#include "platform/mfc/Wnd.h"

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    const HWND hCtl = ::GetDlgItem(m_pDlgWnd ? m_pDlgWnd->m_hWnd : HWND(), nIDC);
    if (!hCtl)
        Fail();
    m_hWndLastControl = hCtl;
    return hCtl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    return PrepareCtrl(nIDC);
}

void CDataExchange::Fail()
{
    throw Failure{};
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    CWnd* control = CWnd::FromHandle(pDX->PrepareEditCtrl(nIDC));
    if (pDX->m_bSaveAndValidate)
        control->GetWindowText(value);
    else
        control->SetWindowText(value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    const HWND hCtl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(hCtl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(hCtl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    if (!rControl.SubclassWindow(pDX->PrepareCtrl(nIDC)))
        pDX->Fail();
}
