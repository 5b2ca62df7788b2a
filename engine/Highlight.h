#pragma once

#include "engine/Criteria.h"
#include "engine/TextFinder.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace fendix::engine {

// A run of bytes of one line: [begin, end).
struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// Where the texts of a search occur in the lines it shows, so that they can be marked: the
// texts that take part in the search and are not negated, compared as the search compares
// them (the same bytes; the letters a to z folded only when the case is ignored). Only
// stored lines are given to it, so it marks only what the search read.
class Highlighter {
public:
    // The texts of the matcher that take part and are not negated.
    explicit Highlighter(const CriteriaMatcher& matcher);
    Highlighter(const Criteria& criteria, bool ignoreCase);

    // True when no text is to be marked (every text that takes part is negated).
    bool Empty() const noexcept { return count_ == 0; }

    // The occurrences in one line, overlapping and touching ones joined, in ascending
    // order. At most `limit` ranges are given.
    std::vector<ByteRange> In(std::string_view line, std::size_t limit = SIZE_MAX) const;

private:
    std::array<TextFinder, CriterionCount> finders_;
    std::size_t count_ = 0;
};

} // namespace fendix::engine
