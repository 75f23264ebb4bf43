// SPDX-License-Identifier: GPL-3.0-or-later
// CEdit: an edit control. A multi-line edit with the want-return style keeps Enter, shows
// CR LF line breaks as lines and gives them back as CR LF.
#pragma once

#include "platform/mfc/Wnd.h"

class CEdit : public CWnd
{
    DECLARE_DYNAMIC(CEdit)

public:
    void SetSel(int nStartChar, int nEndChar);
    void LimitText(int nChars = 0);
};
