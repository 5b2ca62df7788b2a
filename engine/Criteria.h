#pragma once

#include "engine/ScanTypes.h"
#include "engine/TextFinder.h"

#include <array>
#include <cstddef>
#include <string>

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

// The set of texts found in an entry: bit i for the text of criterion i + 1.
using TextSet = unsigned;

// The criteria made ready for one search: which of them take part, their texts as the
// search looks for them, and the verdict on an entry from the texts found in its stored
// lines. Criterion 1 always takes part, criterion 2 when its text is not empty, criterion 3
// when criterion 2 takes part and its own text is not empty; they join strictly from left to
// right, (c1 op2 c2) op3 c3. An empty text occurs nowhere, nor does one that holds a carriage
// return (it never lies within one line); the letters a to z are compared without regard to
// case when the case is ignored, and nothing else is folded.
class CriteriaMatcher {
public:
    CriteriaMatcher(const Criteria& criteria, bool ignoreCase);
    // The needles point into the matcher's own texts.
    CriteriaMatcher(const CriteriaMatcher&) = delete;
    CriteriaMatcher& operator=(const CriteriaMatcher&) = delete;

    // Number of criteria that take part (1 to 3).
    std::size_t Active() const noexcept { return active_; }
    bool Negated(std::size_t i) const noexcept { return negated_[i]; }

    // The finder of criterion i's text (i < Active()).
    const TextFinder& Finder(std::size_t i) const noexcept { return finders_[i]; }

    // The texts that can occur, for the block-wise search: bit i for criterion i + 1.
    const scan::NeedleSet& Needles() const noexcept { return needles_; }

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
    scan::NeedleSet needles_;
};

} // namespace fendix::engine
