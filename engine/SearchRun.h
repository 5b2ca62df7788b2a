#pragma once

#include "catalogue/Catalogue.h"
#include "engine/EntryLines.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fendix::engine {

class SearchWindows;

// The four file groups, in their order.
enum TFileGroup : std::uint8_t { fgAsc = 0, fgVrac = 1, fgAutre = 2, fgAnnexe = 3 };

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
    // The run cursor.
    TFileGroup RunGroup = fgAsc;
    std::int64_t RunIndex = 0; // next position to look at, in the list or the annex list
    std::int64_t RunDoneBytes = 0;
};

// One search run over the selected files of the catalogue and the annex files.
class SearchRun {
public:
    SearchRun(SearchState& state, const catalogue::Catalogue& catalogue, const SearchSettings& settings,
              SearchWindows& windows) noexcept
        : state_(state), catalogue_(catalogue), settings_(settings), windows_(windows)
    {
    }

    // The whole run, from the totals to the windows put back. An error ends it early, puts
    // the windows back and passes on; an error of ComputeTotals leaves the windows as they
    // were.
    void Run();

    // Makes DefaultDir current (a relative one taken against StartDirectory) and sums the
    // sizes of the files to read into TotalBytes.
    void ComputeTotals();

    // The next file of the run, or "" at the end (which also sets StopSearch).
    std::string NextFile();

    // Brings RunGroup in line with a list index.
    void GroupOfIndex(std::int64_t index) noexcept;

    // Moves the cursor to the start of the next group, counting what it passes over as done;
    // in the last group of the run it ends the run.
    void SkipToNextGroup();

    // RunDoneBytes against TotalBytes, in percent.
    int TotalPercent() const noexcept;

private:
    bool AnnexesLast() const noexcept { return !settings_.AnnexeFirst; }
    std::int64_t ListCount() const noexcept { return static_cast<std::int64_t>(catalogue_.items.size()); }

    SearchState& state_;
    const catalogue::Catalogue& catalogue_;
    const SearchSettings& settings_;
    SearchWindows& windows_;
};

} // namespace fendix::engine
