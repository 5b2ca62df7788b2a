#pragma once

#include "engine/Criteria.h"
#include "engine/EntryLines.h"

#include <string_view>

namespace fendix::engine {

// What a search run needs of the windows. The main window, the progress window and the
// description window implement it; so do the headless driver and the tests.
class SearchWindows {
public:
    virtual ~SearchWindows() = default;

    // The criterion controls of the main window, read afresh.
    virtual Criteria ReadCriteria() = 0;
    // The main window's AnnexeCheck box.
    virtual bool AnnexeChecked() = 0;
    // Lets the windows handle pending input; called once for every line read.
    virtual void ProcessMessages() = 0;
    // Caption of the progress window's file box.
    virtual void SetFileCaption(std::string_view caption) = 0;
    // The two gauges: the value set, which the gauge shows clamped to 0..100.
    virtual void SetFileGauge(int percent) = 0;
    virtual void SetTotalGauge(int percent) = 0;
    // Shows a matching entry in the description window and returns when it has closed.
    virtual void ShowEntry(std::string_view label, const EntryLineList& lines) = 0;
    // Shows the invalid-file message box and returns when it has closed.
    virtual void ShowInvalidFile(std::string_view message) = 0;
    // A run begins: hide the main window, show the progress window.
    virtual void BeginRun() = 0;
    // A run has ended (also through an error): hide the progress window, show the main one.
    virtual void EndRun() = 0;
};

} // namespace fendix::engine
