#include "tests/common/OrdinaryUser.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fendix::testing {

namespace {

// Gives a folder and everything in it to the ordinary user, links themselves included.
std::string GiveAway(const std::string& folder)
{
    const auto id = static_cast<uid_t>(OrdinaryUserId);
    if (::lchown(folder.c_str(), id, static_cast<gid_t>(id)) != 0)
        return "cannot give " + folder + " away";
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (::lchown(it->path().c_str(), id, static_cast<gid_t>(id)) != 0)
            return "cannot give " + it->path().string() + " away";
    return "";
}

} // namespace

std::string AsOrdinaryUser(const std::string& folder, const std::function<std::string()>& check,
                           const std::vector<unsigned>& groups)
{
    const bool root = ::geteuid() == 0;
    if (root && !folder.empty()) {
        // A folder the test made for itself is given away whole; its own permission bits,
        // which the test set, stay.
        if (const std::string failure = GiveAway(folder); !failure.empty())
            return failure;
    }
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no child process";
    if (child == 0) {
        ::close(channel[0]);
        std::string result;
        const auto id = static_cast<uid_t>(OrdinaryUserId);
        const std::vector<gid_t> memberOf(groups.begin(), groups.end());
        if (root
            && (::setgroups(memberOf.size(), memberOf.data()) != 0 || ::setgid(static_cast<gid_t>(id)) != 0
                || ::setuid(id) != 0)) {
            result = "cannot become the ordinary user";
        } else if (root && ::setuid(0) == 0) {
            result = "root rights could be taken back";
        } else {
            try {
                result = check();
            } catch (const std::exception& error) {
                result = std::string("unexpected error: ") + error.what();
            } catch (...) {
                result = "unexpected error";
            }
        }
        platform::WriteAll(channel[1], result);
        ::close(channel[1]);
        ::_exit(0); // nothing of the test's own process runs again in the child
    }
    ::close(channel[1]);
    std::string result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the check ended abnormally" + (result.empty() ? std::string() : ": " + result);
    return result;
}

} // namespace fendix::testing
