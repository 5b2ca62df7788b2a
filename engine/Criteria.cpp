#include "engine/Criteria.h"

namespace fendix::engine {

namespace {

bool AnyLineHolds(const TextFinder& finder, const EntryLineList& lines) noexcept
{
    for (std::size_t i = 0; i < lines.Count(); ++i)
        if (finder.Contains(lines[i]))
            return true;
    return false;
}

std::size_t ActiveCount(const Criteria& criteria) noexcept
{
    if (criteria.texts[1].empty())
        return 1;
    return criteria.texts[2].empty() ? 2 : 3;
}

} // namespace

bool MatchCriterion(std::string_view text, bool ignoreCase, const EntryLineList& lines)
{
    return AnyLineHolds(TextFinder(text, ignoreCase), lines);
}

bool EntryMatches(const Criteria& criteria, bool ignoreCase, const EntryLineList& lines)
{
    const CriteriaMatcher matcher(criteria, ignoreCase);
    return matcher.Matches(lines);
}

CriteriaMatcher::CriteriaMatcher(const Criteria& criteria, bool ignoreCase)
    : negated_(criteria.negated), joinAnd_{true, criteria.EtRadio2, criteria.EtRadio3},
      active_(ActiveCount(criteria))
{
    for (std::size_t i = 0; i < active_; ++i)
        finders_[i] = TextFinder(criteria.texts[i], ignoreCase);
    occurred_.set(); // until raw lines are noted, every text may occur
}

void CriteriaMatcher::Search(std::size_t index, const char* from, std::string_view ahead,
                             std::uint64_t stamp) noexcept
{
    Tracker& tracker = trackers_[index];
    const std::size_t at = finders_[index].Find(ahead);
    tracker.stamp = stamp;
    tracker.checked = from;
    tracker.hit = at == TextFinder::npos ? nullptr : ahead.data() + at;
}

bool CriteriaMatcher::Outcome(std::size_t index, const EntryLineList& lines) const noexcept
{
    const bool holds = occurred_[index] && AnyLineHolds(finders_[index], lines);
    return holds != negated_[index];
}

bool CriteriaMatcher::Matches(const EntryLineList& lines) const noexcept
{
    bool result = Outcome(0, lines);
    for (std::size_t i = 1; i < active_; ++i) {
        const bool outcome = Outcome(i, lines);
        result = joinAnd_[i] ? (result && outcome) : (result || outcome);
    }
    return result;
}

} // namespace fendix::engine
