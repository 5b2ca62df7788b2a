#include "engine/CurrentEntry.h"

#include "engine/FileGauge.h"
#include "engine/HitCursor.h"
#include "engine/LineBuffer.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"

#include <algorithm>
#include <cstring>

namespace fendix::engine {

namespace {

// The entry handed to the windows: its lines are gathered when asked for.
class EntryOnShow final : public ShownEntry {
public:
    EntryOnShow(CurrentEntry& entry, std::uint64_t end) noexcept : entry_(entry), end_(end) {}
    const EntryLineList& Lines() const override { return entry_.Gather(end_); }

private:
    CurrentEntry& entry_;
    std::uint64_t end_;
};

} // namespace

CurrentEntry::CurrentEntry(const std::string& fileName, TDescKind kind, LineBuffer& buffer, HitCursor& hits,
                           const CriteriaMatcher& matcher, FileGauge& gauge, SearchState& state,
                           SearchWindows& windows, Pacing pacing)
    : fileName_(fileName), kind_(kind), buffer_(buffer), hits_(hits), matcher_(matcher), gauge_(gauge),
      state_(state), windows_(windows), pacing_(pacing), label_(fileName + std::string(LabelSuffix(kind))),
      labelKind_(kind)
{
    for (std::size_t k = 0; k < matcher_.Needles().count; ++k)
        allTexts_ |= matcher_.Needles().needles[k].bit;
    ClearEntry(state_.EntryLines);
}

void CurrentEntry::Begin(std::uint64_t start, const scan::LineEndCounts& before)
{
    ClearEntry(state_.EntryLines);
    start_ = gatherFrom_ = start;
    before_ = before;
    real_ = true;
    stored_ = 0;
    found_ = 0;
    hasHits_ = false;
}

void CurrentEntry::StartAt(std::uint64_t start, const scan::LineEndCounts& before)
{
    gauge_.NoteStart(start, before.lone);
    if (GaugeAtEveryStart(pacing_))
        gauge_.ShowLastStart(buffer_);
    if (kind_ == dkNews && desc::StartsMaj(buffer_.LineHead(start), kind_))
        kind_ = dkMaj;
    Test(start);
    Begin(start, before);
}

void CurrentEntry::Walked(std::uint64_t start, std::uint64_t end) noexcept
{
    const bool entryEmpty = stored_ == 0;
    stored_ += desc::PartsOf(end - start, kind_, entryEmpty).count;
    while (hits_.Next() < end)
        NoteHit(start, entryEmpty);
}

void CurrentEntry::NoteHitsBefore(std::uint64_t before) noexcept
{
    while (hits_.Next() < before) {
        // Where lines are stored whole, the column is no matter.
        const std::uint64_t lineStart = desc::StoresWhole(kind_) ? start_ : LineStartOf(hits_.Next());
        NoteHit(lineStart, lineStart == start_);
        if (found_ == allTexts_)
            hits_.SkipBefore(before);
    }
}

std::uint64_t CurrentEntry::LineStartOf(std::uint64_t offset) const noexcept
{
    const std::uint64_t cr = buffer_.LastReturn(start_, offset);
    return cr == offset ? start_ : buffer_.AfterLineEnd(cr);
}

// Notes the texts that begin at the cursor's place, in a line of this entry, that lie in what
// the entry stores of the line; entryEmpty tells that it stored nothing before the line.
void CurrentEntry::NoteHit(std::uint64_t lineStart, bool entryEmpty) noexcept
{
    hasHits_ = true;
    if (desc::StoresWhole(kind_)) {
        found_ |= hits_.Texts();
    } else {
        // The parts of a line long enough to hold every text that begins here.
        const std::uint64_t column = hits_.Next() - lineStart;
        const desc::StoredParts parts = desc::PartsOf(column + matcher_.Needles().longest, kind_, entryEmpty);
        for (std::size_t k = 0; k < matcher_.Needles().count; ++k) {
            const scan::Needle& needle = matcher_.Needles().needles[k];
            if ((hits_.Texts() & needle.bit) != 0 && parts.Hold(column, column + needle.length))
                found_ |= needle.bit;
        }
    }
    hits_.Take();
}

void CurrentEntry::Show(std::uint64_t end)
{
    LookForMaj(end + 1);
    if (GaugeAtPasses(pacing_))
        gauge_.ShowLastStart(buffer_);
    if (labelKind_ != kind_) {
        label_ = fileName_ + std::string(LabelSuffix(kind_));
        labelKind_ = kind_;
    }
    windows_.ShowEntry(label_, EntryOnShow(*this, end));
}

const EntryLineList& CurrentEntry::Gather(std::uint64_t end)
{
    // The lines are cut again from the window, as the entry stores them.
    std::uint64_t start = gatherFrom_;
    while (start < end && start < buffer_.End()) {
        const std::uint64_t cr = buffer_.NextReturn(start, buffer_.End());
        desc::StoreParts(buffer_.Bytes(start, cr), kind_, state_.EntryLines.Empty(),
                         [this](std::string_view part) { AddEntryLine(state_.EntryLines, part); });
        start = cr < buffer_.End() ? buffer_.AfterLineEnd(cr) : cr;
    }
    gatherFrom_ = std::max(gatherFrom_, start);
    return state_.EntryLines;
}

// Not every entry start is looked at, so the switch is looked for before the kind is used
// and before the bytes go.
void CurrentEntry::LookForSquare(std::uint64_t to) noexcept
{
    // The square stands two bytes into its line, and two bytes before a line tell that it
    // starts there (before the file's first byte, zeros stand).
    const std::uint64_t end = std::min(to + desc::MarkColumn, buffer_.End());
    std::uint64_t at = std::max(majChecked_, buffer_.Offset() + (buffer_.Offset() == 0 ? 2 : 4));
    for (; kind_ == dkNews && at < end; ++at) {
        const void* square =
            std::memchr(buffer_.At(at), desc::FilledSquare, static_cast<std::size_t>(end - at));
        if (square == nullptr)
            break;
        at += static_cast<std::uint64_t>(static_cast<const char*>(square) - buffer_.At(at));
        const std::uint64_t start = at - desc::MarkColumn;
        if (desc::StartsLine(buffer_.At(start)) && desc::StartsMaj(buffer_.LineHead(start), kind_))
            kind_ = dkMaj;
    }
    majChecked_ = std::max(majChecked_, end);
}

} // namespace fendix::engine
