#pragma once

#include "engine/ScanTypes.h"
#include "engine/SearchWindows.h"

#include <cstdint>
#include <vector>

namespace fendix::engine {

class CurrentEntry;
class HitCursor;
class LineBuffer;
struct SearchState;

// Where the reading of a file stands: the bytes before `pos` have been dealt with, and
// `counts` holds their line ends. The lines that start in [unchecked, pos) were counted over
// without being looked at.
struct ReadingPlace {
    std::uint64_t pos = 0;
    scan::LineEndCounts counts;
    std::uint64_t unchecked = 0;
};

// Goes over the lines of a file without walking them one by one, by the block-wise passes:
//
// - Scanning, from one entry start to the next, noting the texts that occur before each:
//   where every entry may match (the windows follow every entry start, or an entry without
//   texts matches), where texts occur often, and to find the end of an entry in which a text
//   occurs.
// - Counting only the line ends, between the places where texts occur: an entry in which no
//   text occurs cannot match then. The entry starts passed over are looked for afterwards,
//   from the back (Resolve), wherever the current entry matters: at a text, now and then for
//   the 200-line rule, before scanning, and when the windows look.
class FastStretch {
public:
    enum class Outcome {
        Continue,  // look again: an entry start may have shown an entry, or a text lies ahead
        Walk,      // the current entry may break the 200-line rule: it is to be walked
        NeedMore,  // every whole line of the window is dealt with
        EndOfText, // every line of the file is dealt with
    };

    FastStretch(LineBuffer& buffer, HitCursor& hits, CurrentEntry& entry, SearchState& state,
                ReadingPlace& place, Pacing pacing, bool findStarts);

    // Goes over the lines that end before `limit`, to the next place where the reading must
    // look again.
    Outcome Next(std::uint64_t limit);

    // Makes the last entry start among the lines counted over the current entry.
    void Resolve();

private:
    std::uint64_t Budget() const noexcept;
    bool Long() const noexcept;
    Outcome Count(std::uint64_t to);
    Outcome ScanOne(std::uint64_t to);
    Outcome ScanAll(std::uint64_t to);

    LineBuffer& buffer_;
    HitCursor& hits_;
    CurrentEntry& entry_;
    SearchState& state_;
    ReadingPlace& place_;
    const Pacing pacing_;
    const bool findStarts_;                  // every entry start is looked at
    std::vector<scan::EntryStartAt> starts_; // found in one pass
};

} // namespace fendix::engine
