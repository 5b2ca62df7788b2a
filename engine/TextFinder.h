#pragma once

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

    bool Contains(std::string_view haystack) const noexcept { return Find(haystack) != npos; }

    std::size_t Length() const noexcept { return needle_.size(); }

    static constexpr std::size_t npos = std::string_view::npos;

private:
    bool EqualAt(const char* at) const noexcept;

    std::string needle_; // capitals when the case is ignored
    bool ignoreCase_ = false;
    unsigned char first_ = 0;
    unsigned char last_ = 0;
    unsigned char firstMask_ = 0xFF; // 0xDF for a letter compared without case
    unsigned char lastMask_ = 0xFF;
};

} // namespace fendix::engine
