#include "platform/mfc/Button.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

void CButton::Click()
{
    SendMessage(BM_CLICK);
}
