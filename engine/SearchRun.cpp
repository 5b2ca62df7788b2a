#include "engine/SearchRun.h"

#include "engine/EntryReader.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"

namespace fendix::engine {

namespace {

constexpr TFileGroup ListGroups[] = {fgAsc, fgVrac, fgAutre};

} // namespace

void SearchRun::ComputeTotals()
{
    places_.SetCurrentDirectory(platform::ResolvedDirectory(settings_.DefaultDir, settings_.StartDirectory));
    std::int64_t total = 0;
    for (const TFileGroup group : ListGroups)
        for (std::size_t i = catalogue_.GroupBegin(group); i < catalogue_.GroupEnd(group); ++i)
            if (catalogue_.items[i].selected)
                total += FileSizeOf(catalogue_.items[i].name);
    if (windows_.AnnexeChecked())
        for (const auto& path : settings_.AnnexeFiles)
            total += FileSizeOf(path);
    state_.TotalBytes = total;
}

int SearchRun::TotalPercent() const noexcept
{
    return Percentage(runDoneBytes_, state_.TotalBytes);
}

void SearchRun::Run()
{
    struct CloseImages {
        platform::Places& places;
        ~CloseImages() { places.CloseImages(); }
    } closeImages{places_};
    ComputeTotals();
    runIndex_ = 0;
    runGroup_ = settings_.AnnexeFirst ? fgAnnexe : fgAsc;
    ClearEntry(state_.EntryLines);
    windows_.BeginRun();
    try {
        runDoneBytes_ = 0;
        windows_.SetTotalGauge(0);
        state_.StopSearch = false;
        state_.SkipGroup = false;
        std::string fileName = NextFile();
        while (!state_.StopSearch) {
            // A file inside a CD image is named with its whole path, image included.
            const bool inImage = places_.InImage(fileName);
            std::string caption = "Fichier: ";
            caption += inImage ? places_.AbsolutePath(fileName) : platform::ExtractFileName(fileName);
            windows_.SetFileCaption(caption);
            windows_.SetFileGauge(0);
            state_.SkipFile = false;
            const auto source = places_.OpenTextFile(fileName);
            ScanFile(*source, fileName, KindOfFile(fileName), state_, settings_.IgnoreCase, windows_);
            // The whole file counts as done, also when it was left early.
            runDoneBytes_ += FileSizeOf(fileName);
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
    if (runGroup_ != fgAnnexe) {
        while (runIndex_ < ListCount() && !catalogue_.items[runIndex_].selected)
            ++runIndex_;
        GroupOfIndex(runIndex_);
        if (runIndex_ < ListCount()) {
            result = catalogue_.items[runIndex_].name;
            ++runIndex_;
        } else if (AnnexesLast() && !annexes.empty() && windows_.AnnexeChecked()) {
            runGroup_ = fgAnnexe;
            result = annexes.front();
            runIndex_ = 1;
        }
    } else if (runIndex_ < annexes.size() && windows_.AnnexeChecked()) {
        result = annexes[runIndex_];
        ++runIndex_;
    } else if (settings_.AnnexeFirst) {
        runGroup_ = fgAsc;
        runIndex_ = 0;
        return NextFile(); // the list path sets StopSearch itself at its end
    }
    if (result.empty())
        state_.StopSearch = true;
    return result;
}

void SearchRun::GroupOfIndex(std::size_t index) noexcept
{
    if (index >= catalogue_.GroupBegin(fgVrac))
        runGroup_ = fgVrac;
    if (index >= catalogue_.GroupBegin(fgAutre))
        runGroup_ = fgAutre;
}

void SearchRun::SkipToNextGroup()
{
    state_.SkipGroup = false;
    const TFileGroup lastGroup = AnnexesLast() ? fgAnnexe : fgAutre;
    if (runGroup_ == lastGroup) {
        state_.StopSearch = true;
        return;
    }
    if (runGroup_ == fgAnnexe) {
        // Annexes first: the annex files left count as done, and the list follows.
        const auto& annexes = settings_.AnnexeFiles;
        for (std::size_t i = runIndex_; i < annexes.size(); ++i)
            runDoneBytes_ += FileSizeOf(annexes[i]);
        runGroup_ = fgAsc;
        runIndex_ = 0;
    } else {
        // The selected files left in the group being left count as done; the cursor stops at
        // the first index of the next group.
        const std::size_t end = catalogue_.GroupEnd(runGroup_);
        for (; runIndex_ < end; ++runIndex_)
            if (catalogue_.items[runIndex_].selected)
                runDoneBytes_ += FileSizeOf(catalogue_.items[runIndex_].name);
        runGroup_ = static_cast<TFileGroup>(runGroup_ + 1);
        if (runGroup_ == fgAnnexe)
            runIndex_ = 0; // the annex group is always read from its first line
    }
    windows_.SetTotalGauge(TotalPercent());
}

} // namespace fendix::engine
