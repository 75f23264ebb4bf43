// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the program's own code is written against, in one include.
#pragma once

#include "platform/kernel/WinBase.h"
#include "platform/mfc/AfxMessageBox.h"
#include "platform/mfc/Button.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/Edit.h"
#include "platform/mfc/Menu.h"
#include "platform/mfc/OccManager.h"
#include "platform/mfc/PaintDC.h"
#include "platform/mfc/Rect.h"
#include "platform/mfc/Static.h"
#include "platform/mfc/String.h"
#include "platform/mfc/TabCtrl.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/WinUser.h"
