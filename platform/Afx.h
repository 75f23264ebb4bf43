// Everything the program's own code is written against, in one include.
#pragma once

#include "Button.h"
#include "DataExchange.h"
#include "Dialog.h"
#include "Edit.h"
#include "Menu.h"
#include "MessageBox.h"
#include "OccManager.h"
#include "PaintDC.h"
#include "Rect.h"
#include "Static.h"
#include "String.h"
#include "TabCtrl.h"
#include "WinApp.h"
#include "WinBase.h"
#include "WinUser.h"
#include "Wnd.h"
