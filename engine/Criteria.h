#pragma once

#include "engine/EntryLines.h"
#include "engine/TextFinder.h"

#include <array>
#include <bitset>
#include <cstdint>
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

// MatchCriterion: true when the text occurs in some line of the entry (an empty text
// occurs nowhere).
bool MatchCriterion(std::string_view text, bool ignoreCase, const EntryLineList& lines);

// EntryMatches: the entry against the criteria, joined strictly from left to right:
// (c1 op2 c2) op3 c3, where criterion 2 takes part when its text is not empty and
// criterion 3 when criterion 2 takes part and its own text is not empty.
bool EntryMatches(const Criteria& criteria, bool ignoreCase, const EntryLineList& lines);

// The criteria made ready for one file: the same answers as EntryMatches, faster. While a
// file is read, each raw line is shown to NoteRawLine; an entry in whose raw lines a text
// never occurs cannot hold it in its stored lines (each stored line is a piece of a raw
// line), so its stored lines are searched only for the texts that occurred.
class CriteriaMatcher {
public:
    CriteriaMatcher(const Criteria& criteria, bool ignoreCase);

    // Number of criteria that take part (1 to 3).
    std::size_t Active() const noexcept { return active_; }

    // A new entry begins: no text has occurred in it yet.
    void BeginEntry() noexcept { occurred_.reset(); }

    // One raw line of the entry, with the bytes buffered from its start on (`ahead` begins
    // with the line) and a stamp that changes whenever such views move.
    void NoteRawLine(std::string_view line, std::string_view ahead, std::uint64_t stamp) noexcept
    {
        for (std::size_t i = 0; i < active_; ++i)
            if (!occurred_[i] && OccursIn(i, line, ahead, stamp))
                occurred_.set(i);
    }

    // True when some text occurred in the raw lines noted since BeginEntry: only then does
    // the verdict need the stored lines.
    bool AnyOccurred() const noexcept { return occurred_.any(); }

    // The entry's verdict, given its stored lines.
    bool Matches(const EntryLineList& lines) const noexcept;

private:
    struct Tracker {
        std::uint64_t stamp = ~std::uint64_t{0};
        const char* hit = nullptr;     // next occurrence in the buffered bytes, if any
        const char* checked = nullptr; // where the search for `hit` started
    };

    bool Outcome(std::size_t index, const EntryLineList& lines) const noexcept;

    // Whether text `index` occurs in a raw line, from the next occurrence in the buffered
    // bytes, which is searched again only once the reading has passed it.
    bool OccursIn(std::size_t index, std::string_view line, std::string_view ahead,
                  std::uint64_t stamp) noexcept
    {
        Tracker& tracker = trackers_[index];
        if (tracker.stamp != stamp || (tracker.hit != nullptr && tracker.hit < line.data())
            || (tracker.hit == nullptr && tracker.checked > line.data()))
            Search(index, line.data(), ahead, stamp);
        return tracker.hit != nullptr && tracker.hit + finders_[index].Length() <= line.data() + line.size();
    }

    void Search(std::size_t index, const char* from, std::string_view ahead, std::uint64_t stamp) noexcept;

    std::array<TextFinder, CriterionCount> finders_;
    std::array<bool, CriterionCount> negated_{};
    std::array<bool, CriterionCount> joinAnd_{};
    std::array<Tracker, CriterionCount> trackers_{};
    std::bitset<CriterionCount> occurred_;
    std::size_t active_ = 1;
};

} // namespace fendix::engine
