#include "engine/FastStretch.h"

#include "engine/ByteScan.h"
#include "engine/CurrentEntry.h"
#include "engine/HitCursor.h"
#include "engine/LineBuffer.h"
#include "engine/SearchState.h"

#include <algorithm>

namespace fendix::engine {

namespace {

using scan::LineEndCounts;

// Line ends that may go by before the reader makes sure that the entry being read is not
// one of 200 lines: a pass stops at most 64 of them past the budget, so no entry reaches
// 192 lines unnoticed.
constexpr std::uint64_t LineBudget = 128;

LineEndCounts operator+(LineEndCounts a, const LineEndCounts& b) noexcept
{
    a.returns += b.returns;
    a.lone += b.lone;
    return a;
}

LineEndCounts operator-(LineEndCounts a, const LineEndCounts& b) noexcept
{
    a.returns -= b.returns;
    a.lone -= b.lone;
    return a;
}

} // namespace

FastStretch::FastStretch(LineBuffer& buffer, HitCursor& hits, CurrentEntry& entry, SearchState& state,
                         ReadingPlace& place, Pacing pacing, bool findStarts)
    : buffer_(buffer), hits_(hits), entry_(entry), state_(state), place_(place), pacing_(pacing),
      findStarts_(findStarts), starts_(1024)
{
}

FastStretch::Outcome FastStretch::Next(std::uint64_t limit)
{
    std::uint64_t& pos = place_.pos;
    const std::uint64_t hit = hits_.Next();
    const bool everyStart = findStarts_ || hits_.DenseAfter(pos);
    if (!everyStart && !entry_.HasHits() && hit < limit) {
        // A text occurs ahead: count over to its line, and make its entry the current one,
        // whose end the entry-start pass finds.
        const std::uint64_t lineStart = entry_.LineStartOf(hit);
        if (lineStart > pos) {
            const Outcome counted = Count(lineStart);
            if (counted != Outcome::Continue)
                return counted;
        }
        pos = std::max(pos, lineStart + 1); // its first byte is no line end
        Resolve();
        entry_.SetHasHits();
        return Outcome::Continue;
    }
    // Over the whole lines up to the limit, once the entry starts counted over are known.
    Resolve();
    std::uint64_t to = buffer_.End();
    if (!buffer_.Complete()) {
        const std::uint64_t cr = buffer_.LastReturn(pos, limit);
        to = cr == limit ? pos : buffer_.AfterLineEnd(cr);
    }
    if (to > pos) {
        const Outcome passed = everyStart ? ScanAll(to) : entry_.HasHits() ? ScanOne(to) : Count(to);
        if (passed != Outcome::Continue)
            return passed;
    }
    if (pos < to)
        return Outcome::Continue;
    entry_.ConsumeHits(to);
    return buffer_.Complete() ? Outcome::EndOfText : Outcome::NeedMore;
}

// The line ends a pass may count before the current entry is looked at again.
std::uint64_t FastStretch::Budget() const noexcept
{
    const std::uint64_t lines = place_.counts.returns - entry_.Before().returns;
    return lines < LineBudget ? LineBudget - lines : 1;
}

// True when the current entry has so many lines that it may break the 200-line rule.
bool FastStretch::Long() const noexcept
{
    return place_.counts.returns - entry_.Before().returns >= LineBudget;
}

// Counts the line ends of [pos, to).
FastStretch::Outcome FastStretch::Count(std::uint64_t to)
{
    for (;;) {
        const char* from = buffer_.At(place_.pos);
        const scan::Stopped stopped =
            scan::CountLineEnds(from, buffer_.At(to), Budget(), GaugeSeen(pacing_), place_.counts);
        place_.pos += static_cast<std::uint64_t>(stopped.at - from);
        if (stopped.why == scan::Stop::End)
            return Outcome::Continue;
        // Many lines since the entry began: it is long, unless an entry started since.
        Resolve();
        if (Long())
            return Outcome::Walk;
    }
}

// Finds the end of the current entry in [pos, to).
FastStretch::Outcome FastStretch::ScanOne(std::uint64_t to)
{
    const char* from = buffer_.At(place_.pos);
    const scan::Stopped stopped = scan::FindEntryStart(from, buffer_.At(to), scan::RuleOf(entry_.Kind()),
                                                       Budget(), GaugeSeen(pacing_), place_.counts);
    place_.pos = place_.unchecked = place_.pos + static_cast<std::uint64_t>(stopped.at - from);
    if (stopped.why == scan::Stop::Budget)
        return Outcome::Walk;
    if (stopped.why == scan::Stop::EntryStart) {
        entry_.ConsumeHits(place_.pos);
        entry_.StartAt(place_.pos, place_.counts);
        // The entry start is dealt with; its line is counted over on.
        place_.pos = place_.unchecked = place_.pos + 1;
    }
    return Outcome::Continue;
}

// Every entry start of [pos, to), found in one pass: each ends the current entry, with the
// texts that occur before it.
FastStretch::Outcome FastStretch::ScanAll(std::uint64_t to)
{
    while (place_.pos < to) {
        const char* stopped = nullptr;
        LineEndCounts passed;
        const std::uint64_t from = place_.pos;
        const LineEndCounts before = place_.counts;
        const std::size_t found =
            scan::FindEntryStarts(buffer_.At(from), buffer_.At(to), scan::RuleOf(entry_.Kind()),
                                  GaugeSeen(pacing_), starts_.data(), starts_.size(), stopped, passed);
        for (std::size_t i = 0; i < found; ++i) {
            place_.counts = before + LineEndCounts{starts_[i].returns, starts_[i].lone};
            if (Long())
                return Outcome::Walk;
            place_.pos = from + starts_[i].at;
            entry_.ConsumeHits(place_.pos);
            entry_.StartAt(place_.pos, place_.counts);
            place_.pos = place_.unchecked = place_.pos + 1;
            if (state_.LeaveFile())
                return Outcome::Continue;
        }
        place_.pos = place_.unchecked = from + static_cast<std::uint64_t>(stopped - buffer_.At(from));
        place_.counts = before + passed;
    }
    return Long() ? Outcome::Walk : Outcome::Continue;
}

// The returns are walked back 64 bytes at a time, and those passed are counted, to know the
// line ends before the start found.
void FastStretch::Resolve()
{
    const std::uint64_t pos = place_.pos;
    const std::uint64_t unchecked = place_.unchecked;
    if (unchecked >= pos)
        return;
    place_.unchecked = pos;
    LineEndCounts passed;
    // A line that starts at `unchecked` or after follows a return at most two bytes before.
    const std::uint64_t lowest = std::max(entry_.Start(), unchecked >= 2 ? unchecked - 2 : 0);
    for (std::uint64_t high = pos; high > lowest;) {
        const std::uint64_t low = high - lowest > 64 ? high - 64 : lowest;
        std::uint64_t returns = scan::ReturnsIn64(buffer_.At(low));
        if (high - low < 64)
            returns &= (std::uint64_t{1} << (high - low)) - 1;
        for (; returns != 0; returns &= ~(std::uint64_t{1} << (63 - __builtin_clzll(returns)))) {
            const std::uint64_t cr = low + static_cast<std::uint64_t>(63 - __builtin_clzll(returns));
            const std::uint64_t start = buffer_.AfterLineEnd(cr);
            if (start >= unchecked && start < pos
                && desc::IsEntryStart(buffer_.LineHead(start), entry_.Kind())) {
                entry_.BeginAt(start, place_.counts - passed);
                return;
            }
            ++passed.returns;
            passed.lone += start == cr + 1 && GaugeSeen(pacing_) ? 1 : 0;
        }
        high = low;
    }
}

} // namespace fendix::engine
