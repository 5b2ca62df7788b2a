#pragma once

#include "engine/ScanTypes.h"
#include "platform/Ascii.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace fendix::engine {

using platform::UpperAscii;

// Looks for one text as a run of bytes, optionally without regard to the case of the
// letters a to z (and of nothing else). Searching allocates nothing.
class TextFinder {
public:
    TextFinder() = default;
    TextFinder(std::string_view text, bool ignoreCase);

    // Offset of the first occurrence in `haystack`, or npos. An empty text occurs nowhere.
    std::size_t Find(std::string_view haystack) const noexcept;

    std::size_t Length() const noexcept { return text_.size(); }

    // The text as the block search looks for it, reporting `bit` where it is found. Valid as
    // long as this finder is neither changed nor moved.
    scan::Needle AsNeedle(unsigned bit) const noexcept;

    static constexpr std::size_t npos = std::string_view::npos;

private:
    std::string text_; // capitals when the case is ignored
    bool ignoreCase_ = false;
    std::size_t rareAt_[2] = {0, 0}; // the rarest byte of the text and the next rarest
};

} // namespace fendix::engine
