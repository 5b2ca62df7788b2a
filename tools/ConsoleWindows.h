#pragma once

#include "catalogue/Catalogue.h"
#include "engine/SearchRun.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"
#include "platform/Places.h"

#include "tools/Arguments.h"
#include "tools/Printers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::tools {

// The files a run may read, in the order it reads them: the selected files of each
// catalogue group by group, the annex files before or after them all. The run names a file
// in its caption by its last name (or by its full path inside a CD image), and only ever goes
// forward through this order, skipping to the next group at most; so the file a caption
// stands for is known exactly.
class RunFiles {
public:
    // `shownDirectories`: the directory of each catalogue's files as the output names it;
    // `annexNames`: the annex files so named, one for each of the settings.
    RunFiles(const std::vector<engine::RunCatalogue>& catalogues,
             const std::vector<std::string>& shownDirectories, const engine::SearchSettings& settings,
             bool annexes, const std::vector<std::string>& annexNames);

    struct File {
        std::string opened; // as the run opens it
        std::string shown;  // as the output names it
        std::size_t group = 0;
    };

    // The file the run has just begun, given its caption.
    const File& Begin(std::string_view caption);

    // The run leaves the rest of the current file's group.
    void LeaveGroup() noexcept;

private:
    std::vector<File> files_;
    std::size_t next_ = 0;
    File unknown_;
};

// The windows of a run, played by the console: what they would show goes to the printer,
// and after each match the button that the options say is pressed.
class ConsoleWindows final : public engine::SearchWindows {
public:
    // `criteria`: the options' criteria, their texts encoded to code page 437.
    // `places`: where the run finds its files.
    ConsoleWindows(const Options& options, engine::Criteria criteria, engine::SearchState& state,
                   Printer& printer, platform::Places& places, RunFiles files);

    // What the run has shown and read so far.
    const RunTotals& Totals() const noexcept { return totals_; }

    engine::Criteria ReadCriteria() override { return criteria_; }
    bool AnnexeChecked() override { return options_.annexCheck; }
    engine::Pacing ReadingPacing() override;
    void ProcessMessages() override {}
    void SetFileCaption(std::string_view caption) override;
    void SetFileGauge(int percent) override;
    void SetTotalGauge(int percent) override;
    void ShowEntry(std::string_view label, const engine::ShownEntry& entry) override;
    void ShowInvalidFile(std::string_view message) override;
    void BeginRun() override {}
    void EndRun() override {}

private:
    bool Tracing() const noexcept { return options_.trace && !options_.count; }
    void StopWhenUnwritable() noexcept;
    void PressButton();

    const Options& options_;
    engine::Criteria criteria_;
    engine::SearchState& state_;
    Printer& printer_;
    platform::Places& places_;
    RunFiles files_;
    const RunFiles::File* current_ = nullptr;
    int fileGauge_ = 0;
    int totalGauge_ = 0;
    RunTotals totals_;
};

} // namespace fendix::tools
