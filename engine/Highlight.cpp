#include "engine/Highlight.h"

#include <algorithm>

namespace fendix::engine {

Highlighter::Highlighter(const CriteriaMatcher& matcher)
{
    for (std::size_t i = 0; i < matcher.Active(); ++i)
        if (!matcher.Negated(i) && matcher.Finder(i).Length() > 0)
            finders_[count_++] = matcher.Finder(i);
}

Highlighter::Highlighter(const Criteria& criteria, bool ignoreCase)
    : Highlighter(CriteriaMatcher(criteria, ignoreCase))
{
}

std::vector<ByteRange> Highlighter::In(std::string_view line, std::size_t limit) const
{
    std::vector<ByteRange> found;
    // Past the place where a text stopped being looked for, the marks would be incomplete.
    std::size_t horizon = SIZE_MAX;
    for (std::size_t f = 0; f < count_; ++f) {
        const TextFinder& finder = finders_[f];
        std::size_t from = 0;
        std::size_t taken = 0;
        while (from < line.size()) {
            if (taken == limit) {
                horizon = std::min(horizon, from);
                break;
            }
            const std::size_t at = finder.Find(line.substr(from));
            if (at == TextFinder::npos)
                break;
            found.push_back({from + at, from + at + finder.Length()});
            ++taken;
            from += at + 1; // overlapping occurrences are found too
        }
    }
    std::sort(found.begin(), found.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    std::vector<ByteRange> joined;
    for (const ByteRange& range : found) {
        if (range.begin >= horizon)
            break;
        if (!joined.empty() && range.begin <= joined.back().end)
            joined.back().end = std::max(joined.back().end, range.end);
        else if (joined.size() < limit)
            joined.push_back(range);
        else
            break;
    }
    return joined;
}

} // namespace fendix::engine
