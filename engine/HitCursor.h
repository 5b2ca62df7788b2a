#pragma once

#include "engine/LineBuffer.h"
#include "engine/ScanTypes.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace fendix::engine {

// The look-ahead search of the texts, walked in order: the places where some text begins in
// the window, found a batch at a time ahead of the reading. No text begins before Searched()
// but at the places not yet taken.
class HitCursor {
public:
    static constexpr std::uint64_t None = std::numeric_limits<std::uint64_t>::max();

    HitCursor(const LineBuffer& buffer, const scan::NeedleSet& needles);

    // Where the window has been searched to its usable end: every place before it where a
    // text may begin has been looked at (a text must end by the window's end).
    std::uint64_t SearchStop() const noexcept;

    // The next place where a text begins, in the window searched so far; None when the
    // window shows none.
    std::uint64_t Next() noexcept
    {
        if (current_ == None)
            Seek();
        return current_;
    }

    // The texts that begin at Next().
    unsigned Texts() const noexcept { return texts_; }

    // Passes over Next().
    void Take() noexcept { current_ = None; }

    // Passes over every place before `offset`.
    void SkipBefore(std::uint64_t offset) noexcept
    {
        if (current_ != None && current_ < offset)
            current_ = None;
        while (taken_ < count_ && base_ + found_[taken_].at < offset)
            ++taken_;
        if (taken_ == count_ && examined_ < offset)
            examined_ = offset;
    }

    // True when texts occur often ahead of `from`: then finding every entry start costs less
    // than looking back from each place where a text occurs.
    bool DenseAfter(std::uint64_t from) noexcept;

private:
    void Seek() noexcept;

    const LineBuffer& buffer_;
    const scan::NeedleSet& needles_;
    std::vector<scan::NeedleAt> found_; // one batch, offsets from base_
    std::size_t taken_ = 0;
    std::size_t count_ = 0;
    std::uint64_t base_ = 0;
    std::uint64_t examined_ = 0; // the batches so far looked at every place before it
    std::uint64_t current_ = None;
    unsigned texts_ = 0;
};

} // namespace fendix::engine
