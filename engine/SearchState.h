#pragma once

#include "catalogue/Catalogue.h"
#include "engine/EntryLines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fendix::engine {

// The file groups of a run: the three ranges of the catalogue's list, then the annex files.
using catalogue::fgAnnexe;
using catalogue::fgAsc;
using catalogue::fgAutre;
using catalogue::fgVrac;
using catalogue::TFileGroup;

// The settings a search run reads.
struct SearchSettings {
    std::string DefaultDir;     // directory of the catalogue's files, as the user wrote it
    std::string StartDirectory; // where the program started: a relative DefaultDir is taken against it
    bool IgnoreCase = false;    // the letters a to z match without regard to case
    bool AnnexeFirst = false;   // annex files are read before the list files
    std::vector<std::string> AnnexeFiles; // full paths of the annex files, in reading order
};

// What a run shares with the reader and the window buttons.
struct SearchState {
    EntryLineList EntryLines; // the entry being gathered
    bool StopSearch = false;  // end the run
    bool SkipFile = false;    // leave the current file
    bool SkipGroup = false;   // leave the current file and the rest of its group
    std::int64_t TotalBytes = 0;

    // True when a button asked to leave the file being read.
    bool LeaveFile() const noexcept { return StopSearch || SkipGroup || SkipFile; }
};

// The rounding of part * 100 / whole to the nearest integer, an exact half to the even
// one, computed exactly; 100 when whole is 0 or less. Clamped to the range of int.
int Percentage(std::int64_t part, std::int64_t whole) noexcept;

} // namespace fendix::engine
