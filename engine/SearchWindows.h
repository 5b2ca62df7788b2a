#pragma once

#include "engine/Criteria.h"
#include "engine/EntryLines.h"

#include <cstdint>
#include <string_view>

namespace fendix::engine {

// How closely the windows follow the reading of a file. What they do not observe, the reader
// need not work out: a reader that reports every line and entry start reads several times
// slower than one that reports only now and then.
enum class Pacing : std::uint8_t {
    // ProcessMessages after every line read, the file gauge at every entry start: the reader
    // as designed, for windows that must see each line go by.
    EveryLine,
    // The file gauge at every entry start; ProcessMessages now and then.
    EveryEntry,
    // ProcessMessages now and then. The file gauge is set just before it, and before each
    // entry shown, to the value of the last entry start read, as the reader as designed would
    // have left it; between those moments it is not set.
    NowAndThen,
    // Neither: nothing shows the reading's progress.
    Unobserved,
};

// "Now and then": at least once for every 256 KiB read, at the end of a line. A button that
// such a call presses takes effect before the next line, as with EveryLine.

// What the windows of each pacing follow; every part of the reader asks the pacing so.
// ProcessMessages after every line read:
constexpr bool FollowsEveryLine(Pacing pacing) noexcept
{
    return pacing == Pacing::EveryLine;
}
// ProcessMessages now and then:
constexpr bool PassesNowAndThen(Pacing pacing) noexcept
{
    return pacing == Pacing::EveryEntry || pacing == Pacing::NowAndThen;
}
// The file gauge at every entry start:
constexpr bool GaugeAtEveryStart(Pacing pacing) noexcept
{
    return pacing == Pacing::EveryLine || pacing == Pacing::EveryEntry;
}
// The file gauge before each pass and each entry shown, as the last entry start left it:
constexpr bool GaugeAtPasses(Pacing pacing) noexcept
{
    return pacing == Pacing::NowAndThen;
}
// The file gauge at all (its character counts need the lines that end with a lone return):
constexpr bool GaugeSeen(Pacing pacing) noexcept
{
    return pacing != Pacing::Unobserved;
}

// A matching entry, handed to the windows to be shown.
class ShownEntry {
public:
    // Its stored lines, gathered into the run's EntryLines when first asked for: windows
    // that show no lines never pay for them.
    virtual const EntryLineList& Lines() const = 0;

protected:
    ~ShownEntry() = default;
};

// What a search run needs of the windows. The main window, the progress window and the
// description window implement it; so do the headless driver and the tests.
class SearchWindows {
public:
    virtual ~SearchWindows() = default;

    // The criterion controls of the main window, read afresh.
    virtual Criteria ReadCriteria() = 0;
    // The main window's AnnexeCheck box.
    virtual bool AnnexeChecked() = 0;
    // How closely the windows follow the reading; asked once per file.
    virtual Pacing ReadingPacing() { return Pacing::EveryLine; }
    // Lets the windows handle pending input, as often as ReadingPacing says.
    virtual void ProcessMessages() = 0;
    // Caption of the progress window's file box.
    virtual void SetFileCaption(std::string_view caption) = 0;
    // The two gauges: the value set, which the gauge shows clamped to 0..100.
    virtual void SetFileGauge(int percent) = 0;
    virtual void SetTotalGauge(int percent) = 0;
    // Shows a matching entry in the description window and returns when it has closed.
    virtual void ShowEntry(std::string_view label, const ShownEntry& entry) = 0;
    // Shows the invalid-file message box and returns when it has closed.
    virtual void ShowInvalidFile(std::string_view message) = 0;
    // A run begins: hide the main window, show the progress window.
    virtual void BeginRun() = 0;
    // A run has ended (also through an error): hide the progress window, show the main one.
    virtual void EndRun() = 0;
};

} // namespace fendix::engine
