#include "platform/TextFile.h"

#include "platform/InOutError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

constexpr std::size_t InitialCapacity = std::size_t{256} << 10;
constexpr char EndOfFileMark = '\x1A';

} // namespace

void TextFile::Release::operator()(char* block) const noexcept
{
    std::free(block);
}

TextFile::TextFile(const std::string& path) : path_(path)
{
    // Not blocking on open: a named pipe without a writer must not hang the reader.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
    // The margins start as zeros: nothing before the file's first byte looks like a line end.
    block_.reset(static_cast<char*>(std::calloc(InitialCapacity + 2 * Margin, 1)));
    if (!block_) {
        ::close(fd_);
        fd_ = -1;
        throw std::bad_alloc();
    }
    data_ = block_.get() + Margin;
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
        RaiseInOutError(errno, path_);
}

bool TextFile::ReadMore(std::size_t keep)
{
    if (final_)
        return false;
    if (fd_ < 0)
        RaiseInOutError(EBADF, path_);
    if (keep > 0) {
        end_ -= keep;
        std::memmove(data_, data_ + keep, end_);
        offset_ += keep;
        pos_ -= keep < pos_ ? keep : pos_;
    }
    if (end_ > capacity_ / 2) {
        if (capacity_ < MaxLineLength) {
            const std::size_t grown = capacity_ * 2;
            char* bigger = static_cast<char*>(std::realloc(block_.get(), grown + 2 * Margin));
            if (bigger == nullptr)
                throw std::bad_alloc();
            static_cast<void>(block_.release());
            block_.reset(bigger);
            data_ = bigger + Margin;
            capacity_ = grown;
        } else if (end_ == capacity_) {
            RaiseInOutError(ENOMEM, path_);
        }
    }
    ssize_t got = 0;
    do {
        got = ::read(fd_, data_ + end_, capacity_ - end_);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        RaiseInOutError(errno, path_);
    if (got == 0) {
        final_ = true;
        data_[end_] = '\0';
        return false;
    }
    const char* fresh = data_ + end_;
    if (const void* mark = std::memchr(fresh, EndOfFileMark, static_cast<std::size_t>(got))) {
        end_ += static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
        final_ = true;
    } else {
        end_ += static_cast<std::size_t>(got);
    }
    data_[end_] = '\0';
    return true;
}

// Passes over the line feed that follows the carriage return of the last line, reading on
// when the buffer ends between the two.
void TextFile::SkipLineFeed()
{
    if (!skipLineFeed_)
        return;
    while (pos_ == end_ && ReadMore(pos_)) {
    }
    if (pos_ < end_ && data_[pos_] == '\n')
        ++pos_;
    skipLineFeed_ = false;
}

bool TextFile::AtEnd()
{
    SkipLineFeed();
    while (pos_ == end_) {
        if (!ReadMore(pos_))
            return true;
    }
    return false;
}

std::string_view TextFile::ReadLine()
{
    SkipLineFeed();
    std::size_t start = pos_;
    std::size_t searched = pos_;
    for (;;) {
        if (const void* cr = std::memchr(data_ + searched, '\r', end_ - searched)) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - data_);
            pos_ = at + 1;
            skipLineFeed_ = true;
            return {data_ + start, at - start};
        }
        if (final_) { // the last line needs no line end
            pos_ = end_;
            return {data_ + start, end_ - start};
        }
        searched = end_ - start;
        const bool more = ReadMore(start);
        start = 0;
        if (!more) {
            pos_ = end_;
            return {data_, end_};
        }
    }
}

} // namespace fendix::platform
