// SPDX-License-Identifier: GPL-3.0-or-later
// Test main for the GUI rooms: a Qt application (offscreen, set by CTest) and the program's
// resources, as the real start-up has them.
#include "platform/user/Resources.h"
#include "res/CarvaletResources.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Listing the tests runs this too, without CTest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings the program remembers go to a scratch folder, never the user's own.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    layer::SetResourceModule(&CarvaletResources());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
