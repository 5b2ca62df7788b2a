#include "platform/TextFile.h"

#include "platform/InOutError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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
    const std::size_t keepFrom = pinned_ ? pin_ : lineStart_;
    returns_.erase(returns_.begin(), returns_.begin() + static_cast<std::ptrdiff_t>(nextReturn_));
    nextReturn_ = 0;
    if (keepFrom > 0) {
        const std::size_t kept = end_ - keepFrom;
        std::memmove(buffer_.get(), buffer_.get() + keepFrom, kept);
        pos_ -= keepFrom;
        lineStart_ -= keepFrom;
        pin_ = pinned_ ? 0 : pin_;
        end_ = kept;
        for (auto& offset : returns_)
            offset -= static_cast<std::uint32_t>(keepFrom);
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
    const std::size_t freshFrom = end_;
    const auto* fresh = buffer_.get() + end_;
    if (const void* mark = std::memchr(fresh, EndOfFileMark, static_cast<std::size_t>(got))) {
        end_ += static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
        final_ = true;
    } else {
        end_ += static_cast<std::size_t>(got);
    }
    IndexReturns(freshFrom, end_);
    return true;
}

// Notes where the carriage returns of buffer bytes [from, to) stand, so that each line is
// then delivered without searching for its end.
void TextFile::IndexReturns(std::size_t from, std::size_t to)
{
    const char* const bytes = buffer_.get();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const auto returnsIn = [&](std::size_t at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr))));
    };
    for (; i + 64 <= to; i += 64) {
        std::uint64_t found =
            returnsIn(i) | returnsIn(i + 16) << 16 | returnsIn(i + 32) << 32 | returnsIn(i + 48) << 48;
        while (found != 0) {
            returns_.push_back(
                static_cast<std::uint32_t>(i + static_cast<std::size_t>(__builtin_ctzll(found))));
            found &= found - 1;
        }
    }
#endif
    for (; i < to; ++i)
        if (bytes[i] == '\r')
            returns_.push_back(static_cast<std::uint32_t>(i));
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

bool TextFile::AtEndSlow()
{
    SkipLineFeed();
    if (pos_ < end_)
        return false;
    lineStart_ = pos_;
    if (!Fill())
        return true;
    SkipLineFeed();
    return pos_ == end_ && AtEndSlow();
}

std::string_view TextFile::ReadLineSlow()
{
    SkipLineFeed();
    lineStart_ = pos_;
    for (;;) {
        if (nextReturn_ < returns_.size()) {
            const std::size_t cr = returns_[nextReturn_++];
            const std::string_view line(buffer_.get() + lineStart_, cr - lineStart_);
            pos_ = cr + 1;
            skipLineFeed_ = true;
            return line;
        }
        if (!Fill()) {
            const std::string_view line(buffer_.get() + lineStart_, end_ - lineStart_);
            pos_ = end_;
            return line;
        }
    }
}

} // namespace fendix::platform
