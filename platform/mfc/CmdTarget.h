// SPDX-License-Identifier: GPL-3.0-or-later
// CCmdTarget: the owner of a message map. Commands and messages are looked up in the class's
// own table first, then in each base class's table in turn.
#pragma once

#include "platform/mfc/MsgMap.h"
#include "platform/mfc/Object.h"

class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)

public:
    // Routes a command (WM_COMMAND, code and ID) to its handler; TRUE when one was found.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry of the chain of maps that matches; null when none does.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage,
                                                    UINT nCode, UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
};
