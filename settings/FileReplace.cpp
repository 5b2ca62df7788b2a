#include "settings/FileReplace.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::settings {

namespace {

// Names of the temporary files of a save: "." + the file's name (its first 200 bytes) +
// "." + a number.
std::string TemporaryPrefix(std::string_view base)
{
    base = base.substr(0, 200);
    std::string prefix;
    prefix.reserve(base.size() + 2);
    prefix += '.';
    prefix += base;
    prefix += '.';
    return prefix;
}

bool IsTemporaryName(std::string_view name, std::string_view prefix) noexcept
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 20 || !name.starts_with(prefix))
        return false;
    return name.substr(prefix.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

bool SameFile(const struct stat& a, const struct stat& b) noexcept
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `fd`, opened on `path`, is still the file of that name.
bool StillNamed(int fd, const std::string& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && SameFile(held, named);
}

// A save holds an exclusive lock on its temporary file from before the file bears a name
// until it has been renamed over the settings file, so a temporary file that nobody holds
// locked was left by a save that was cut short. Where the file system has no locks, no
// temporary file is ever taken for a stale one.
enum class Lock { Held, Busy, Unavailable };

Lock TryLock(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? Lock::Busy : Lock::Unavailable;
    }
    return Lock::Held;
}

// Removes the temporary files that cut-short saves of `base` left in `directory`, and
// nothing that a save in progress, of this or another running program, still holds.
void RemoveStaleTemporaries(const std::string& directory, const std::string& base)
{
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr)
        return;
    const std::string prefix = TemporaryPrefix(base);
    while (const dirent* entry = ::readdir(listing)) {
        if (!IsTemporaryName(entry->d_name, prefix))
            continue;
        const std::string path = directory + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat info {};
        // Locked by us, and still under that name: the save that made it is gone.
        if (TryLock(fd) == Lock::Held && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
            && StillNamed(fd, path))
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(listing);
}

// Draws temporary names from a seed of the clock and the process.
class TemporaryNames {
public:
    TemporaryNames(const std::string& directory, const std::string& base)
        : stem_(directory + "/" + TemporaryPrefix(base)),
          seed_(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
                ^ (static_cast<std::uint64_t>(::getpid()) << 32))
    {
    }

    std::string Next()
    {
        seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
        return stem_ + std::to_string(seed_ >> 33);
    }

private:
    std::string stem_;
    std::uint64_t seed_;
};

constexpr int NameAttempts = 100;

// A fresh named temporary file, locked; -1 when none can be made.
int CreateNamedTemporary(TemporaryNames& names, mode_t mode, std::string& temporary)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary = names.Next();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Between the creation and the lock, another save's clean-up may have taken the
        // fresh file for a stale one: then it is no longer ours, and another name is drawn.
        const Lock lock = TryLock(fd);
        if (lock == Lock::Unavailable || (lock == Lock::Held && StillNamed(fd, temporary)))
            return fd;
        ::close(fd);
    }
    return -1;
}

// Gives an unnamed file (O_TMPFILE) a temporary name; false when it cannot.
bool LinkUnnamed(int fd, TemporaryNames& names, std::string& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary = names.Next();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        // Without /proc, the system may still link the descriptor itself.
        if (::linkat(fd, "", AT_FDCWD, temporary.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The folder part of a full path ("/" for a name at the root).
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// What a symbolic link holds; empty when it cannot be read.
std::string LinkText(const std::string& path)
{
    std::string text(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < text.size()) {
            text.resize(static_cast<std::size_t>(n));
            return text;
        }
        if (text.size() >= PATH_MAX)
            return {};
        text.resize(text.size() * 2);
    }
}

// True when the user may write a file or folder (`access`: W_OK, with X_OK for a folder)
// and its mode lets its owner write it: something set read-only stays so even for a user
// whom permissions do not stop.
bool MayWrite(const std::string& path, const struct stat& info, int access)
{
    return (info.st_mode & S_IWUSR) != 0 && ::faccessat(AT_FDCWD, path.c_str(), access, AT_EACCESS) == 0;
}

// The file a save writes, as it stood before the save.
struct Target {
    std::string path;
    bool exists = false;
    struct stat info {};
};

// As many symbolic links in a row as the system follows.
constexpr int MaxLinks = 40;

// The file that `path` names for a save: the path itself, or the ordinary file that
// symbolic links of the user's own lead to; nothing when the save must not go there.
std::optional<Target> FindTarget(const std::string& path)
{
    Target target{path};
    for (int links = 0; links <= MaxLinks; ++links) {
        if (::lstat(target.path.c_str(), &target.info) != 0) {
            // Nothing bears the name: a new file, unless a link led there.
            if (errno == ENOENT && links == 0)
                return target;
            return std::nullopt;
        }
        if (S_ISREG(target.info.st_mode)) {
            target.exists = true;
            return target;
        }
        // Someone else's link could lead the save into any file this user may write.
        if (!S_ISLNK(target.info.st_mode) || target.info.st_uid != ::geteuid())
            return std::nullopt;
        std::string next = LinkText(target.path);
        if (next.empty())
            return std::nullopt;
        if (next.front() != '/')
            next = FolderOf(target.path) + "/" + next;
        target.path = std::move(next);
    }
    return std::nullopt;
}

enum class Written { Done, Failed, IdentityLost };

// Gives a new file the old one's owner, group and mode, then the text, all on the disk.
Written Fill(int fd, const Target& target, std::string_view text)
{
    if (target.exists) {
        const struct stat& old = target.info;
        struct stat made {};
        if (::fstat(fd, &made) != 0)
            return Written::Failed;
        // A folder's set-group-ID bit gives a new file the folder's group, not the user's.
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid)
            && ::fchown(fd, old.st_uid, old.st_gid) != 0)
            return Written::IdentityLost;
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return Written::IdentityLost;
    }
    return platform::WriteAll(fd, text) == 0 && ::fsync(fd) == 0 ? Written::Done : Written::Failed;
}

// Writes the text to a new file of the folder and renames it over the target, so that the
// target holds either its old or its new content whole.
Written WriteBeside(const Target& target, const std::string& folder, std::string_view text,
                    const SaveWays& ways)
{
    const std::string base = target.path.substr(target.path.rfind('/') + 1);
    const mode_t createMode = target.exists ? S_IRUSR | S_IWUSR : 0666;
    TemporaryNames names(folder, base);
    std::string temporary;
    int fd = ways.unnamedFile ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode) : -1;
    if (fd >= 0) {
        // Locked before it has a name, so that no clean-up ever takes it for a stale one.
        (void)TryLock(fd);
        const Written filled = Fill(fd, target, text);
        if (filled != Written::Done) {
            ::close(fd);
            return filled;
        }
        if (!ways.nameUnnamedFile || !LinkUnnamed(fd, names, temporary)) {
            ::close(fd);
            fd = -1; // written again, as a named file
        }
    }
    if (fd < 0) {
        fd = CreateNamedTemporary(names, createMode, temporary);
        if (fd < 0)
            return Written::Failed;
        const Written filled = Fill(fd, target, text);
        if (filled != Written::Done) {
            ::unlink(temporary.c_str());
            ::close(fd);
            return filled;
        }
    }
    // The lock is let go only once the file bears its final name; what it holds is on the
    // disk already.
    const bool renamed = ::rename(temporary.c_str(), target.path.c_str()) == 0;
    if (!renamed)
        ::unlink(temporary.c_str());
    ::close(fd);
    if (!renamed)
        return Written::Failed;
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
    return Written::Done;
}

// Writes the text into the target itself and flushes it to disk. The file is opened
// without following a link, and written only while it is still the file that was checked.
bool WriteInPlace(const Target& target, std::string_view text)
{
    const int fd = ::open(target.path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat now {};
    bool ok = ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && SameFile(now, target.info);
    // The room a longer text needs is taken before the first byte changes, so that a full
    // disk refuses the save instead of tearing the file.
    if (ok && static_cast<std::uint64_t>(now.st_size) < text.size()
        && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(text.size())) != 0)
        ok = errno == EOPNOTSUPP || errno == ENOSYS;
    ok = ok && platform::WriteAll(fd, text) == 0 && ::ftruncate(fd, static_cast<off_t>(text.size())) == 0
         && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

bool ReplaceFile(const std::string& path, std::string_view text, const SaveWays& ways)
{
    const std::optional<Target> target = FindTarget(path);
    if (!target || (target->exists && !MayWrite(target->path, target->info, W_OK)))
        return false;
    const std::string folder = FolderOf(target->path);
    struct stat folderInfo {};
    const bool folderWritable = ::stat(folder.c_str(), &folderInfo) == 0 && S_ISDIR(folderInfo.st_mode)
                                && MayWrite(folder, folderInfo, W_OK | X_OK);
    Written written = Written::IdentityLost;
    if (folderWritable && (!target->exists || target->info.st_nlink == 1))
        written = WriteBeside(*target, folder, text, ways);
    // Where a new file would lose the folder's refusal, a hard link, the owner or the
    // group, the file itself takes the text.
    if (written == Written::IdentityLost)
        written = target->exists && WriteInPlace(*target, text) ? Written::Done : Written::Failed;
    if (written == Written::Done && folderWritable)
        RemoveStaleTemporaries(folder, target->path.substr(target->path.rfind('/') + 1));
    return written == Written::Done;
}

} // namespace fendix::settings
