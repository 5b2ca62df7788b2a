#include "platform/ByteSource.h"

#include "platform/FileSystem.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

FileSource::FileSource(const std::string& path) : path_(path)
{
    // Not blocking on open: a named pipe without a writer must not hang the reader.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0)
        RaiseInOutError(errno, path_);
    struct stat info {};
    int failure = 0;
    if (::fstat(fd_, &info) != 0)
        failure = errno;
    else if (S_ISDIR(info.st_mode))
        failure = EISDIR;
    else if (!S_ISREG(info.st_mode))
        failure = EACCES; // devices and pipes are no description files
    if (failure != 0) {
        ::close(fd_);
        fd_ = -1;
        RaiseInOutError(failure, path_);
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

FileSource::~FileSource()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t FileSource::Read(char* into, std::size_t size)
{
    if (fd_ < 0)
        RaiseInOutError(EBADF, path_);
    for (;;) {
        const ssize_t got = ::read(fd_, into, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            RaiseInOutError(errno, path_);
    }
}

std::int64_t FileSource::Size()
{
    return FileSizeOf(path_);
}

void FileSource::Close()
{
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0)
        RaiseInOutError(errno, path_);
}

MemorySource::MemorySource(std::string_view bytes, std::size_t chunk, std::optional<std::int64_t> size,
                           std::optional<std::size_t> failAfter)
    : bytes_(bytes), chunk_(std::max<std::size_t>(chunk, 1)),
      size_(size.value_or(static_cast<std::int64_t>(bytes_.size()))), failAfter_(failAfter)
{
}

std::size_t MemorySource::Read(char* into, std::size_t size)
{
    if (failAfter_ && read_ >= *failAfter_)
        RaiseInOutError(EIO);
    std::size_t count = std::min({size, chunk_, bytes_.size() - read_});
    if (failAfter_)
        count = std::min(count, *failAfter_ - read_);
    std::memcpy(into, bytes_.data() + read_, count);
    read_ += count;
    return count;
}

} // namespace fendix::platform
