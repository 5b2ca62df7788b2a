#include "tests/common/RunProgram.h"

#include "tests/common/TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace fendix::testing {

namespace {

constexpr auto Patience = std::chrono::minutes(1);

// Reads what the program writes to the terminal until it has closed its side, or until
// `deadline`; false on the deadline.
bool ReadTerminal(int master, std::string& out, std::chrono::steady_clock::time_point deadline)
{
    char block[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{master, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return polled == 0 ? false : true;
        const ssize_t got = ::read(master, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return true; // EIO: every descriptor of the program's side is closed
        out.append(block, static_cast<std::size_t>(got));
    }
}

} // namespace

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& directory, const std::string& scratch, const RunOptions& options)
{
    const std::string outPath = options.outputFile.value_or(scratch + "/stdout.txt");
    const std::string errPath = scratch + "/stderr.txt";
    int master = -1;
    int slave = -1;
    if (options.terminal) {
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
            return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(120);
        const int out =
            options.terminal ? slave : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(122);
        if (options.terminal) {
            ::close(master);
            ::close(slave);
        }
        for (const auto& [name, value] : options.environment) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::string path = program;
        std::vector<std::string> copies = args;
        std::vector<char*> argv{path.data()};
        for (auto& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(121);
    }
    Outcome outcome;
    if (options.terminal) {
        ::close(slave);
        const bool ended =
            child < 0 || ReadTerminal(master, outcome.out, std::chrono::steady_clock::now() + Patience);
        ::close(master);
        if (!ended)
            ::kill(child, SIGKILL);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!options.terminal && !options.outputFile)
        outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    return outcome;
}

std::string BbsLine(std::string head, const std::string& description)
{
    head.resize(31, ' ');
    return head + description + "\r\n";
}

} // namespace fendix::testing
