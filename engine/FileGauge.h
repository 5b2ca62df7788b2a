#pragma once

#include "engine/LineBuffer.h"
#include "engine/SearchWindows.h"

#include <cstdint>

namespace fendix::engine {

// The file gauge as the reader as designed moves it: at an entry-start line, to the character
// count so far (every line with two bytes of line end, the entry-start line included) over
// the file's size, rounded as Percentage rounds.
class FileGauge {
public:
    FileGauge(SearchWindows& windows, Pacing pacing) noexcept : windows_(windows), pacing_(pacing) {}

    // The file's size, taken after its first line has been read.
    void SetSize(std::int64_t size) noexcept { size_ = size; }

    // An entry-start line at `start`, with the lone returns before it. Its character count is
    // worked out when a gauge shows it, or before its line leaves the window, whichever
    // comes first: most entry starts of a fast stretch are never shown.
    void NoteStart(std::uint64_t start, std::uint64_t loneBefore) noexcept
    {
        if (!GaugeSeen(pacing_))
            return;
        pending_ = start;
        pendingLone_ = loneBefore;
    }

    // Works out the count of the last entry start noted, if its line is whole in the window.
    void Settle(LineBuffer& buffer) noexcept;

    // Sets the gauge to its value at the last entry start, whose line must be whole in the
    // window. Nothing before the first entry start; nothing for a file without size (a hidden
    // one), which has no size to measure against.
    void ShowLastStart(LineBuffer& buffer);

private:
    static constexpr std::uint64_t None = UINT64_MAX;

    SearchWindows& windows_;
    Pacing pacing_;
    std::int64_t size_ = 0;
    std::int64_t characters_ = -1;  // at the last entry start settled
    std::uint64_t pending_ = None;  // an entry start not yet settled
    std::uint64_t pendingLone_ = 0; // the lone returns before it
    int shown_ = -1;                // the value last given to the windows
};

} // namespace fendix::engine
