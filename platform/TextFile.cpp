#include "platform/TextFile.h"

#include "platform/InOutError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace fendix::platform {

namespace {

constexpr std::size_t InitialCapacity = std::size_t{256} << 10;
constexpr char EndOfFileMark = '\x1A';

} // namespace

void TextFile::Release::operator()(char* block) const noexcept
{
    std::free(block);
}

TextFile::TextFile(const std::string& path)
    : owned_(std::make_unique<FileSource>(path)), source_(owned_.get())
{
    Allocate();
}

TextFile::TextFile(ByteSource& source) : source_(&source)
{
    Allocate();
}

void TextFile::Allocate()
{
    // The margins start as zeros: nothing before the file's first byte looks like a line end.
    block_.reset(static_cast<char*>(std::calloc(InitialCapacity + 2 * Margin, 1)));
    if (!block_)
        throw std::bad_alloc();
    data_ = block_.get() + Margin;
    capacity_ = InitialCapacity;
}

TextFile::~TextFile() = default;

void TextFile::Close()
{
    if (open_) {
        open_ = false;
        source_->Close();
    }
}

bool TextFile::ReadMore(std::size_t keep)
{
    if (final_)
        return false;
    if (!open_)
        RaiseInOutError(EBADF);
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
            RaiseInOutError(ENOMEM);
        }
    }
    const std::size_t got = source_->Read(data_ + end_, capacity_ - end_);
    if (got == 0) {
        final_ = true;
        data_[end_] = '\0';
        return false;
    }
    const char* fresh = data_ + end_;
    if (const void* mark = std::memchr(fresh, EndOfFileMark, got)) {
        end_ += static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
        final_ = true;
    } else {
        end_ += got;
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
