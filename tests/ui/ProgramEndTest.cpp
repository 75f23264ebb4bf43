// SPDX-License-Identifier: GPL-3.0-or-later
// The real program when one of its controls cannot be created: it says which, and ends with a
// failure status instead of crashing or showing a window.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace
{
struct Outcome
{
    bool finished = false;
    int exitCode = 0;
    QString errors;
};

// Runs a copy of the program beside the given registry, without a display.
Outcome RunWithRegistry(const QString& registry)
{
    QTemporaryDir folder;
    const QString exe = folder.filePath("Carvalet");
    if (!QFile::copy(QStringLiteral(CARVALET_EXE), exe))
        return {};
    QFile file(folder.filePath("controls.reg"));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QTextStream(&file) << registry;
    file.close();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(exe, {});
    Outcome outcome;
    outcome.finished =
        program.waitForFinished(60000) && program.exitStatus() == QProcess::NormalExit;
    if (!outcome.finished)
        program.kill();
    outcome.exitCode = program.exitCode();
    outcome.errors = QString::fromUtf8(program.readAllStandardError());
    return outcome;
}

const QString kSplashLine =
    "{6241AF3F-2B41-41AD-A268-68CD710D34C2} = " + QCoreApplication::applicationDirPath() +
    "/libcarvalet-splash.so\n";
} // namespace

TEST(ProgramEnd, ControlThatCannotBeCreatedIsNamedAndTheProgramFails)
{
    const QString skin = "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}";
    for (const QString& registry :
         {kSplashLine, kSplashLine + skin + " = /nonexistent/libcarvalet-skin.so\n"})
    {
        const Outcome outcome = RunWithRegistry(registry);
        EXPECT_TRUE(outcome.finished) << "ended normally, not by a crash";
        EXPECT_NE(outcome.exitCode, 0);
        EXPECT_TRUE(outcome.errors.contains("The control " + skin + " could not be created"))
            << outcome.errors.toStdString();
    }
}
