// Diagnostic lines never stop the program, whatever standard output is. Each case runs in a child
// process of its own, since standard output and its writer belong to the whole process.
#include "diagnostics.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>

namespace {

constexpr char LINE[] = "netserver OnHandleRecvBC : send broad cast failed!\n";
constexpr int LINES = 20000; // about 1 MB: far more than a pipe and the writer's queue hold
// A child still running after this is taken as hung.
constexpr unsigned CHILD_LIMIT_S = 20;
// Output that has not moved for this long has all been written but the last partial block.
constexpr int QUIET_MS = 300;

// Runs body in a child whose standard output is stdoutFd (when not -1) and returns its wait
// status; a child that hangs is ended by an alarm.
int RunChild(int stdoutFd, const std::function<int()>& body)
{
    std::fflush(nullptr); // what the test program has buffered is not the child's to write
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(CHILD_LIMIT_S);
        if (stdoutFd >= 0)
            ::dup2(stdoutFd, STDOUT_FILENO);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

void PostLines()
{
    for (int i = 0; i < LINES; ++i)
        Diagnose(LINE);
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

} // namespace

TEST(Diagnostics, AnUnreadPipeNeitherBlocksNorLosesCountAndOutputFlowsAgain)
{
    int out[2];
    int posted[2];
    int leave[2];
    ASSERT_EQ(0, ::pipe(out));
    ASSERT_EQ(0, ::pipe(posted));
    ASSERT_EQ(0, ::pipe(leave));
    std::fflush(nullptr); // what the test program has buffered is not the child's to write
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(CHILD_LIMIT_S);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        PostLines(); // nobody reads yet: this must return all the same
        char byte = 1;
        if (::write(posted[1], &byte, 1) != 1 || ::read(leave[0], &byte, 1) != 1)
            std::_Exit(3);
        std::exit(0); // a normal exit, which writes the last partial block
    }
    ::close(out[1]);
    ::close(posted[1]);
    char byte = 0;
    ASSERT_EQ(1, ::read(posted[0], &byte, 1)) << "posting blocked on the unread pipe";
    // Reading lets output flow again; once it has gone quiet, the child may exit.
    std::string text;
    char buffer[65536];
    for (pollfd p{out[0], POLLIN, 0}; ::poll(&p, 1, QUIET_MS) > 0;) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_EQ(1, ::write(leave[1], &byte, 1));
    text += ReadAll(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // The notes of dropped lines come between whole lines, once output has flowed again.
    const std::regex note("netserver Diagnose : ([0-9]+) lines dropped while standard output was "
                          "blocked\n");
    std::size_t dropped = 0;
    for (std::sregex_iterator n(text.begin(), text.end(), note), end; n != end; ++n)
        dropped += std::stoul((*n)[1].str());
    const std::string lines = std::regex_replace(text, note, "");
    ASSERT_GT(dropped, 0u) << "no note of the dropped lines once output flowed";
    const std::size_t written = lines.size() / (sizeof LINE - 1);
    ASSERT_EQ(written * (sizeof LINE - 1), lines.size()) << "a line was cut";
    for (std::size_t at = 0; at < lines.size(); at += sizeof LINE - 1)
        ASSERT_EQ(0, lines.compare(at, sizeof LINE - 1, LINE)) << "a line was cut at " << at;
    EXPECT_EQ(static_cast<std::size_t>(LINES), written + dropped);
}

TEST(Diagnostics, ABrokenPipeNeitherKillsNorBlocksAndProgramsStartedKeepTheirSigpipe)
{
    int out[2];
    ASSERT_EQ(0, ::pipe(out));
    ::close(out[0]);
    const int status = RunChild(out[1], [] {
        PostLines();
        ::usleep(100 * 1000); // the writer meets the broken pipe meanwhile
        struct sigaction action {};
        sigset_t blocked;
        ::sigaction(SIGPIPE, nullptr, &action);
        ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
        return action.sa_handler == SIG_DFL && !sigismember(&blocked, SIGPIPE) ? 0 : 1;
    });
    ::close(out[1]);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(0, WEXITSTATUS(status)) << "SIGPIPE was ignored or blocked for the whole process";
}

TEST(Diagnostics, AClosedStandardOutputIsTheNullDeviceAndNoFileTakesItsPlace)
{
    const int status = RunChild(-1, [] {
        ::close(STDOUT_FILENO);
        AttachClosedStandardStreams();
        struct stat out {};
        struct stat null {};
        if (::fstat(STDOUT_FILENO, &out) != 0 || ::stat("/dev/null", &null) != 0
            || out.st_rdev != null.st_rdev)
            return 1;
        const int file = ::open("/proc/self/status", O_RDONLY);
        if (file == STDOUT_FILENO)
            return 2;
        PostLines();
        return 0;
    });
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}
