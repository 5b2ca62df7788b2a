#pragma once

// The description files: how their bytes are cut into lines and entries, what an entry keeps
// of each line, and how its entries are labelled. Everything the reader and its block-wise
// passes know of the format stands here, once.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fendix::engine {

// The kind of entries being read, which decides where entries start and what is stored.
enum TDescKind : std::uint8_t {
    dkBbs = 0,  // a BBS listing (".BBS")
    dkNews = 1, // a DP Tool Club catalogue, NEWS part
    dkMaj = 2,  // a DP Tool Club catalogue, MAJ part
};

namespace desc {

// A carriage return ends a line; a line feed right after it belongs to that line end, and
// anywhere else it is a character of the line. The end-of-file mark ends the file: what
// stands before it on its line is the last line.
constexpr char Return = '\r';
constexpr char LineFeed = '\n';
constexpr char EndOfFileMark = '\x1A';

// A BBS entry starts at a line that is not empty and does not begin with a space. A
// catalogue entry starts at a line of two spaces and a mark: the double line (0xCD) or, in
// the MAJ part, the filled square (0xFE) of code page 437.
constexpr char Space = ' ';
constexpr char DoubleLine = '\xCD';
constexpr char FilledSquare = '\xFE';
constexpr std::size_t MarkColumn = 2; // 0-based: the mark follows two spaces

// A BBS listing's first stored line is cut after column 31; its later lines keep what stands
// from column 32 on.
constexpr std::size_t BbsNameWidth = 31;

// An entry holds at most this many stored lines; one more line makes the file invalid.
constexpr std::size_t MaxEntryLines = 200;

// The first bytes of a line that decide whether it starts an entry.
constexpr std::size_t StartDecidedBy = MarkColumn + 1;

constexpr bool IsMark(char c) noexcept
{
    return c == DoubleLine || c == FilledSquare;
}

// Whether a line starts an entry of that kind; `line` may be cut after its first
// StartDecidedBy bytes.
constexpr bool IsEntryStart(std::string_view line, TDescKind kind) noexcept
{
    if (kind == dkBbs)
        return !line.empty() && line[0] != Space;
    return line.size() > MarkColumn && line[0] == Space && line[1] == Space && IsMark(line[MarkColumn]);
}

// In a NEWS part, the first entry-start line with the filled square begins the MAJ part.
constexpr bool StartsMaj(std::string_view entryStart, TDescKind kind) noexcept
{
    return kind == dkNews && IsEntryStart(entryStart, kind) && entryStart[MarkColumn] == FilledSquare;
}

// Whether a line starts at p: after a return that no line feed follows, or after a return
// and its line feed. Reads p[-2] to p[0].
constexpr bool StartsLine(const char* p) noexcept
{
    return (p[-1] == Return && p[0] != LineFeed) || (p[-1] == LineFeed && p[-2] == Return);
}

// A catalogue stores every line of an entry whole.
constexpr bool StoresWhole(TDescKind kind) noexcept
{
    return kind != dkBbs;
}

// The parts of a line that an entry stores, as ranges of columns: a catalogue keeps the whole
// line; a BBS listing the first 31 columns when the entry is still empty, then what stands
// from column 32 on. Empty parts are left out.
struct StoredParts {
    struct Range {
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    std::array<Range, 2> ranges{};
    std::size_t count = 0;

    // Whether the bytes [begin, end) of the line lie within one stored part.
    constexpr bool Hold(std::size_t begin, std::size_t end) const noexcept
    {
        for (std::size_t i = 0; i < count; ++i)
            if (ranges[i].begin <= begin && end <= ranges[i].end)
                return true;
        return false;
    }
};

constexpr StoredParts PartsOf(std::size_t length, TDescKind kind, bool entryEmpty) noexcept
{
    StoredParts parts;
    const auto add = [&parts](std::size_t begin, std::size_t end) {
        if (end > begin)
            parts.ranges[parts.count++] = {begin, end};
    };
    if (StoresWhole(kind)) {
        add(0, length);
    } else {
        if (entryEmpty)
            add(0, std::min(length, BbsNameWidth));
        add(BbsNameWidth, length);
    }
    return parts;
}

// Hands each stored part of a line to `store`.
template <typename Store>
void StoreParts(std::string_view line, TDescKind kind, bool entryEmpty, Store&& store)
{
    const StoredParts parts = PartsOf(line.size(), kind, entryEmpty);
    for (std::size_t i = 0; i < parts.count; ++i)
        store(line.substr(parts.ranges[i].begin, parts.ranges[i].end - parts.ranges[i].begin));
}

} // namespace desc

// The text that follows the file name in the description window's label.
std::string_view LabelSuffix(TDescKind kind) noexcept;

// dkBbs for a name whose extension is ".BBS" in any case, dkNews otherwise.
TDescKind KindOfFile(std::string_view fileName) noexcept;

} // namespace fendix::engine
