#include "engine/EntryReader.h"

#include "engine/ByteScan.h"
#include "engine/Criteria.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace fendix::engine {

namespace {

// Column at which a BBS listing's description begins (1-based: column 32).
constexpr std::size_t BbsNameWidth = 31;
constexpr char DoubleLine = '\xCD';   // ═ in code page 437: a NEWS entry begins
constexpr char FilledSquare = '\xFE'; // ■ in code page 437: a MAJ entry begins

// Line ends that may go by in a fast stretch before the reader makes sure that the entry
// being read is not one of 200 lines: a block of 64 bytes holds at most 64 of them, so no
// entry reaches 192 lines unnoticed.
constexpr std::uint64_t LineBudget = 128;

// Bytes of an entry kept in the buffer; beyond them its stored lines are copied out, so
// that a long entry does not hold the whole of it in memory.
constexpr std::uint64_t KeptInBuffer = std::uint64_t{1} << 20;

// Bytes kept before the first one still needed: they tell whether a line starts there.
constexpr std::uint64_t Context = 8;

constexpr std::uint64_t NoHit = std::numeric_limits<std::uint64_t>::max();

// Hands the pieces of a line that an entry keeps to `add`, empty ones included.
template <typename Add> void StorePieces(std::string_view line, TDescKind kind, bool entryEmpty, Add&& add)
{
    if (kind != dkBbs) {
        add(line);
        return;
    }
    // The first line of a BBS entry is cut at column 31; later lines keep what stands from
    // column 32 on.
    if (entryEmpty)
        add(line.substr(0, BbsNameWidth));
    if (line.size() > BbsNameWidth)
        add(line.substr(BbsNameWidth));
}

// Reads one file. The file's bytes pass through a window of the reader's buffer; the search
// for the texts runs ahead in the window, and the reading goes from one place where a text
// occurs to the next.
//
// - Between those places, an entry in which no text occurs is only counted over when it
//   cannot match (with every set of criteria but those in which an absent text makes an
//   entry match): nothing in it matters but its line ends. Where the windows follow every
//   entry start, or every entry must be tested, the pass over the bytes finds the entry
//   starts; otherwise it only counts line ends, and looks back for the last entry start when
//   it needs one: at a text, now and then for the 200-line rule, and when the windows look.
// - The entry in which a text occurs is followed by the entry-start pass to its end; each
//   place where a text occurs tells from its column whether it lies in what the entry stores.
// - Lines are walked one by one, as the reader is designed, for the first entry of a file,
//   for entries long enough to break the 200-line rule, and when the windows follow every
//   line.
//
// The stored lines of an entry are cut again from the window when the windows ask for them.
// What the windows see (entries shown, gauge values, messages, the moments at which buttons
// take effect) is what the reader as designed shows, as far as the windows' pacing observes.
class FileReader final {
public:
    FileReader(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
               bool ignoreCase, SearchWindows& windows);

    void Run();

    // The stored lines of the current entry, in EntryLines: those of its lines that start
    // before `end`.
    const EntryLineList& Gather(std::uint64_t end);

private:
    enum class Step { Continue, NeedMore, EndOfText, Invalid };

    // The byte at a file offset; the offset may lie in the margin before the window.
    const char* At(std::uint64_t offset) const noexcept
    {
        return window_ + static_cast<std::ptrdiff_t>(offset - windowOffset_);
    }
    std::string_view Bytes(std::uint64_t from, std::uint64_t to) const noexcept
    {
        return {At(from), static_cast<std::size_t>(to - from)};
    }

    // The window and the search
    void Refill();
    void TakeWindow() noexcept;
    std::uint64_t SearchStop() const noexcept;
    std::uint64_t LineLimit() const noexcept;
    void SeekHit() noexcept;
    void SkipHitsBefore(std::uint64_t offset) noexcept;
    bool HitsAreDense() const noexcept;

    // Lines
    std::uint64_t NextReturn(std::uint64_t from, std::uint64_t limit) noexcept;
    std::uint64_t LastReturn(std::uint64_t from, std::uint64_t limit) const noexcept;
    std::uint64_t AfterLineEnd(std::uint64_t cr) const noexcept;
    std::uint64_t LineStartOf(std::uint64_t offset) const noexcept;
    bool StartsEntry(std::uint64_t start) const noexcept;

    // Walking
    Step WalkLines();
    void StartWalk() noexcept;
    void NoteHit(std::uint64_t lineStart, bool entryEmpty) noexcept;

    // Fast stretches
    Step FastStretch();
    bool Advance(std::uint64_t to);
    bool AdvanceByStarts(std::uint64_t to);
    void ConsumeHits(std::uint64_t before) noexcept;
    bool LookBack(std::uint64_t before);
    void Spill();

    // Entries
    void BeginEntry(std::uint64_t start, const scan::LineEndCounts& before) noexcept;
    void EntryStartAt(std::uint64_t start, const scan::LineEndCounts& before);
    void TestEntry(std::uint64_t end);
    void UpdateKind(std::uint64_t to) noexcept;
    bool CanStretch() const noexcept { return !everyLine_ && entryReal_ && found_ == 0 && !entryHasHits_; }
    void Checkpoint();
    void NoteEntryStart(std::uint64_t start, std::uint64_t loneBefore) noexcept;
    std::int64_t LastStartCharacters() noexcept;
    void SetGauge(std::int64_t characters);
    int GaugeFor(std::int64_t characters) noexcept;
    void Finish();
    void KeepGathered();

    // The file and the run
    const std::string& fileName_;
    TDescKind kind_;
    SearchState& state_;
    SearchWindows& windows_;
    platform::ByteSource& source_;
    platform::TextFile file_; // opened first: a file that cannot be read asks nothing of the windows
    CriteriaMatcher matcher_;
    Pacing pacing_;
    bool everyLine_;       // ProcessMessages after every line
    bool gaugeEachStart_;  // the gauge at every entry start
    bool countLone_;       // gauge values are observed: lone returns are counted
    bool findStarts_;      // fast stretches find every entry start
    TextSet allTexts_ = 0; // the texts that can occur at all
    scan::NeedleSet needles_;
    scan::StartRule startRule_;
    std::int64_t fileSize_ = 0;
    std::string label_; // the file name and the suffix of labelKind_
    TDescKind labelKind_;

    // The window: the file's bytes [windowOffset_, windowEnd_) at window_.
    const char* window_ = nullptr;
    std::uint64_t windowOffset_ = 0;
    std::uint64_t windowEnd_ = 0;
    bool complete_ = false;
    // The carriage returns of the 64 bytes at returnsBlock_, as bits.
    std::uint64_t returnsBlock_ = NoHit;
    std::uint64_t returnBits_ = 0;

    // The search runs ahead: no text begins in [.., examined_) but at hitAt_ and at the places
    // found in one pass and not yet taken (their offsets from hitsBase_).
    std::uint64_t examined_ = 0;
    std::vector<scan::NeedleAt> hitsFound_;
    std::size_t hitsTaken_ = 0;
    std::size_t hitsCount_ = 0;
    std::uint64_t hitsBase_ = 0;
    std::uint64_t hitAt_ = NoHit;
    TextSet hitTexts_ = 0;

    // Where the reading stands: walking, next_ is where the next line starts; in a stretch,
    // the bytes before next_ have been counted over. counts_ holds the line ends before it.
    bool walking_ = true;
    bool firstLineRead_ = false;
    std::uint64_t walkUntil_ = NoHit; // a walk stops at the line that starts here
    std::uint64_t next_ = 0;
    scan::LineEndCounts counts_;

    // The current entry: its first line, whether that line is an entry start (and not the
    // file's first line), the line ends before it, the stored lines of its lines walked, the
    // texts found in it, and whether a text occurred in it at all.
    std::uint64_t entryStart_ = 0;
    bool entryReal_ = false;
    scan::LineEndCounts entryCounts_;
    std::vector<scan::EntryStartAt> starts_; // found in one pass over a stretch
    std::size_t stored_ = 0;
    TextSet found_ = 0;
    bool entryHasHits_ = false;
    std::uint64_t gatherFrom_ = 0; // its lines before here are in EntryLines

    std::uint64_t majExamined_ = 0; // the MAJ switch has been looked for before here

    // The gauge.
    std::int64_t lastStartCharacters_ = -1; // the character count at the last entry start
    std::uint64_t lastStart_ = NoHit;       // an entry start whose count is still to be worked out
    std::uint64_t lastStartLone_ = 0;       // the lone returns before it
    int shownGauge_ = -1;                   // the value last given to the windows
    std::int64_t gaugeFrom_ = 0;            // characters in [gaugeFrom_, gaugeUntil_) give gaugeValue_
    std::int64_t gaugeUntil_ = 0;
    int gaugeValue_ = 0;
};

// The entry handed to the windows: its lines are gathered when asked for.
class EntryOnShow final : public ShownEntry {
public:
    EntryOnShow(FileReader& reader, std::uint64_t end) noexcept : reader_(reader), end_(end) {}
    const EntryLineList& Lines() const override { return reader_.Gather(end_); }

private:
    FileReader& reader_;
    std::uint64_t end_;
};

FileReader::FileReader(platform::ByteSource& source, const std::string& fileName, TDescKind kind,
                       SearchState& state, bool ignoreCase, SearchWindows& windows)
    : fileName_(fileName), kind_(kind), state_(state), windows_(windows), source_(source), file_(source),
      matcher_(windows.ReadCriteria(), ignoreCase), pacing_(windows.ReadingPacing()),
      startRule_(kind == dkBbs ? scan::StartRule::Bbs : scan::StartRule::Catalogue),
      label_(fileName + std::string(LabelSuffix(kind))), labelKind_(kind)
{
    everyLine_ = pacing_ == Pacing::EveryLine;
    gaugeEachStart_ = pacing_ == Pacing::EveryLine || pacing_ == Pacing::EveryEntry;
    countLone_ = pacing_ != Pacing::Unobserved;
    findStarts_ = pacing_ == Pacing::EveryEntry || matcher_.Verdict(0);
    for (std::size_t i = 0; i < matcher_.Active(); ++i) {
        const scan::Needle needle = matcher_.Finder(i).AsNeedle(1U << i);
        // A text that holds a carriage return never lies within one line.
        if (needle.length == 0 || std::memchr(needle.bytes, '\r', needle.length) != nullptr)
            continue;
        needles_.needles[needles_.count++] = needle;
        needles_.longest = std::max(needles_.longest, needle.length);
        needles_.farthestRare = std::max({needles_.farthestRare, needle.rareAt[0], needle.rareAt[1]});
        allTexts_ |= needle.bit;
    }
    hitsFound_.resize(512);
    starts_.resize(1024);
    ClearEntry(state_.EntryLines);
    TakeWindow();
}

// ---------------------------------------------------------------------------------------
// The window and the search

void FileReader::TakeWindow() noexcept
{
    const std::string_view window = file_.Window();
    window_ = window.data();
    windowOffset_ = file_.WindowOffset();
    windowEnd_ = windowOffset_ + window.size();
    complete_ = file_.WindowComplete();
    returnsBlock_ = NoHit;
}

// Reads more of the file, keeping what the current entry still needs.
void FileReader::Refill()
{
    if (kind_ == dkNews)
        UpdateKind(next_);
    std::uint64_t keep = entryStart_;
    if (windowEnd_ - entryStart_ > KeptInBuffer) {
        Spill();
        keep = next_;
    }
    // A few bytes before are kept too: they tell whether a line starts at the first one.
    keep = keep >= windowOffset_ + Context ? keep - Context : windowOffset_;
    LastStartCharacters(); // while the line of the last entry start is still there
    file_.ReadMore(static_cast<std::size_t>(keep - windowOffset_));
    TakeWindow();
}

// The search has looked at every place before this one where a text could begin.
std::uint64_t FileReader::SearchStop() const noexcept
{
    if (complete_)
        return windowEnd_;
    return windowEnd_ - windowOffset_ >= needles_.longest ? windowEnd_ - needles_.longest + 1 : windowOffset_;
}

// Lines whose carriage return stands before this place are whole in the window, and the
// search has looked at every place where a text could occur in them.
std::uint64_t FileReader::LineLimit() const noexcept
{
    if (complete_)
        return windowEnd_;
    // The byte after a return must be there too: it tells whether a line feed follows.
    const std::uint64_t limit = std::min(SearchStop(), windowEnd_ - 1);
    return limit > windowOffset_ ? limit : windowOffset_;
}

// Makes hitAt_ the next place where a text begins, if the window shows one.
void FileReader::SeekHit() noexcept
{
    if (hitAt_ != NoHit || needles_.count == 0)
        return;
    if (hitsTaken_ == hitsCount_) {
        // One pass finds the next places, as many as fit.
        const std::uint64_t stop = SearchStop();
        if (examined_ < windowOffset_)
            examined_ = windowOffset_;
        if (examined_ >= stop)
            return;
        const auto end = static_cast<std::size_t>(windowEnd_ - windowOffset_);
        std::size_t searched = 0;
        hitsCount_ = scan::FindAllNeedles(window_, static_cast<std::size_t>(examined_ - windowOffset_),
                                          static_cast<std::size_t>(stop - windowOffset_), end,
                                          end + platform::TextFile::Margin, needles_, true, hitsFound_.data(),
                                          hitsFound_.size(), searched);
        hitsTaken_ = 0;
        hitsBase_ = windowOffset_;
        examined_ = windowOffset_ + searched;
        if (hitsCount_ == 0)
            return;
    }
    hitAt_ = hitsBase_ + hitsFound_[hitsTaken_].at;
    hitTexts_ = hitsFound_[hitsTaken_].which;
    ++hitsTaken_;
}

// Passes over the places where texts begin before `offset`, and seeks the next one.
void FileReader::SkipHitsBefore(std::uint64_t offset) noexcept
{
    if (hitAt_ != NoHit && hitAt_ < offset)
        hitAt_ = NoHit;
    while (hitsTaken_ < hitsCount_ && hitsBase_ + hitsFound_[hitsTaken_].at < offset)
        ++hitsTaken_;
    if (hitsTaken_ == hitsCount_ && examined_ < offset)
        examined_ = offset;
    SeekHit();
}

// True when texts occur often ahead: then finding every entry start costs less than looking
// back from each place a text occurs.
bool FileReader::HitsAreDense() const noexcept
{
    constexpr std::size_t Hits = 8;
    constexpr std::uint64_t Within = 16 << 10;
    return hitAt_ != NoHit && hitsCount_ - hitsTaken_ >= Hits - 1
           && hitsBase_ + hitsFound_[hitsTaken_ + Hits - 2].at < next_ + Within;
}

// ---------------------------------------------------------------------------------------
// Lines

// The first carriage return in [from, limit), or limit (limit <= windowEnd_).
std::uint64_t FileReader::NextReturn(std::uint64_t from, std::uint64_t limit) noexcept
{
    if (from >= returnsBlock_ && from - returnsBlock_ < 64) {
        const std::uint64_t bits = returnBits_ & (~std::uint64_t{0} << (from - returnsBlock_));
        if (bits != 0) {
            const std::uint64_t at = returnsBlock_ + static_cast<std::uint64_t>(__builtin_ctzll(bits));
            return at < limit ? at : limit;
        }
        from = returnsBlock_ + 64;
    }
    while (from < limit) {
        returnsBlock_ = from;
        returnBits_ = scan::ReturnsIn64(At(from));
        if (returnBits_ != 0) {
            const std::uint64_t at = from + static_cast<std::uint64_t>(__builtin_ctzll(returnBits_));
            return at < limit ? at : limit;
        }
        from += 64;
    }
    return limit;
}

// The last carriage return in [from, limit), or limit when there is none.
std::uint64_t FileReader::LastReturn(std::uint64_t from, std::uint64_t limit) const noexcept
{
    if (limit <= from)
        return limit;
    const void* found = ::memrchr(At(from), '\r', static_cast<std::size_t>(limit - from));
    return found == nullptr ? limit
                            : from + static_cast<std::uint64_t>(static_cast<const char*>(found) - At(from));
}

// Where the line after a carriage return starts: past the line feed that may follow it.
std::uint64_t FileReader::AfterLineEnd(std::uint64_t cr) const noexcept
{
    return cr + 1 < windowEnd_ && *At(cr + 1) == '\n' ? cr + 2 : cr + 1;
}

// The start of the line that holds a byte of the current entry. Lines are short: the 64
// bytes before the byte tell it most of the time.
std::uint64_t FileReader::LineStartOf(std::uint64_t offset) const noexcept
{
    if (offset >= entryStart_ + 64) {
        const std::uint64_t returns = scan::ReturnsIn64(At(offset - 64));
        if (returns != 0)
            return AfterLineEnd(offset - 64 + 63 - static_cast<std::uint64_t>(__builtin_clzll(returns)));
    }
    const std::uint64_t cr = LastReturn(entryStart_, offset);
    return cr == offset ? entryStart_ : AfterLineEnd(cr);
}

// Whether the line at `start` (a line start after the file's first line, whose line is whole
// in the window) starts an entry.
bool FileReader::StartsEntry(std::uint64_t start) const noexcept
{
    const char* line = At(start);
    if (kind_ == dkBbs)
        return start < windowEnd_ && line[0] != ' ' && line[0] != '\r';
    // A line ends at a byte that is no space, so the bytes looked at are the line's own.
    return line[0] == ' ' && line[1] == ' ' && (line[2] == DoubleLine || line[2] == FilledSquare)
           && start + 2 < windowEnd_;
}

// ---------------------------------------------------------------------------------------
// Walking

// Walks lines, as the reader is designed, until a fast stretch may follow, a button may
// have been pressed, the window is read to its usable end, the text ends or the file turns
// out invalid.
FileReader::Step FileReader::WalkLines()
{
    SeekHit();
    const std::uint64_t limit = LineLimit();
    for (;;) {
        if (next_ >= windowEnd_ && complete_ && firstLineRead_)
            return Step::EndOfText;
        const std::uint64_t start = next_;
        std::uint64_t end = NextReturn(start, std::max(start, limit));
        std::uint64_t after = 0;
        bool lone = false;
        if (end < limit) {
            after = AfterLineEnd(end);
            lone = after == end + 1;
        } else if (complete_) {
            end = after = windowEnd_; // the last line needs no line end
        } else {
            return Step::NeedMore;
        }

        const bool firstLine = !firstLineRead_;
        if (firstLine) {
            firstLineRead_ = true; // the first line begins the first entry, whatever it holds
        } else if (start != entryStart_) {
            if (everyLine_)
                windows_.ProcessMessages();
            const std::string_view line = Bytes(start, end);
            if (IsEntryStart(line, kind_)) {
                EntryStartAt(start, counts_);
                if (CanStretch() && hitAt_ >= end) {
                    // The new entry holds no text in its first line: a fast stretch follows.
                    walking_ = false;
                    counts_.returns += end < windowEnd_ ? 1 : 0;
                    counts_.lone += lone ? 1 : 0;
                    next_ = after;
                    return Step::Continue;
                }
            } else if (stored_ >= MaxEntryLines) {
                std::string message = "Fichier: ";
                message += fileName_;
                message += " invalide.";
                windows_.ShowInvalidFile(message);
                file_.Close();
                ClearEntry(state_.EntryLines);
                return Step::Invalid;
            }
        }

        // What StoreLine would store of the line.
        const std::size_t length = end - start;
        const bool entryEmpty = stored_ == 0;
        if (kind_ != dkBbs)
            stored_ += length > 0 ? 1 : 0;
        else
            stored_ += (entryEmpty && length > 0 ? 1 : 0) + (length > BbsNameWidth ? 1 : 0);
        while (hitAt_ < end) {
            NoteHit(start, entryEmpty);
            if (found_ == allTexts_)
                SkipHitsBefore(end);
            else
                SeekHit();
        }
        if (end < windowEnd_) {
            ++counts_.returns;
            counts_.lone += lone ? 1 : 0;
        }
        next_ = after;
        if (firstLine || everyLine_ || next_ >= walkUntil_ || state_.LeaveFile())
            return Step::Continue;
    }
}

// Notes the texts that begin at hitAt_, in a line of the current entry, that lie in what the
// entry stores of the line; entryEmpty tells that the entry stored nothing before the line.
void FileReader::NoteHit(std::uint64_t lineStart, bool entryEmpty) noexcept
{
    entryHasHits_ = true;
    const std::uint64_t column = hitAt_ - lineStart;
    for (std::size_t k = 0; k < needles_.count; ++k) {
        const scan::Needle& needle = needles_.needles[k];
        // In a BBS listing a text counts when it lies in a stored piece: from column 32 on,
        // or within the first 31 columns of the line cut there.
        if ((hitTexts_ & needle.bit) != 0
            && (kind_ != dkBbs || column >= BbsNameWidth
                || (entryEmpty && column + needle.length <= BbsNameWidth)))
            found_ |= needle.bit;
    }
    hitAt_ = NoHit;
}

// The current entry is walked again from its first line; the texts found in it stay found.
void FileReader::StartWalk() noexcept
{
    walking_ = true;
    next_ = entryStart_;
    counts_ = entryCounts_;
    stored_ = 0;
}

// ---------------------------------------------------------------------------------------
// Fast stretches

FileReader::Step FileReader::FastStretch()
{
    SeekHit();
    const std::uint64_t limit = LineLimit();
    const bool everyStart = findStarts_ || HitsAreDense();
    if (!everyStart && !entryHasHits_ && hitAt_ < limit) {
        // A text occurs ahead: count over to its line, and make its entry the current one.
        const std::uint64_t lineStart = LineStartOf(hitAt_);
        if (lineStart > next_ && !Advance(lineStart))
            return Step::Continue;
        LookBack(lineStart + 1);
        entryHasHits_ = true; // its end is found by the entry-start pass
        if (next_ <= entryStart_)
            next_ = entryStart_ + 1;
        return Step::Continue;
    }
    // Count over the whole lines up to the limit.
    std::uint64_t to = windowEnd_;
    if (!complete_) {
        const std::uint64_t cr = LastReturn(next_, limit);
        to = cr == limit ? next_ : AfterLineEnd(cr);
    }
    if (to > next_ && !(everyStart ? AdvanceByStarts(to) : Advance(to)))
        return Step::Continue;
    ConsumeHits(to);
    return complete_ ? Step::EndOfText : Step::NeedMore;
}

// Like Advance, from the entry starts of [next_, to) found in one pass: each ends the
// current entry, with the texts that occur before it. False when it stopped before `to`.
bool FileReader::AdvanceByStarts(std::uint64_t to)
{
    while (next_ < to) {
        const char* stopped = nullptr;
        scan::LineEndCounts passed;
        const std::size_t found = scan::FindEntryStarts(At(next_), At(to), startRule_, countLone_,
                                                        starts_.data(), starts_.size(), stopped, passed);
        const std::uint64_t from = next_;
        const scan::LineEndCounts before = counts_;
        for (std::size_t i = 0; i < found; ++i) {
            const scan::EntryStartAt& start = starts_[i];
            scan::LineEndCounts at = before;
            at.returns += start.returns;
            at.lone += start.lone;
            if (at.returns - entryCounts_.returns >= LineBudget) {
                // An entry long enough to break the 200-line rule: walk it.
                counts_ = at;
                StartWalk();
                return false;
            }
            next_ = from + start.at;
            counts_ = at;
            ConsumeHits(next_);
            EntryStartAt(next_, counts_);
            ++next_; // the entry start is dealt with; its line is counted over on
            if (state_.LeaveFile())
                return false;
        }
        next_ = windowOffset_ + static_cast<std::uint64_t>(stopped - window_);
        counts_ = before;
        counts_.returns += passed.returns;
        counts_.lone += passed.lone;
    }
    if (counts_.returns - entryCounts_.returns >= LineBudget) {
        StartWalk();
        return false;
    }
    return true;
}

// Counts over [next_, to), `to` being a line start: true when it got there; false when it
// stopped before, to let the caller look again: after an entry start that may have shown
// an entry or that ended an entry with texts, or where the entry grew long.
bool FileReader::Advance(std::uint64_t to)
{
    for (;;) {
        const std::uint64_t lines = counts_.returns - entryCounts_.returns;
        const std::uint64_t budget = lines < LineBudget ? LineBudget - lines : 1;
        const char* from = At(next_);
        const bool starts = findStarts_ || entryHasHits_;
        const scan::Stopped stopped =
            starts ? scan::FindEntryStart(from, At(to), startRule_, budget, countLone_, counts_)
                   : scan::CountLineEnds(from, At(to), budget, countLone_, counts_);
        next_ += static_cast<std::uint64_t>(stopped.at - from);
        switch (stopped.why) {
        case scan::Stop::End:
            return true;
        case scan::Stop::EntryStart: {
            ConsumeHits(next_);
            const bool hadHits = entryHasHits_;
            EntryStartAt(next_, counts_);
            ++next_; // the entry start is dealt with; its line is counted over on
            if (state_.LeaveFile() || (hadHits && !findStarts_))
                return false;
            continue;
        }
        case scan::Stop::Budget:
            // The entry has grown long: walk it, unless an entry started since.
            if (starts || !LookBack(next_))
                StartWalk();
            return false;
        }
    }
}

// Notes the texts that begin before `before`, all in the current entry.
void FileReader::ConsumeHits(std::uint64_t before) noexcept
{
    SeekHit();
    while (hitAt_ < before) {
        if (kind_ == dkBbs) {
            const std::uint64_t lineStart = LineStartOf(hitAt_);
            NoteHit(lineStart, lineStart == entryStart_);
        } else {
            NoteHit(entryStart_, false); // a catalogue stores its lines whole: the column is no matter
        }
        if (found_ == allTexts_)
            SkipHitsBefore(before);
        else
            SeekHit();
    }
}

// Makes the last entry start in (entry start, before) the current entry; false when there
// is none. The entries passed over hold no text and have fewer than 200 lines.
bool FileReader::LookBack(std::uint64_t before)
{
    // The returns are walked back 64 bytes at a time; those before next_ that are passed are
    // counted, to know the line ends before the start found.
    scan::LineEndCounts passed;
    std::uint64_t high = std::max(before, next_);
    while (high > entryStart_) {
        const std::uint64_t low = high - entryStart_ > 64 ? high - 64 : entryStart_;
        std::uint64_t returns = scan::ReturnsIn64(At(low));
        if (high - low < 64)
            returns &= (std::uint64_t{1} << (high - low)) - 1;
        while (returns != 0) {
            const auto bit = static_cast<unsigned>(63 - __builtin_clzll(returns));
            returns &= ~(std::uint64_t{1} << bit);
            const std::uint64_t cr = low + bit;
            const std::uint64_t start = AfterLineEnd(cr);
            if (start < before && StartsEntry(start)) {
                scan::LineEndCounts beforeStart = counts_;
                beforeStart.returns -= passed.returns;
                beforeStart.lone -= passed.lone;
                BeginEntry(start, beforeStart);
                NoteEntryStart(start, beforeStart.lone);
                return true;
            }
            if (cr < next_) {
                ++passed.returns;
                passed.lone += countLone_ && start == cr + 1 ? 1 : 0;
            }
        }
        high = low;
    }
    return false;
}

// The current entry grows past what the buffer keeps: it is walked from here on, and its
// stored lines so far go into EntryLines.
void FileReader::Spill()
{
    if (!walking_) {
        if (!findStarts_ && !entryHasHits_)
            LookBack(next_);
        walkUntil_ = next_;
        StartWalk();
        // Whole lines, without entry starts and short of the 200th, whose texts are noted.
        while (next_ < walkUntil_)
            WalkLines();
        walkUntil_ = NoHit;
    }
    Gather(next_);
}

// ---------------------------------------------------------------------------------------
// Entries

void FileReader::BeginEntry(std::uint64_t start, const scan::LineEndCounts& before) noexcept
{
    ClearEntry(state_.EntryLines);
    stored_ = 0;
    found_ = 0;
    entryHasHits_ = false;
    entryStart_ = gatherFrom_ = start;
    entryReal_ = true;
    entryCounts_ = before;
}

// An entry-start line, with the line ends before it: the gauge, the switch to MAJ, the test
// of the entry that it ends, and the entry that it begins.
void FileReader::EntryStartAt(std::uint64_t start, const scan::LineEndCounts& before)
{
    NoteEntryStart(start, before.lone);
    if (gaugeEachStart_)
        SetGauge(LastStartCharacters());
    if (kind_ == dkNews && *At(start + 2) == FilledSquare)
        kind_ = dkMaj;
    TestEntry(start);
    BeginEntry(start, before);
}

// Tests the current entry, which ends before `end`, and shows it when it matches. An entry
// without stored lines is passed over.
void FileReader::TestEntry(std::uint64_t end)
{
    if (!(entryReal_ || stored_ > 0) || !matcher_.Verdict(found_))
        return;
    if (kind_ == dkNews)
        UpdateKind(end + 1);
    if (pacing_ == Pacing::NowAndThen && LastStartCharacters() >= 0)
        SetGauge(lastStartCharacters_);
    if (labelKind_ != kind_) {
        label_ = fileName_;
        label_ += LabelSuffix(kind_);
        labelKind_ = kind_;
    }
    windows_.ShowEntry(label_, EntryOnShow(*this, end));
}

const EntryLineList& FileReader::Gather(std::uint64_t end)
{
    // The lines are cut again from the window, as StoreLine cuts them.
    std::uint64_t start = gatherFrom_;
    while (start < end && start < windowEnd_) {
        const std::uint64_t cr = NextReturn(start, windowEnd_);
        StoreLine(state_.EntryLines, Bytes(start, cr), kind_);
        start = cr < windowEnd_ ? AfterLineEnd(cr) : cr;
    }
    if (start > gatherFrom_)
        gatherFrom_ = start;
    return state_.EntryLines;
}

// In a NEWS part, the first entry start with a filled square switches the kind to MAJ. A
// fast stretch does not look at every entry start, so the switch is looked for in the lines
// that start before `to`, before the kind is used and before their bytes go.
void FileReader::UpdateKind(std::uint64_t to) noexcept
{
    // The square stands two bytes into its line; two bytes before a line tell that it
    // starts there (before the file, zeros stand).
    const std::uint64_t end = std::min(to + 2, windowEnd_);
    std::uint64_t at = std::max(majExamined_, windowOffset_ == 0 ? 2 : windowOffset_ + 4);
    if (kind_ != dkNews || at >= end)
        return;
    while (at < end) {
        const void* found = std::memchr(At(at), FilledSquare, static_cast<std::size_t>(end - at));
        if (found == nullptr)
            break;
        const std::uint64_t square =
            at + static_cast<std::uint64_t>(static_cast<const char*>(found) - At(at));
        const std::uint64_t start = square - 2;
        if (*At(start) == ' ' && *At(start + 1) == ' '
            && (*At(start - 1) == '\r' || (*At(start - 1) == '\n' && *At(start - 2) == '\r'))) {
            kind_ = dkMaj;
            return;
        }
        at = square + 1;
    }
    majExamined_ = end;
}

// Between two lines, now and then: the gauge as the last entry start left it, then the
// windows' turn.
void FileReader::Checkpoint()
{
    if (pacing_ == Pacing::NowAndThen && fileSize_ > 0) {
        if (!walking_ && !findStarts_ && !entryHasHits_)
            LookBack(next_);
        if (LastStartCharacters() >= 0)
            SetGauge(lastStartCharacters_);
    }
    windows_.ProcessMessages();
}

// An entry-start line, whose line is whole in the window, with the lone returns before it.
// Its character count is worked out when a gauge shows it, or before its line leaves the
// window, whichever comes first: most entry starts found in a fast stretch are never shown.
void FileReader::NoteEntryStart(std::uint64_t start, std::uint64_t loneBefore) noexcept
{
    if (!countLone_)
        return;
    lastStart_ = start;
    lastStartLone_ = loneBefore;
}

// The character count of the reader as designed at the last entry start, which counts every
// line so far with two bytes of line end: the place of that line's end, plus one for each
// line that ended with one byte. -1 before the first entry start.
std::int64_t FileReader::LastStartCharacters() noexcept
{
    if (lastStart_ != NoHit) {
        lastStartCharacters_ =
            static_cast<std::int64_t>(NextReturn(lastStart_, windowEnd_) + 2 + lastStartLone_);
        lastStart_ = NoHit;
    }
    return lastStartCharacters_;
}

void FileReader::SetGauge(std::int64_t characters)
{
    // A hidden file has no size to measure against: its gauge stays where it is.
    if (fileSize_ <= 0)
        return;
    const int value = GaugeFor(characters);
    if (pacing_ == Pacing::NowAndThen && value == shownGauge_)
        return;
    shownGauge_ = value;
    windows_.SetFileGauge(value);
}

// Percentage(characters, fileSize_), worked out again only when the character count leaves
// the range that gives the last value.
int FileReader::GaugeFor(std::int64_t characters) noexcept
{
    if (characters >= gaugeFrom_ && characters < gaugeUntil_)
        return gaugeValue_;
    const int value = Percentage(characters, fileSize_);
    gaugeValue_ = value;
    gaugeFrom_ = characters;
    gaugeUntil_ = characters + 1;
    if (value >= 0 && value < 1000000) {
        // The next value comes where characters * 100 / size passes value + 1/2 (at the half
        // itself when value + 1 is even).
        __extension__ using Wide = __int128;
        const Wide twice = static_cast<Wide>(2 * value + 1) * fileSize_;
        Wide until = twice / 200;
        if (twice % 200 != 0 || (value & 1) == 0)
            ++until;
        if (until > characters && until <= std::numeric_limits<std::int64_t>::max())
            gaugeUntil_ = static_cast<std::int64_t>(until);
    }
    return value;
}

void FileReader::Finish()
{
    // The end of the file ends the last entry as an entry-start line would.
    ConsumeHits(windowEnd_);
    TestEntry(windowEnd_);
    file_.Close();
    ClearEntry(state_.EntryLines);
}

// A button ended the reading: the lines gathered stay in EntryLines. (The entry's first
// line has been read even when a stretch stands at its first byte.)
void FileReader::KeepGathered()
{
    Gather(std::max(next_, entryStart_ + 1));
    file_.Close();
}

void FileReader::Run()
{
    file_.ReadMore(0);
    TakeWindow();
    // The first line, stored whatever it holds; the first entry is walked.
    while (WalkLines() == Step::NeedMore)
        Refill();
    fileSize_ = source_.Size();

    for (;;) {
        if (state_.LeaveFile()) {
            KeepGathered();
            return;
        }
        switch (walking_ ? WalkLines() : FastStretch()) {
        case Step::Continue:
            break;
        case Step::NeedMore:
            if (pacing_ == Pacing::EveryEntry || pacing_ == Pacing::NowAndThen) {
                Checkpoint();
                if (state_.LeaveFile())
                    break;
            }
            Refill();
            break;
        case Step::EndOfText:
            Finish();
            return;
        case Step::Invalid:
            return;
        }
    }
}

} // namespace

std::string_view LabelSuffix(TDescKind kind) noexcept
{
    switch (kind) {
    case dkBbs:
        return " fichier type BBS";
    case dkNews:
        return " fichier type DP Tool Club, section NEWS";
    default:
        return " fichier type DP Tool Club, section MAJ";
    }
}

TDescKind KindOfFile(std::string_view fileName) noexcept
{
    const std::string_view name = platform::ExtractFileName(fileName);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return dkNews;
    return platform::SameIgnoringCase(name.substr(dot), ".BBS") ? dkBbs : dkNews;
}

bool IsEntryStart(std::string_view line, TDescKind kind) noexcept
{
    if (kind == dkBbs)
        return !line.empty() && line.front() != ' ';
    return line.size() >= 3 && line[0] == ' ' && line[1] == ' '
           && (line[2] == DoubleLine || line[2] == FilledSquare);
}

void StoreLine(EntryLineList& lines, std::string_view line, TDescKind kind)
{
    StorePieces(line, kind, lines.Empty(), [&lines](std::string_view piece) { AddEntryLine(lines, piece); });
}

void ScanFile(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
              bool ignoreCase, SearchWindows& windows)
{
    FileReader(source, fileName, kind, state, ignoreCase, windows).Run();
}

void ScanFile(const std::string& fileName, TDescKind kind, SearchState& state, bool ignoreCase,
              SearchWindows& windows)
{
    const auto source = platform::OpenTextFile(fileName);
    ScanFile(*source, fileName, kind, state, ignoreCase, windows);
}

} // namespace fendix::engine
