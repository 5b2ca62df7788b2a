#include "engine/LineBuffer.h"

#include "engine/ByteScan.h"
#include "engine/DescFormat.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace fendix::engine {

void LineBuffer::Release::operator()(char* block) const noexcept
{
    std::free(block);
}

LineBuffer::LineBuffer(platform::ByteSource& source) : source_(source)
{
    // The margins start as zeros: nothing before the file's first byte looks like a line end.
    block_.reset(static_cast<char*>(std::calloc(InitialCapacity + 2 * Margin, 1)));
    if (!block_)
        throw std::bad_alloc();
    data_ = block_.get() + Margin;
    capacity_ = InitialCapacity;
}

bool LineBuffer::Refill(std::uint64_t keep)
{
    if (final_)
        return false;
    // A few bytes before the first one kept tell whether a line starts there.
    keep = keep >= offset_ + Context ? keep - Context : offset_;
    const auto dropped = static_cast<std::size_t>(std::min(keep, End()) - offset_);
    if (dropped > 0) {
        size_ -= dropped;
        std::memmove(data_, data_ + dropped, size_);
        offset_ += dropped;
    }
    returnsBlock_ = UINT64_MAX;
    if (size_ > capacity_ / 2) {
        if (capacity_ < MaxLineLength) {
            const std::size_t grown = capacity_ * 2;
            char* bigger = static_cast<char*>(std::realloc(block_.get(), grown + 2 * Margin));
            if (bigger == nullptr)
                throw std::bad_alloc();
            static_cast<void>(block_.release());
            block_.reset(bigger);
            data_ = bigger + Margin;
            capacity_ = grown;
        } else if (size_ == capacity_) {
            platform::RaiseInOutError(ENOMEM);
        }
    }
    const std::size_t got = source_.Read(data_ + size_, capacity_ - size_);
    if (got == 0) {
        final_ = true;
        data_[size_] = '\0';
        return false;
    }
    const char* fresh = data_ + size_;
    if (const void* mark = std::memchr(fresh, desc::EndOfFileMark, got)) {
        size_ += static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
        final_ = true;
    } else {
        size_ += got;
    }
    data_[size_] = '\0';
    return true;
}

std::uint64_t LineBuffer::NextReturn(std::uint64_t from, std::uint64_t limit) noexcept
{
    // The returns are looked for 64 bytes at a time; the last block looked at is remembered,
    // since lines are short and the next line most often ends in it.
    if (from >= returnsBlock_ && from - returnsBlock_ < 64) {
        const std::uint64_t bits = returnBits_ & (~std::uint64_t{0} << (from - returnsBlock_));
        if (bits != 0) {
            const std::uint64_t at = returnsBlock_ + static_cast<std::uint64_t>(__builtin_ctzll(bits));
            return std::min(at, limit);
        }
        from = returnsBlock_ + 64;
    }
    while (from < limit) {
        returnsBlock_ = from;
        returnBits_ = scan::ReturnsIn64(At(from));
        if (returnBits_ != 0)
            return std::min(from + static_cast<std::uint64_t>(__builtin_ctzll(returnBits_)), limit);
        from += 64;
    }
    return limit;
}

} // namespace fendix::engine
