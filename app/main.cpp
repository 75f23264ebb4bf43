// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "platform/mfc/WinApp.h"
#include "res/CarvaletResources.h"

#include <QGuiApplication>
#include <iostream>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = AnswerWithoutWindow(argc, argv, std::cout))
        return *status;
    // Desktops find the window's entry, and with it the icon, under this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(CARVALET_APP_ID));
    layer::SetResourceModule(&CarvaletResources());
    return AfxWinMain(argc, argv);
}
