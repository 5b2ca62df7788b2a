#include "engine/HitCursor.h"

#include "engine/ByteScan.h"

#include <algorithm>

namespace fendix::engine {

namespace {

// A batch holds this many places; a dense search reads them in one pass.
constexpr std::size_t Batch = 512;

} // namespace

HitCursor::HitCursor(const LineBuffer& buffer, const scan::NeedleSet& needles)
    : buffer_(buffer), needles_(needles), found_(Batch)
{
}

std::uint64_t HitCursor::SearchStop() const noexcept
{
    if (buffer_.Complete())
        return buffer_.End();
    const std::uint64_t size = buffer_.End() - buffer_.Offset();
    return size >= needles_.longest ? buffer_.End() - needles_.longest + 1 : buffer_.Offset();
}

void HitCursor::Seek() noexcept
{
    if (needles_.count == 0)
        return;
    if (taken_ == count_) {
        const std::uint64_t stop = SearchStop();
        const std::uint64_t offset = buffer_.Offset();
        examined_ = std::max(examined_, offset);
        if (examined_ >= stop)
            return;
        const auto end = static_cast<std::size_t>(buffer_.End() - offset);
        std::size_t searched = 0;
        count_ = scan::FindAllNeedles(buffer_.At(offset), static_cast<std::size_t>(examined_ - offset),
                                      static_cast<std::size_t>(stop - offset), end, end + LineBuffer::Margin,
                                      needles_, true, found_.data(), found_.size(), searched);
        taken_ = 0;
        base_ = offset;
        examined_ = offset + searched;
        if (count_ == 0)
            return;
    }
    current_ = base_ + found_[taken_].at;
    texts_ = found_[taken_].which;
    ++taken_;
}

bool HitCursor::DenseAfter(std::uint64_t from) noexcept
{
    constexpr std::size_t Hits = 8;
    constexpr std::uint64_t Within = 16 << 10;
    return Next() != None && count_ - taken_ >= Hits - 1
           && base_ + found_[taken_ + Hits - 2].at < from + Within;
}

} // namespace fendix::engine
