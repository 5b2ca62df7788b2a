#include "engine/EntryReader.h"

#include "engine/Criteria.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/TextFile.h"

#include <limits>
#include <vector>

namespace fendix::engine {

namespace {

// Column at which a BBS listing's description begins (1-based: column 32).
constexpr std::size_t BbsNameWidth = 31;
constexpr char DoubleLine = '\xCD';   // ═ in code page 437: a NEWS entry begins
constexpr char FilledSquare = '\xFE'; // ■ in code page 437: a MAJ entry begins

bool BeginsMajEntry(std::string_view line) noexcept
{
    return line.size() >= 3 && line[0] == ' ' && line[1] == ' ' && line[2] == FilledSquare;
}

bool HasWildcard(std::string_view name) noexcept
{
    return name.find_first_of("*?") != std::string_view::npos;
}

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

// The stored lines of the entry being read. Most entries are tested without their lines
// (no text occurred in them) and never shown, so the lines are first kept as places in the
// reader's buffer, which holds the entry's bytes; they are copied into EntryLines only when
// the entry must be searched or shown, or when the entry grows too large to keep there.
class EntryGatherer {
public:
    EntryGatherer(platform::TextFile& file, EntryLineList& lines) noexcept : file_(file), lines_(lines) {}

    std::size_t Count() const noexcept { return copying_ ? lines_.Count() : places_.size(); }

    // A new entry begins with the last line read.
    void Begin()
    {
        ClearEntry(lines_);
        places_.clear();
        copying_ = false;
        file_.Pin();
    }

    // StoreLine for the last line read.
    void Store(std::string_view line, TDescKind kind)
    {
        StorePieces(line, kind, Count() == 0, [this](std::string_view piece) {
            if (piece.empty())
                return;
            if (copying_)
                AddEntryLine(lines_, piece);
            else
                places_.push_back(
                    {static_cast<std::size_t>(piece.data() - file_.PinnedBase()), piece.size()});
        });
        if (!copying_
            && static_cast<std::size_t>(line.data() + line.size() - file_.PinnedBase()) > KeptInBuffer)
            Copy();
    }

    // The entry's lines in EntryLines.
    const EntryLineList& Lines()
    {
        Copy();
        return lines_;
    }

    // Forgets the entry.
    void Clear()
    {
        ClearEntry(lines_);
        places_.clear();
        copying_ = true;
        file_.Unpin();
    }

private:
    struct Place {
        std::size_t offset; // from the pinned start of the entry
        std::size_t length;
    };

    // Bytes of an entry kept in the reader's buffer before its lines are copied out.
    static constexpr std::size_t KeptInBuffer = std::size_t{1} << 20;

    void Copy()
    {
        if (copying_)
            return;
        const char* base = file_.PinnedBase();
        for (const Place& place : places_)
            AddEntryLine(lines_, std::string_view(base + place.offset, place.length));
        places_.clear();
        copying_ = true;
        file_.Unpin();
    }

    platform::TextFile& file_;
    EntryLineList& lines_;
    std::vector<Place> places_;
    bool copying_ = true;
};

// The empty entry: what the criteria see of an entry in which none of their texts occurred.
const EntryLineList& NoLines()
{
    static const EntryLineList none;
    return none;
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

std::int64_t FileSizeOf(const std::string& fileName)
{
    if (!HasWildcard(fileName)) {
        platform::FoundFile found;
        return platform::LookUpFile(fileName, found) ? static_cast<std::int64_t>(found.size) : 0;
    }
    try {
        const auto found =
            platform::FindFiles(fileName, platform::faReadOnly | platform::faSysFile | platform::faDirectory);
        return found.empty() ? 0 : static_cast<std::int64_t>(found.front().size);
    } catch (const platform::EInOutError&) {
        return 0; // a directory that cannot be listed holds nothing to find
    }
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

int Percentage(std::int64_t part, std::int64_t whole) noexcept
{
    if (whole <= 0)
        return 100;
    constexpr std::int64_t narrowLimit = std::int64_t{1} << 56;
    if (part >= 0 && part < narrowLimit) {
        // The usual case, in 64 bits.
        const std::int64_t product = part * 100;
        std::int64_t quotient = product / whole;
        const std::int64_t remainder = product % whole;
        const std::int64_t toNext = whole - remainder;
        if (remainder > toNext || (remainder == toNext && (quotient & 1) != 0))
            ++quotient;
        return quotient > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                          : static_cast<int>(quotient);
    }
    __extension__ using Wide = __int128;
    const Wide product = static_cast<Wide>(part) * 100;
    Wide quotient = product / whole;
    Wide remainder = product % whole;
    if (remainder < 0) { // floor division for a negative part
        remainder += whole;
        --quotient;
    }
    const Wide twice = remainder * 2;
    if (twice > whole || (twice == whole && (quotient & 1) != 0))
        ++quotient;
    if (quotient > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (quotient < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(quotient);
}

void ScanFile(const std::string& fileName, TDescKind kind, SearchState& state, bool ignoreCase,
              SearchWindows& windows)
{
    platform::TextFile file(fileName);
    CriteriaMatcher matcher(windows.ReadCriteria(), ignoreCase);
    EntryGatherer entry(file, state.EntryLines);

    std::string_view line = file.ReadLine();
    std::int64_t characters = static_cast<std::int64_t>(line.size()) + 2;
    entry.Begin();
    matcher.BeginEntry();
    matcher.NoteRawLine(line, file.Buffered(), file.Generation());
    entry.Store(line, kind);
    const std::int64_t fileSize = FileSizeOf(fileName);

    // Tests the entry just ended and shows it when it matches; an entry without lines is
    // passed over.
    const auto testEntry = [&] {
        if (entry.Count() > 0 && matcher.Matches(matcher.AnyOccurred() ? entry.Lines() : NoLines())) {
            std::string label = fileName;
            label += LabelSuffix(kind);
            windows.ShowEntry(label, entry.Lines());
        }
    };

    for (;;) {
        // A flag ends the reading at once; the gathered entry is dropped untested.
        if (state.StopSearch || state.SkipGroup || state.SkipFile) {
            entry.Lines();
            break;
        }
        if (file.AtEnd()) {
            // The end of the file ends the last entry as an entry-start line would.
            testEntry();
            entry.Clear();
            break;
        }
        line = file.ReadLine();
        characters += static_cast<std::int64_t>(line.size()) + 2;
        windows.ProcessMessages();
        if (IsEntryStart(line, kind)) {
            // A hidden file has no size to measure against: its gauge stays where it is.
            if (fileSize > 0)
                windows.SetFileGauge(Percentage(characters, fileSize));
            if (kind == dkNews && BeginsMajEntry(line))
                kind = dkMaj;
            testEntry();
            entry.Begin();
            matcher.BeginEntry();
        }
        if (entry.Count() >= MaxEntryLines) {
            std::string message = "Fichier: ";
            message += fileName;
            message += " invalide.";
            windows.ShowInvalidFile(message);
            file.Close();
            entry.Clear();
            return;
        }
        matcher.NoteRawLine(line, file.Buffered(), file.Generation());
        entry.Store(line, kind);
    }
    file.Close();
}

} // namespace fendix::engine
