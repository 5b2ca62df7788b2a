#pragma once

#include "engine/EntryLines.h"
#include "engine/TextFinder.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace fendix::engine {

constexpr std::size_t CriterionCount = 3;

// The criteria as the main window's controls hold them: three texts (TexteCritere1..3),
// their "Non" boxes (NonCheck1..3), and whether the second and third are joined by "Et"
// (EtRadio2, EtRadio3) rather than "Ou".
struct Criteria {
    std::array<std::string, CriterionCount> texts;
    std::array<bool, CriterionCount> negated{};
    bool EtRadio2 = true;
    bool EtRadio3 = true;
};

// The plain form of the rules, as written: the reader decides faster with CriteriaMatcher,
// and the tests hold it against these.
//
// MatchCriterion: true when the text occurs in some line of the entry (an empty text
// occurs nowhere); with ignoreCase, the text and each line are folded with UpperAscii.
bool MatchCriterion(std::string_view text, bool ignoreCase, const EntryLineList& lines);

// EntryMatches: the entry against the criteria, joined strictly from left to right:
// (c1 op2 c2) op3 c3, where criterion 2 takes part when its text is not empty and
// criterion 3 when criterion 2 takes part and its own text is not empty.
bool EntryMatches(const Criteria& criteria, bool ignoreCase, const EntryLineList& lines);

// The set of texts found in an entry: bit i for the text of criterion i + 1.
using TextSet = unsigned;

// The criteria made ready for one file. The reader finds where the texts occur; the matcher
// joins what was found with Et, Ou and Non into the entry's verdict.
class CriteriaMatcher {
public:
    CriteriaMatcher(const Criteria& criteria, bool ignoreCase);

    // Number of criteria that take part (1 to 3).
    std::size_t Active() const noexcept { return active_; }

    // The finder of criterion i's text (i < Active()).
    const TextFinder& Finder(std::size_t i) const noexcept { return finders_[i]; }

    // The verdict on an entry in whose stored lines the texts of `found` occur, and no other.
    bool Verdict(TextSet found) const noexcept
    {
        bool result = Outcome(0, found);
        for (std::size_t i = 1; i < active_; ++i)
            result = joinAnd_[i] ? (result && Outcome(i, found)) : (result || Outcome(i, found));
        return result;
    }

private:
    bool Outcome(std::size_t i, TextSet found) const noexcept
    {
        return ((found >> i) & 1U) != (negated_[i] ? 1U : 0U);
    }

    std::array<TextFinder, CriterionCount> finders_;
    std::array<bool, CriterionCount> negated_{};
    std::array<bool, CriterionCount> joinAnd_{};
    std::size_t active_ = 1;
};

} // namespace fendix::engine
