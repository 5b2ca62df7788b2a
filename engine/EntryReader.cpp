#include "engine/EntryReader.h"

#include "engine/Criteria.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/TextFile.h"

#include <limits>

namespace fendix::engine {

namespace {

// Column at which a BBS listing's description begins (1-based: column 32).
constexpr std::size_t BbsNameWidth = 31;
constexpr char DoubleLine = '\xCD';  // ═ in code page 437: a NEWS entry begins
constexpr char FilledSquare = '\xFE'; // ■ in code page 437: a MAJ entry begins

bool BeginsMajEntry(std::string_view line) noexcept
{
    return line.size() >= 3 && line[0] == ' ' && line[1] == ' ' && line[2] == FilledSquare;
}

bool HasWildcard(std::string_view name) noexcept
{
    return name.find_first_of("*?") != std::string_view::npos;
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
    const std::string_view extension = name.substr(dot);
    if (extension.size() != 4)
        return dkNews;
    static constexpr std::string_view bbs = ".BBS";
    for (std::size_t i = 0; i < bbs.size(); ++i) {
        char c = extension[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
        if (c != bbs[i])
            return dkNews;
    }
    return dkBbs;
}

std::int64_t FileSizeOf(const std::string& fileName)
{
    if (!HasWildcard(fileName)) {
        platform::FoundFile found;
        return platform::LookUpFile(fileName, found) ? static_cast<std::int64_t>(found.size) : 0;
    }
    try {
        const auto found = platform::FindFiles(
            fileName, platform::faReadOnly | platform::faSysFile | platform::faDirectory);
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
    if (kind != dkBbs) {
        AddEntryLine(lines, line);
        return;
    }
    // The first line of a BBS entry is cut at column 31; later lines keep what stands from
    // column 32 on.
    if (lines.Empty())
        AddEntryLine(lines, line.substr(0, BbsNameWidth));
    if (line.size() > BbsNameWidth)
        AddEntryLine(lines, line.substr(BbsNameWidth));
}

int Percentage(std::int64_t part, std::int64_t whole) noexcept
{
    if (whole <= 0)
        return 100;
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
    EntryLineList& lines = state.EntryLines;

    std::string_view line = file.ReadLine();
    std::int64_t characters = static_cast<std::int64_t>(line.size()) + 2;
    ClearEntry(lines);
    matcher.BeginEntry();
    matcher.NoteRawLine(line, file.Buffered(), file.Generation());
    StoreLine(lines, line, kind);
    const std::int64_t fileSize = FileSizeOf(fileName);

    // Tests the entry just ended and shows it when it matches; an entry without lines is
    // passed over.
    const auto testEntry = [&] {
        if (!lines.Empty() && matcher.Matches(lines)) {
            std::string label = fileName;
            label += LabelSuffix(kind);
            windows.ShowEntry(label, lines);
        }
        ClearEntry(lines);
        matcher.BeginEntry();
    };

    for (;;) {
        // A flag ends the reading at once; the gathered entry is dropped untested.
        if (state.StopSearch || state.SkipGroup || state.SkipFile)
            break;
        if (file.AtEnd()) {
            // The end of the file ends the last entry as an entry-start line would.
            testEntry();
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
        }
        if (lines.Count() >= MaxEntryLines) {
            std::string message = "Fichier: ";
            message += fileName;
            message += " invalide.";
            windows.ShowInvalidFile(message);
            file.Close();
            ClearEntry(lines);
            return;
        }
        matcher.NoteRawLine(line, file.Buffered(), file.Generation());
        StoreLine(lines, line, kind);
    }
    file.Close();
}

} // namespace fendix::engine
