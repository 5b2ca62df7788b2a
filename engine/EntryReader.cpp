#include "engine/EntryReader.h"

#include "engine/Criteria.h"
#include "engine/CurrentEntry.h"
#include "engine/FastStretch.h"
#include "engine/FileGauge.h"
#include "engine/HitCursor.h"
#include "engine/LineBuffer.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"
#include "platform/ProgramError.h"

#include <algorithm>

namespace fendix::engine {

namespace {

constexpr std::uint64_t None = HitCursor::None;

// Bytes of an entry kept in the buffer; beyond them its stored lines are copied out, so
// that a long entry does not hold the whole of it in memory.
constexpr std::uint64_t KeptInBuffer = std::uint64_t{1} << 20;

// Reads one file. Its bytes pass through the buffer's window; the search for the texts runs
// ahead in the window (the hit cursor), and the reading goes from one place where a text
// occurs to the next. It walks lines one by one, as the reader is designed, for the file's
// first entry, for entries long enough to break the 200-line rule, and for every line when
// the windows follow every line; everywhere else it goes over the lines by fast stretches.
//
// What the windows see (entries shown, gauge values, messages, the moments at which buttons
// take effect) is what the reader as designed shows, as far as the windows' pacing observes.
class FileReader final {
public:
    FileReader(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
               bool ignoreCase, SearchWindows& windows);

    void Run();

private:
    enum class Step { Continue, NeedMore, EndOfText, Invalid };

    std::uint64_t LineLimit() const noexcept;
    Step Refill();
    void Checkpoint();
    Step WalkLines();
    void StartWalk() noexcept;
    Step Stretch();

    Step Invalid();
    void Finish();
    void KeepGathered();

    platform::ByteSource& source_;
    const std::string& fileName_;
    SearchState& state_;
    SearchWindows& windows_;
    const Pacing pacing_;
    const CriteriaMatcher matcher_;
    LineBuffer buffer_;
    HitCursor hits_;
    FileGauge gauge_;
    CurrentEntry entry_;
    ReadingPlace place_; // while walking, place_.pos is where the next line starts
    FastStretch fast_;
    bool walking_ = true;
    bool firstLineRead_ = false;
    std::uint64_t walkUntil_ = None; // a walk stops at the line that starts here
};

FileReader::FileReader(platform::ByteSource& source, const std::string& fileName, TDescKind kind,
                       SearchState& state, bool ignoreCase, SearchWindows& windows)
    : source_(source), fileName_(fileName), state_(state), windows_(windows),
      pacing_(windows.ReadingPacing()), matcher_(windows.ReadCriteria(), ignoreCase), buffer_(source),
      hits_(buffer_, matcher_.Needles()), gauge_(windows, pacing_),
      entry_(fileName, kind, buffer_, hits_, matcher_, gauge_, state, windows, pacing_),
      fast_(buffer_, hits_, entry_, state, place_, pacing_, GaugeAtEveryStart(pacing_) || matcher_.Verdict(0))
{
}

void FileReader::Run()
{
    buffer_.Refill(0);
    // The first line, stored whatever it holds.
    Step step = WalkLines();
    while (step == Step::NeedMore)
        step = Refill() == Step::Continue ? WalkLines() : Step::Invalid;
    if (step == Step::Invalid)
        return;
    gauge_.SetSize(source_.Size());
    for (;;) {
        if (state_.LeaveFile()) {
            KeepGathered();
            return;
        }
        switch (walking_ ? WalkLines() : Stretch()) {
        case Step::Continue:
            break;
        case Step::NeedMore:
            if (PassesNowAndThen(pacing_)) {
                Checkpoint();
                if (state_.LeaveFile())
                    break;
            }
            if (Refill() == Step::Invalid)
                return;
            break;
        case Step::EndOfText:
            Finish();
            return;
        case Step::Invalid:
            return;
        }
    }
}

// Lines whose carriage return stands before this place are whole in the window, and the
// search has looked at every place where a text could occur in them.
std::uint64_t FileReader::LineLimit() const noexcept
{
    if (buffer_.Complete())
        return buffer_.End();
    // The byte after a return must be there too: it tells whether a line feed follows.
    const std::uint64_t limit = std::min(hits_.SearchStop(), buffer_.End() - 1);
    return std::max(limit, buffer_.Offset());
}

// Reads more of the file, keeping what the current entry still needs.
FileReader::Step FileReader::Refill()
{
    entry_.LookForMaj(place_.pos);
    fast_.Resolve();
    gauge_.Settle(buffer_); // while the line of the last entry start is still there
    std::uint64_t keep = entry_.Start();
    if (buffer_.End() - entry_.Start() > KeptInBuffer) {
        // The entry grows past what the buffer keeps: its stored lines so far go into
        // EntryLines, and it is walked from here on.
        if (!walking_) {
            walkUntil_ = place_.pos;
            StartWalk();
            Step step = Step::Continue;
            while (place_.pos < walkUntil_ && step == Step::Continue)
                step = WalkLines();
            walkUntil_ = None;
            if (step == Step::Invalid)
                return step;
        }
        entry_.Gather(place_.pos);
        keep = place_.pos;
    }
    buffer_.Refill(keep);
    return Step::Continue;
}

// Between two lines, now and then: the gauge as the last entry start left it, then the
// windows' turn.
void FileReader::Checkpoint()
{
    if (GaugeAtPasses(pacing_)) {
        fast_.Resolve();
        gauge_.ShowLastStart(buffer_);
    }
    windows_.ProcessMessages();
}

// Walks lines until a fast stretch may follow, a button may have been pressed, the window
// is read to its usable end, the text ends or the file turns out invalid.
FileReader::Step FileReader::WalkLines()
{
    const std::uint64_t limit = LineLimit();
    for (;;) {
        if (place_.pos >= buffer_.End() && buffer_.Complete() && firstLineRead_)
            return Step::EndOfText;
        const std::uint64_t start = place_.pos;
        std::uint64_t end = buffer_.NextReturn(start, std::max(start, limit));
        std::uint64_t after = end + 1;
        if (end < limit)
            after = buffer_.AfterLineEnd(end);
        else if (buffer_.Complete())
            end = after = buffer_.End(); // the last line needs no line end
        else
            return Step::NeedMore;

        const bool firstLine = !firstLineRead_;
        firstLineRead_ = true; // the first line begins the first entry, whatever it holds
        if (start != entry_.Start()) {
            if (FollowsEveryLine(pacing_))
                windows_.ProcessMessages();
            if (desc::IsEntryStart(buffer_.LineHead(start), entry_.Kind())) {
                entry_.StartAt(start, place_.counts);
                if (!FollowsEveryLine(pacing_) && walkUntil_ == None) {
                    // Fast stretches go on from the new entry's first line.
                    walking_ = false;
                    place_.pos = place_.unchecked = start + 1; // its first byte is no line end
                    return Step::Continue;
                }
            } else if (entry_.Full()) {
                return Invalid();
            }
        }
        entry_.Walked(start, end);
        if (end < after) {
            ++place_.counts.returns;
            place_.counts.lone += after == end + 1 && GaugeSeen(pacing_) ? 1 : 0;
        }
        place_.pos = place_.unchecked = after;
        if (firstLine || FollowsEveryLine(pacing_) || place_.pos >= walkUntil_ || state_.LeaveFile())
            return Step::Continue;
    }
}

// The current entry is walked again from its first line; the texts found in it stay found.
void FileReader::StartWalk() noexcept
{
    walking_ = true;
    place_.pos = place_.unchecked = entry_.Start();
    place_.counts = entry_.Before();
    entry_.Rewalk();
}

FileReader::Step FileReader::Stretch()
{
    switch (fast_.Next(LineLimit())) {
    case FastStretch::Outcome::Continue:
        return Step::Continue;
    case FastStretch::Outcome::Walk:
        StartWalk();
        return Step::Continue;
    case FastStretch::Outcome::NeedMore:
        return Step::NeedMore;
    case FastStretch::Outcome::EndOfText:
        break;
    }
    return Step::EndOfText;
}

FileReader::Step FileReader::Invalid()
{
    windows_.ShowInvalidFile(platform::InvalidFileMessage(fileName_));
    source_.Close();
    ClearEntry(state_.EntryLines);
    return Step::Invalid;
}

void FileReader::Finish()
{
    // The end of the file ends the last entry as an entry-start line would.
    fast_.Resolve();
    entry_.ConsumeHits(buffer_.End());
    entry_.Test(buffer_.End());
    source_.Close();
    ClearEntry(state_.EntryLines);
}

// A button ended the reading: the lines gathered stay in EntryLines. (The entry's first
// line has been read even when the reading stands at its first byte.)
void FileReader::KeepGathered()
{
    fast_.Resolve();
    entry_.Gather(std::max(place_.pos, entry_.Start() + 1));
    source_.Close();
}

} // namespace

void ScanFile(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
              bool ignoreCase, SearchWindows& windows)
{
    FileReader(source, fileName, kind, state, ignoreCase, windows).Run();
}

} // namespace fendix::engine
