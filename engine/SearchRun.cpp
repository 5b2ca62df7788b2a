#include "engine/SearchRun.h"

#include "engine/EntryReader.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"

namespace fendix::engine {

void SearchRun::ComputeTotals()
{
    platform::SetCurrentDirectory(
        platform::ResolvedDirectory(settings_.DefaultDir, settings_.StartDirectory));
    std::int64_t total = 0;
    // The list is kept in group order, so walking it whole sums ASC, VRAC and other files.
    for (const auto& item : catalogue_.items)
        if (item.selected)
            total += FileSizeOf(item.name);
    if (windows_.AnnexeChecked())
        for (const auto& path : settings_.AnnexeFiles)
            total += FileSizeOf(path);
    state_.TotalBytes = total;
}

int SearchRun::TotalPercent() const noexcept
{
    return Percentage(state_.RunDoneBytes, state_.TotalBytes);
}

void SearchRun::Run()
{
    ComputeTotals();
    state_.RunIndex = 0;
    state_.RunGroup = settings_.AnnexeFirst ? fgAnnexe : fgAsc;
    ClearEntry(state_.EntryLines);
    windows_.BeginRun();
    try {
        state_.RunDoneBytes = 0;
        windows_.SetTotalGauge(0);
        state_.StopSearch = false;
        state_.SkipGroup = false;
        std::string fileName = NextFile();
        while (!state_.StopSearch) {
            std::string caption = "Fichier: ";
            caption += platform::ExtractFileName(fileName);
            windows_.SetFileCaption(caption);
            windows_.SetFileGauge(0);
            state_.SkipFile = false;
            ScanFile(fileName, KindOfFile(fileName), state_, settings_.IgnoreCase, windows_);
            // The whole file counts as done, also when it was left early.
            state_.RunDoneBytes += FileSizeOf(fileName);
            windows_.SetTotalGauge(TotalPercent());
            if (state_.SkipGroup)
                SkipToNextGroup();
            fileName = NextFile();
        }
    } catch (...) {
        windows_.EndRun();
        throw;
    }
    windows_.EndRun();
}

std::string SearchRun::NextFile()
{
    std::string result;
    const auto& annexes = settings_.AnnexeFiles;
    if (state_.RunGroup != fgAnnexe) {
        while (state_.RunIndex < ListCount()
               && !catalogue_.items[static_cast<std::size_t>(state_.RunIndex)].selected)
            ++state_.RunIndex;
        GroupOfIndex(state_.RunIndex);
        if (state_.RunIndex < ListCount()) {
            result = catalogue_.items[static_cast<std::size_t>(state_.RunIndex)].name;
            ++state_.RunIndex;
        } else if (AnnexesLast() && !annexes.empty() && windows_.AnnexeChecked()) {
            state_.RunGroup = fgAnnexe;
            result = annexes.front();
            state_.RunIndex = 1;
        }
    } else if (state_.RunIndex < static_cast<std::int64_t>(annexes.size()) && windows_.AnnexeChecked()) {
        result = annexes[static_cast<std::size_t>(state_.RunIndex)];
        ++state_.RunIndex;
    } else if (settings_.AnnexeFirst) {
        state_.RunGroup = fgAsc;
        state_.RunIndex = 0;
        return NextFile(); // the list path sets StopSearch itself at its end
    }
    if (result.empty())
        state_.StopSearch = true;
    return result;
}

void SearchRun::GroupOfIndex(std::int64_t index) noexcept
{
    if (index >= static_cast<std::int64_t>(catalogue_.AscCount))
        state_.RunGroup = fgVrac;
    if (index >= static_cast<std::int64_t>(catalogue_.AscVracCount))
        state_.RunGroup = fgAutre;
}

void SearchRun::SkipToNextGroup()
{
    state_.SkipGroup = false;
    const TFileGroup lastGroup = AnnexesLast() ? fgAnnexe : fgAutre;
    if (state_.RunGroup == lastGroup) {
        state_.StopSearch = true;
        return;
    }
    std::int64_t bound = 0;
    TFileGroup next = fgAsc;
    switch (state_.RunGroup) {
    case fgAsc:
        bound = static_cast<std::int64_t>(catalogue_.AscCount) - 1;
        next = fgVrac;
        break;
    case fgVrac:
        bound = static_cast<std::int64_t>(catalogue_.AscVracCount) - 1;
        next = fgAutre;
        break;
    case fgAutre:
        bound = ListCount() - 1;
        next = fgAnnexe;
        break;
    case fgAnnexe: {
        const auto& annexes = settings_.AnnexeFiles;
        for (auto i = static_cast<std::size_t>(state_.RunIndex); i < annexes.size(); ++i)
            state_.RunDoneBytes += FileSizeOf(annexes[i]);
        state_.RunIndex = 0;
        next = fgAsc;
        break;
    }
    }
    state_.RunGroup = next;
    // The selected files left in the group being left count as done.
    while (state_.RunIndex <= bound && bound != 0) {
        if (catalogue_.items[static_cast<std::size_t>(state_.RunIndex)].selected)
            state_.RunDoneBytes +=
                FileSizeOf(catalogue_.items[static_cast<std::size_t>(state_.RunIndex)].name);
        ++state_.RunIndex;
    }
    if (next == fgAnnexe)
        state_.RunIndex = 0;
    windows_.SetTotalGauge(TotalPercent());
}

} // namespace fendix::engine
