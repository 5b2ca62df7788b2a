#pragma once

#include "catalogue/Catalogue.h"
#include "engine/SearchState.h"
#include "platform/Places.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fendix::engine {

class SearchWindows;

// One search run over the selected files of the catalogue and the annex files.
class SearchRun {
public:
    // The files are found and read through `places`, whose current place the run changes.
    SearchRun(SearchState& state, const catalogue::Catalogue& catalogue, const SearchSettings& settings,
              platform::Places& places, SearchWindows& windows) noexcept
        : state_(state), catalogue_(catalogue), settings_(settings), places_(places), windows_(windows)
    {
    }

    // The whole run, from the totals to the windows put back. An error ends it early, puts
    // the windows back and passes on; an error of ComputeTotals leaves the windows as they
    // were. The CD images opened for the run are let go at its end.
    void Run();

    // The bytes of the files finished or passed over so far (RunDoneBytes).
    std::int64_t DoneBytes() const noexcept { return runDoneBytes_; }

private:
    // Makes DefaultDir current (a relative one taken against StartDirectory) and sums the
    // sizes of the files to read into TotalBytes.
    void ComputeTotals();

    // The next file of the run, or "" at the end (which also sets StopSearch).
    std::string NextFile();

    // Brings RunGroup in line with a list index.
    void GroupOfIndex(std::size_t index) noexcept;

    // Moves the cursor to the start of the next group, counting what it passes over as done;
    // in the last group of the run it ends the run.
    void SkipToNextGroup();

    // RunDoneBytes against TotalBytes, in percent.
    int TotalPercent() const noexcept;

    bool AnnexesLast() const noexcept { return !settings_.AnnexeFirst; }
    std::size_t ListCount() const noexcept { return catalogue_.items.size(); }
    std::int64_t FileSizeOf(const std::string& fileName) { return places_.FileSizeOf(fileName); }

    SearchState& state_;
    const catalogue::Catalogue& catalogue_;
    const SearchSettings& settings_;
    platform::Places& places_;
    SearchWindows& windows_;
    // The run cursor: the group being walked, the next position to look at (in the list, or
    // in the annex list while the group is fgAnnexe), and the bytes done.
    TFileGroup runGroup_ = fgAsc;
    std::size_t runIndex_ = 0;
    std::int64_t runDoneBytes_ = 0;
};

} // namespace fendix::engine
