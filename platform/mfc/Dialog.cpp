// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Dialog.h"

#include "platform/mfc/WinApp.h"
#include "platform/user/DialogBuilder.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QWidget>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE<&CDialog::HandleInitDialog>(WM_INITDIALOG), ON_COMMAND<&CDialog::OnOK>(IDOK),
    ON_COMMAND<&CDialog::OnCancel>(IDCANCEL),
    END_MESSAGE_MAP()

        CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
    if (m_hWnd)
    {
        const HWND hWnd = Detach();
        ::DestroyWindow(hWnd);
    }
}

HWND CDialog::OwnerForModal() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    // Without a parent the application's main window owns the dialog, when it is another one.
    const CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd != this && IsWindow(app->m_pMainWnd->m_hWnd))
        return app->m_pMainWnd->m_hWnd;
    return HWND();
}

BOOL CDialog::CreateDialogWindow(HWND hWndOwner)
{
    const DialogTemplate* dialog = layer::FindDialogTemplate(m_nIDTemplate);
    if (!dialog || m_hWnd)
        return FALSE;
    const HWND hWnd = layer::CreateDialogWindow(*dialog, hWndOwner);
    if (!hWnd || !Attach(hWnd))
        return FALSE;
    m_bEnded = false;
    m_nModalResult = -1;
    SendMessage(WM_INITDIALOG, 0, 0);
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    if (!CreateDialogWindow(OwnerForModal()))
        return FALSE;
    const CWindowRecord* record = layer::FindWindow(m_hWnd);
    if (record && (record->m_style & WS_VISIBLE) && !m_bEnded)
        ShowWindow(SW_SHOW);
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (!CreateDialogWindow(OwnerForModal()))
        return -1;
    if (!m_bEnded)
    {
        CModalLoop loop(ModalKind::Dialog, WidgetFromHwnd(m_hWnd), m_hWnd);
        m_pModalLoop = &loop;
        loop.Run();
        m_pModalLoop = nullptr;
    }
    const int result = m_nModalResult;
    if (m_hWnd)
    {
        const HWND hWnd = Detach();
        ::DestroyWindow(hWnd);
    }
    return result;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bEnded = true;
    if (QWidget* widget = WidgetFromHwnd(m_hWnd))
        widget->hide();
    if (m_pModalLoop)
        m_pModalLoop->End(nResult);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    QWidget* widget = WidgetFromHwnd(m_hWnd);
    const BOOL result = OnInitDialog();
    // TRUE asks for the usual focus: the first tab stop, unless the dialog placed it itself.
    if (result && widget && !widget->focusWidget())
        NextDlgCtrl();
    return result;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

namespace
{
bool IsTabStop(QWidget* w, QWidget* dialog)
{
    return w != dialog && w->window() == dialog && (w->focusPolicy() & Qt::TabFocus) &&
           w->isEnabled() && w->isVisibleTo(dialog);
}

// Moves the focus along the dialog's tab order (template order), skipping hidden and disabled
// controls, as Tab and Shift+Tab do.
void StepFocus(QWidget* dialog, bool forward)
{
    if (!dialog)
        return;
    QWidget* start = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    for (QWidget* w = forward ? start->nextInFocusChain() : start->previousInFocusChain();
         w && w != start; w = forward ? w->nextInFocusChain() : w->previousInFocusChain())
    {
        if (IsTabStop(w, dialog))
        {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}
} // namespace

void CDialog::NextDlgCtrl() const
{
    StepFocus(WidgetFromHwnd(m_hWnd), true);
}

void CDialog::PrevDlgCtrl() const
{
    StepFocus(WidgetFromHwnd(m_hWnd), false);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl)
        pWndCtrl->SetFocus();
}
