// Stands in for the window handle table until carvalet_platform is built: no handle resolves.
#include "platform/QtBridge.h"

QWidget* WidgetFromHwnd(HWND) { return nullptr; }
HWND HwndFromWidget(const QWidget*) { return HWND(); }
