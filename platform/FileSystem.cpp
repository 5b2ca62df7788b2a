#include "platform/FileSystem.h"

#include "platform/Ascii.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

bool IsHiddenName(std::string_view name) noexcept
{
    return !name.empty() && name.front() == '.';
}

// Attributes of a looked-up entry, or false for what the search never reports.
bool DescribeEntry(const std::string& path, std::string_view name, FoundFile& found)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    unsigned attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= faDirectory;
    else if (S_ISREG(info.st_mode))
        attributes |= faArchive;
    else
        return false;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= faReadOnly;
    if (IsHiddenName(name))
        attributes |= faHidden;
    found.name.assign(name);
    found.size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
    found.attributes = attributes;
    return true;
}

// A directory as an error names it: without its trailing "/", "." for the current one.
std::string DirectoryNamed(const std::string& directory)
{
    if (directory.empty())
        return ".";
    if (directory.size() > 1 && directory.back() == '/')
        return directory.substr(0, directory.size() - 1);
    return directory;
}

bool FoldedLess(const std::string& a, const std::string& b) noexcept
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto fa = UpperByte(static_cast<unsigned char>(a[i]));
        const auto fb = UpperByte(static_cast<unsigned char>(b[i]));
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

// The entries of `directory` (the current one when empty, else ending in "/") whose names
// match `mask`, sorted; the errno of a directory that cannot be listed, or 0.
int ListInto(const std::string& directory, std::string_view mask, unsigned attributes,
             std::vector<FoundFile>& found)
{
    DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
    if (listing == nullptr)
        return errno;
    const unsigned excluded = ~attributes & (faHidden | faSysFile | faVolumeID | faDirectory);
    FoundFile entry;
    while (const dirent* item = ::readdir(listing)) {
        const std::string_view name(item->d_name);
        if (!MatchesMask(name, mask))
            continue;
        if (!DescribeEntry(directory + std::string(name), name, entry))
            continue;
        if ((entry.attributes & excluded) != 0)
            continue;
        found.push_back(entry);
    }
    ::closedir(listing);
    std::sort(found.begin(), found.end(),
              [](const FoundFile& a, const FoundFile& b) { return FoldedLess(a.name, b.name); });
    return 0;
}

} // namespace

void SetCurrentDirectory(const std::string& path)
{
    if (::chdir(path.c_str()) != 0)
        RaiseInOutError(errno, path);
}

std::string CurrentDirectory()
{
    std::string result(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(result.data(), result.size()) != nullptr) {
            result.resize(result.find('\0'));
            return result;
        }
        if (errno != ERANGE)
            RaiseInOutError(errno);
        result.resize(result.size() * 2);
    }
}

std::string AbsolutePath(std::string_view path, std::string_view base)
{
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    std::string result(base);
    if (result.empty() || result.back() != '/')
        result += '/';
    result += path;
    return result;
}

std::string AbsolutePath(std::string_view path)
{
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    return AbsolutePath(path, CurrentDirectory());
}

std::string ResolvedDirectory(std::string_view path, std::string_view start)
{
    if (path.empty() || start.empty())
        return std::string(path);
    return AbsolutePath(path, start);
}

bool MatchesMask(std::string_view name, std::string_view mask) noexcept
{
    // Greedy matching with one backtrack point: the last "*" seen.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size()
                   && (mask[m] == '?'
                       || UpperByte(static_cast<unsigned char>(mask[m]))
                              == UpperByte(static_cast<unsigned char>(name[n])))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attributes)
{
    const std::size_t slash = pattern.rfind('/');
    std::string directory;
    std::string_view mask = pattern;
    if (slash != std::string::npos) {
        directory = pattern.substr(0, slash + 1);
        mask = std::string_view(pattern).substr(slash + 1);
    }
    std::vector<FoundFile> found;
    const int error = ListInto(directory, mask, attributes, found);
    if (error != 0 && error != ENOENT && error != ENOTDIR)
        RaiseInOutError(error, DirectoryNamed(directory));
    return found;
}

std::vector<FoundFile> ListDirectory(const std::string& directory, std::string_view mask, unsigned attributes)
{
    std::vector<FoundFile> found;
    const int error = ListInto(directory.empty() || directory.back() == '/' ? directory : directory + '/',
                               mask, attributes, found);
    if (error != 0)
        RaiseInOutError(error, DirectoryNamed(directory));
    return found;
}

bool LookUpFile(const std::string& path, FoundFile& found)
{
    const std::string_view name = ExtractFileName(path);
    if (IsHiddenName(name))
        return false;
    return DescribeEntry(path, name, found);
}

int WriteAll(int descriptor, std::string_view bytes) noexcept
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::int64_t FileSizeOf(const std::string& fileName)
{
    // The file system as a place of the rule.
    struct Disk {
        static bool LookUpFile(const std::string& path, FoundFile& found)
        {
            return platform::LookUpFile(path, found);
        }
        static std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attributes)
        {
            return platform::FindFiles(pattern, attributes);
        }
    } disk;
    return FileSizeIn(disk, fileName);
}

std::string_view ExtractFileName(std::string_view path) noexcept
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ProgramPath()
{
    std::string result(PATH_MAX, '\0');
    for (;;) {
        const ssize_t got = ::readlink("/proc/self/exe", result.data(), result.size());
        if (got < 0)
            RaiseInOutError(errno);
        if (static_cast<std::size_t>(got) < result.size()) {
            result.resize(static_cast<std::size_t>(got));
            return result;
        }
        result.resize(result.size() * 2);
    }
}

std::string ProgramDirectory()
{
    std::string path = ProgramPath();
    path.resize(path.rfind('/') + 1);
    return path;
}

} // namespace fendix::platform
