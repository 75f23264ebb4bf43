// SPDX-License-Identifier: GPL-3.0-or-later
// Signal guards in child processes: the action runs, then the signal has its old effect.
#include "common/SignalGuard.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// Each action writes one letter to the pipe the parent reads.
int g_report = -1;

void Report(void* letter)
{
    [[maybe_unused]] ssize_t n = ::write(g_report, letter, 1);
}

void ReportResumed(void*)
{
    [[maybe_unused]] ssize_t n = ::write(g_report, "r", 1);
}

char g_ended = 'e';

struct Child
{
    pid_t pid = -1;
    int report = -1;

    // Runs body in a child that reports through g_report, then exits with 0.
    template <typename Body> static Child Start(Body body)
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        Child child;
        child.pid = ::fork();
        if (child.pid == 0)
        {
            ::close(ends[0]);
            g_report = ends[1];
            body();
            ::_exit(0);
        }
        ::close(ends[1]);
        child.report = ends[0];
        return child;
    }
    std::string Reports()
    {
        std::string letters;
        char c;
        while (::read(report, &c, 1) == 1)
        {
            letters += c;
        }
        return letters;
    }
    // A letter, once the child has sent it.
    char Next()
    {
        char c = 0;
        return ::read(report, &c, 1) == 1 ? c : 0;
    }
};

} // namespace

TEST(SignalGuard, TheActionRunsThenTheSignalEndsTheProcess)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    {
        Child child = Child::Start(
            [signal]
            {
                carvalet::SignalGuard guard({SIGINT, SIGTERM, SIGHUP, SIGQUIT}, Report, &g_ended);
                ::raise(signal);
                ::pause();
            });
        int status = 0;
        ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal);
        EXPECT_EQ(child.Reports(), "e") << strsignal(signal);
    }
}

TEST(SignalGuard, AnIgnoredSignalStaysIgnoredAndAGuardGoneLeavesNoTrace)
{
    Child child = Child::Start(
        []
        {
            std::signal(SIGHUP, SIG_IGN);
            {
                carvalet::SignalGuard guard({SIGHUP, SIGTERM}, Report, &g_ended);
                ::raise(SIGHUP);
            }
            // The guard is gone: SIGTERM ends the process without the action.
            ::raise(SIGTERM);
        });
    int status = 0;
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(child.Reports(), "");
}

TEST(SignalGuard, AStopRunsTheActionAndContinuingRunsTheResumedOne)
{
    Child child = Child::Start(
        []
        {
            // A group of its own: a stop signal is dropped in a group with no parent outside.
            ::setpgid(0, 0);
            carvalet::SignalGuard guard({SIGTSTP}, Report, &g_ended, ReportResumed);
            ::raise(SIGTSTP);
            // Back here only after SIGCONT; a second stop works the same way.
            ::raise(SIGTSTP);
        });
    for (int stop = 0; stop < 2; ++stop)
    {
        int status = 0;
        ASSERT_EQ(::waitpid(child.pid, &status, WUNTRACED), child.pid);
        ASSERT_TRUE(WIFSTOPPED(status));
        EXPECT_EQ(WSTOPSIG(status), SIGTSTP);
        EXPECT_EQ(child.Next(), 'e');
        ::kill(child.pid, SIGCONT);
        EXPECT_EQ(child.Next(), 'r');
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
