#include "engine/Criteria.h"

namespace fendix::engine {

namespace {

std::size_t ActiveCount(const Criteria& criteria) noexcept
{
    if (criteria.texts[1].empty())
        return 1;
    return criteria.texts[2].empty() ? 2 : 3;
}

} // namespace

bool MatchCriterion(std::string_view text, bool ignoreCase, const EntryLineList& lines)
{
    if (text.empty())
        return false;
    const std::string wanted = ignoreCase ? UpperAscii(text) : std::string(text);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string line = ignoreCase ? UpperAscii(lines[i]) : std::string(lines[i]);
        if (line.find(wanted) != std::string::npos)
            return true;
    }
    return false;
}

bool EntryMatches(const Criteria& criteria, bool ignoreCase, const EntryLineList& lines)
{
    const auto outcome = [&](std::size_t i) {
        return MatchCriterion(criteria.texts[i], ignoreCase, lines) != criteria.negated[i];
    };
    bool result = outcome(0);
    if (criteria.texts[1].empty())
        return result;
    const bool second = outcome(1);
    result = criteria.EtRadio2 ? (result && second) : (result || second);
    if (criteria.texts[2].empty())
        return result;
    const bool third = outcome(2);
    return criteria.EtRadio3 ? (result && third) : (result || third);
}

CriteriaMatcher::CriteriaMatcher(const Criteria& criteria, bool ignoreCase)
    : negated_(criteria.negated), joinAnd_{true, criteria.EtRadio2, criteria.EtRadio3},
      active_(ActiveCount(criteria))
{
    for (std::size_t i = 0; i < active_; ++i)
        finders_[i] = TextFinder(criteria.texts[i], ignoreCase);
}

} // namespace fendix::engine
