#include "tests/common/RunProgram.h"

#include "tests/common/TempDir.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fendix::testing {

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& directory, const std::string& scratch)
{
    const std::string outPath = scratch + "/stdout.txt";
    const std::string errPath = scratch + "/stderr.txt";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(120);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(122);
        std::string path = program;
        std::vector<std::string> copies = args;
        std::vector<char*> argv{path.data()};
        for (auto& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(121);
    }
    int status = 0;
    Outcome outcome;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
