#pragma once

#include "engine/EntryLines.h"
#include "platform/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fendix::engine {

class SearchWindows;
struct SearchState;

// The kind of entries being read, which decides where entries start and what is stored.
enum TDescKind : std::uint8_t {
    dkBbs = 0,  // a BBS listing (".BBS")
    dkNews = 1, // a DP Tool Club catalogue, NEWS part
    dkMaj = 2,  // a DP Tool Club catalogue, MAJ part
};

// An entry holds at most this many stored lines; one more line makes the file invalid.
constexpr std::size_t MaxEntryLines = 200;

// The text that follows the file name in the description window's label.
std::string_view LabelSuffix(TDescKind kind) noexcept;

// dkBbs for a name whose extension is ".BBS" in any case, dkNews otherwise.
TDescKind KindOfFile(std::string_view fileName) noexcept;

// True when a line begins an entry of that kind.
bool IsEntryStart(std::string_view line, TDescKind kind) noexcept;

// Stores what the kind keeps of a line: in a BBS listing, the line cut at column 31 while
// the entry is still empty, else what stands from column 32 on; in a catalogue, the whole
// line. Empty pieces are not stored.
void StoreLine(EntryLineList& lines, std::string_view line, TDescKind kind);

// ClearEntry: forgets the gathered lines.
inline void ClearEntry(EntryLineList& lines) noexcept
{
    lines.Clear();
}

// Reads one description file from its bytes, cuts it into entries, tests each and shows each
// match; `fileName` names it in the labels and messages. Raises EInOutError on a file error.
void ScanFile(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
              bool ignoreCase, SearchWindows& windows);

// The same for a file of the disk opened by its name or path.
void ScanFile(const std::string& fileName, TDescKind kind, SearchState& state, bool ignoreCase,
              SearchWindows& windows);

} // namespace fendix::engine
