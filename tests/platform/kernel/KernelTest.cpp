// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/WinBase.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>
#include <iostream>
#include <string>

namespace
{
struct ModulePathOverride
{
    explicit ModulePathOverride(const char* path) { layer::SetModuleFileNameForTesting(path); }
    ~ModulePathOverride() { layer::SetModuleFileNameForTesting(nullptr); }
};
} // namespace

TEST(GetModuleFileName, GivesTheExecutablePathWithBackslashes)
{
    char buffer[4096];
    const DWORD n = GetModuleFileNameA(HMODULE(), buffer, sizeof(buffer));
    ASSERT_GT(n, 0u);
    const std::string path(buffer, n);
    EXPECT_EQ(path.find('/'), std::string::npos);
    EXPECT_EQ(path.substr(path.rfind('\\') + 1), "test_platform");
}

TEST(GetModuleFileName, CutsALongPathButAlwaysEndsTheString)
{
    const std::string longPath = "C:\\" + std::string(300, 'd') + "\\prog.exe";
    const ModulePathOverride module(longPath.c_str());
    char buffer[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(HMODULE(), buffer, MAX_PATH), MAX_PATH);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer).size(), MAX_PATH - 1);
}

TEST(CreateMutex, SecondCreateSucceedsAndSaysTheNameExists)
{
    const HANDLE first = CreateMutexA(nullptr, FALSE, "CarvaletTestMutexA");
    ASSERT_TRUE(first);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    const HANDLE second = CreateMutexA(nullptr, FALSE, "CarvaletTestMutexA");
    ASSERT_TRUE(second);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(CloseHandle(first)) << "a closed handle is stale";

    const HANDLE again = CreateMutexA(nullptr, FALSE, "CarvaletTestMutexA");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "the name went with its last handle";
    CloseHandle(again);
}

// Run as a child of the test below: takes the name, says so, and ends without closing it.
TEST(CreateMutex, HolderProcess)
{
    if (qEnvironmentVariableIsEmpty("CARVALET_MUTEX_HOLDER"))
        GTEST_SKIP() << "only as the child of NameDisappearsWithTheProcessThatHeldIt";
    CreateMutexA(nullptr, FALSE, "CarvaletTestMutexB");
    std::printf("held %d\n", GetLastError() == ERROR_SUCCESS ? 1 : 0);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}

TEST(CreateMutex, NameDisappearsWithTheProcessThatHeldIt)
{
    QProcess holder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CARVALET_MUTEX_HOLDER"), QStringLiteral("1"));
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=CreateMutex.HolderProcess")});
    ASSERT_TRUE(holder.waitForStarted());
    QByteArray output;
    while (!output.contains("held") && holder.waitForReadyRead(-1))
        output += holder.readAllStandardOutput();
    ASSERT_TRUE(output.contains("held 1")) << output.toStdString();

    const HANDLE whileHeld = CreateMutexA(nullptr, FALSE, "CarvaletTestMutexB");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(whileHeld);

    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(-1));
    const HANDLE afterwards = CreateMutexA(nullptr, FALSE, "CarvaletTestMutexB");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(afterwards);
}
