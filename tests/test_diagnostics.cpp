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

#include <functional>
#include <regex>
#include <string>

namespace {

constexpr char LINE[] = "netserver OnHandleRecvBC : send broad cast failed!\n";
constexpr int LINES = 20000; // about 1 MB: far more than a pipe and the writer's queue hold
// A child still running after this is taken as hung.
constexpr unsigned CHILD_LIMIT_S = 20;

// Runs body in a child whose standard output is stdoutFd (when not -1) and returns its wait
// status; a child that hangs is ended by an alarm.
int RunChild(int stdoutFd, const std::function<int()>& body)
{
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
    ASSERT_EQ(0, ::pipe(out));
    ASSERT_EQ(0, ::pipe(posted));
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(CHILD_LIMIT_S);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        PostLines(); // nobody reads yet: this must return all the same
        const bool told = ::write(posted[1], "1", 1) == 1;
        std::exit(told ? 0 : 1); // normal exit: the writer gets its moment for what waits
    }
    ::close(out[1]);
    ::close(posted[1]);
    char done = 0;
    ASSERT_EQ(1, ::read(posted[0], &done, 1)) << "posting blocked on the unread pipe";
    const std::string text = ReadAll(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    std::smatch note;
    ASSERT_TRUE(std::regex_search(
        text, note,
        std::regex("netserver Diagnose : ([0-9]+) lines dropped while standard output was blocked\n$")))
        << "no note of the dropped lines once output flowed";
    const std::string lines = text.substr(0, static_cast<std::size_t>(note.position(0)));
    const std::size_t written = lines.size() / (sizeof LINE - 1);
    ASSERT_EQ(written * (sizeof LINE - 1), lines.size()) << "a line was cut";
    EXPECT_EQ(std::string::npos, lines.find("netserver Diagnose"));
    EXPECT_EQ(static_cast<std::size_t>(LINES), written + std::stoul(note[1].str()));
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
