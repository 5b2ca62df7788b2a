#include "platform/TextFile.h"

#include "platform/InOutError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

constexpr std::size_t InitialCapacity = std::size_t{256} << 10;
constexpr char EndOfFileMark = '\x1A';

} // namespace

TextFile::TextFile(const std::string& path)
{
    // Not blocking on open: a named pipe without a writer must not hang the reader.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        RaiseInOutError(errno);
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
        RaiseInOutError(failure);
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.reset(new char[InitialCapacity]);
    capacity_ = InitialCapacity;
}

TextFile::~TextFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TextFile::Close()
{
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0)
        RaiseInOutError(errno);
}

// Reads more bytes behind the undelivered ones; false when nothing more can come.
bool TextFile::Fill()
{
    if (final_)
        return false;
    if (fd_ < 0)
        RaiseInOutError(EBADF);
    const std::size_t kept = end_ - lineStart_;
    if (lineStart_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + lineStart_, kept);
        pos_ -= lineStart_;
        end_ = kept;
        lineStart_ = 0;
    }
    if (end_ == capacity_) {
        if (capacity_ >= MaxLineLength)
            RaiseInOutError(ENOMEM);
        const std::size_t grown = capacity_ * 2;
        std::unique_ptr<char[]> bigger(new char[grown]);
        std::memcpy(bigger.get(), buffer_.get(), end_);
        buffer_ = std::move(bigger);
        capacity_ = grown;
    }
    ++generation_;
    ssize_t got = 0;
    do {
        got = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        RaiseInOutError(errno);
    if (got == 0) {
        final_ = true;
        return false;
    }
    const auto* fresh = buffer_.get() + end_;
    if (const void* mark = std::memchr(fresh, EndOfFileMark, static_cast<std::size_t>(got))) {
        end_ += static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
        final_ = true;
    } else {
        end_ += static_cast<std::size_t>(got);
    }
    return true;
}

void TextFile::SkipLineFeed()
{
    if (!skipLineFeed_)
        return;
    if (pos_ == end_) {
        lineStart_ = pos_;
        if (!Fill())
            return; // keep the flag: nothing more will come anyway
    }
    if (pos_ < end_ && buffer_[pos_] == '\n')
        ++pos_;
    skipLineFeed_ = false;
}

bool TextFile::AtEnd()
{
    SkipLineFeed();
    if (pos_ < end_)
        return false;
    lineStart_ = pos_;
    return !Fill();
}

std::string_view TextFile::ReadLine()
{
    SkipLineFeed();
    lineStart_ = pos_;
    std::size_t scanFrom = pos_;
    for (;;) {
        const char* base = buffer_.get();
        if (const void* found = std::memchr(base + scanFrom, '\r', end_ - scanFrom)) {
            const auto cr = static_cast<std::size_t>(static_cast<const char*>(found) - base);
            const std::string_view line(base + lineStart_, cr - lineStart_);
            pos_ = cr + 1;
            skipLineFeed_ = true;
            return line;
        }
        const std::size_t scanned = end_ - lineStart_;
        if (!Fill()) {
            const std::string_view line(buffer_.get() + lineStart_, end_ - lineStart_);
            pos_ = end_;
            return line;
        }
        scanFrom = lineStart_ + scanned;
    }
}

} // namespace fendix::platform
