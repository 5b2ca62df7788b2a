#pragma once

#include "engine/Criteria.h"
#include "engine/DescFormat.h"
#include "engine/EntryLines.h"
#include "engine/FileGauge.h"
#include "engine/HitCursor.h"
#include "engine/ScanTypes.h"
#include "engine/SearchWindows.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fendix::engine {

class LineBuffer;
struct SearchState;

// The entry being gathered from one file: where its first line starts and the line ends
// before it, the texts found in what it stores, the kind of entries the file is read as (a
// NEWS part turns into a MAJ part), and its test and display. Its stored lines are cut again
// from the buffer's window when the windows ask for them.
class CurrentEntry {
public:
    CurrentEntry(const std::string& fileName, TDescKind kind, LineBuffer& buffer, HitCursor& hits,
                 const CriteriaMatcher& matcher, FileGauge& gauge, SearchState& state, SearchWindows& windows,
                 Pacing pacing);

    std::uint64_t Start() const noexcept { return start_; }
    const scan::LineEndCounts& Before() const noexcept { return before_; }
    TDescKind Kind() const noexcept { return kind_; }
    // A text begins somewhere in it.
    bool HasHits() const noexcept { return hasHits_; }
    void SetHasHits() noexcept { hasHits_ = true; }
    // It stores as many lines as an entry may (counted over the lines walked).
    bool Full() const noexcept { return stored_ >= desc::MaxEntryLines; }

    // A new entry, from the entry-start line at `start`, with the line ends before it, found
    // after the lines that it ends were counted over.
    void BeginAt(std::uint64_t start, const scan::LineEndCounts& before)
    {
        gauge_.NoteStart(start, before.lone);
        Begin(start, before);
    }
    // An entry-start line: the gauge, the switch to MAJ, the test of the entry that it ends,
    // and the entry that it begins.
    void StartAt(std::uint64_t start, const scan::LineEndCounts& before);
    // The entry is walked again from its first line; the texts found in it stay found.
    void Rewalk() noexcept { stored_ = 0; }
    // A line walked, [start, end): what the entry stores of it, and the texts found in it.
    void Walked(std::uint64_t start, std::uint64_t end) noexcept;
    // Notes the texts that begin before `before`, all in this entry.
    void ConsumeHits(std::uint64_t before) noexcept
    {
        if (hits_.Next() < before)
            NoteHitsBefore(before);
    }
    // Tests the entry, which ends before `end`, and shows it when it matches. An entry without
    // stored lines is passed over.
    void Test(std::uint64_t end)
    {
        if ((real_ || stored_ > 0) && matcher_.Verdict(found_))
            Show(end);
    }
    // Its stored lines, in EntryLines: those of its lines that start before `end`.
    const EntryLineList& Gather(std::uint64_t end);
    // Looks for the switch to MAJ in the lines that start before `to`.
    void LookForMaj(std::uint64_t to) noexcept
    {
        if (kind_ == dkNews)
            LookForSquare(to);
    }
    // The start of the line that holds a byte of this entry.
    std::uint64_t LineStartOf(std::uint64_t offset) const noexcept;

private:
    void Begin(std::uint64_t start, const scan::LineEndCounts& before);
    void NoteHitsBefore(std::uint64_t before) noexcept;
    void Show(std::uint64_t end);
    void LookForSquare(std::uint64_t to) noexcept;
    void NoteHit(std::uint64_t lineStart, bool entryEmpty) noexcept;

    const std::string& fileName_;
    TDescKind kind_;
    LineBuffer& buffer_;
    HitCursor& hits_;
    const CriteriaMatcher& matcher_;
    FileGauge& gauge_;
    SearchState& state_;
    SearchWindows& windows_;
    Pacing pacing_;
    TextSet allTexts_ = 0; // the texts that can occur at all
    std::string label_;    // the file name and the suffix of labelKind_
    TDescKind labelKind_;
    std::uint64_t majChecked_ = 0; // the MAJ switch has been looked for before here

    std::uint64_t start_ = 0;
    scan::LineEndCounts before_;
    bool real_ = false;            // begun by an entry-start line, not by the file's first line
    std::size_t stored_ = 0;       // stored lines of its lines walked
    TextSet found_ = 0;            // texts found in what it stores
    bool hasHits_ = false;         // a text begins somewhere in it
    std::uint64_t gatherFrom_ = 0; // its lines before here are in EntryLines
};

} // namespace fendix::engine
