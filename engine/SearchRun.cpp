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
    return Percentage(state_.RunDoneBytes, state_.TotalBytes);
}

void SearchRun::Run()
{
    struct CloseImages {
        platform::Places& places;
        ~CloseImages() { places.CloseImages(); }
    } closeImages{places_};
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
        while (state_.RunIndex < ListCount() && !catalogue_.items[state_.RunIndex].selected)
            ++state_.RunIndex;
        GroupOfIndex(state_.RunIndex);
        if (state_.RunIndex < ListCount()) {
            result = catalogue_.items[state_.RunIndex].name;
            ++state_.RunIndex;
        } else if (AnnexesLast() && !annexes.empty() && windows_.AnnexeChecked()) {
            state_.RunGroup = fgAnnexe;
            result = annexes.front();
            state_.RunIndex = 1;
        }
    } else if (state_.RunIndex < annexes.size() && windows_.AnnexeChecked()) {
        result = annexes[state_.RunIndex];
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

void SearchRun::GroupOfIndex(std::size_t index) noexcept
{
    if (index >= catalogue_.GroupBegin(fgVrac))
        state_.RunGroup = fgVrac;
    if (index >= catalogue_.GroupBegin(fgAutre))
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
    if (state_.RunGroup == fgAnnexe) {
        // Annexes first: the annex files left count as done, and the list follows.
        const auto& annexes = settings_.AnnexeFiles;
        for (std::size_t i = state_.RunIndex; i < annexes.size(); ++i)
            state_.RunDoneBytes += FileSizeOf(annexes[i]);
        state_.RunGroup = fgAsc;
        state_.RunIndex = 0;
    } else {
        // The selected files left in the group being left count as done; the cursor stops at
        // the first index of the next group.
        const std::size_t end = catalogue_.GroupEnd(state_.RunGroup);
        for (; state_.RunIndex < end; ++state_.RunIndex)
            if (catalogue_.items[state_.RunIndex].selected)
                state_.RunDoneBytes += FileSizeOf(catalogue_.items[state_.RunIndex].name);
        state_.RunGroup = static_cast<TFileGroup>(state_.RunGroup + 1);
        if (state_.RunGroup == fgAnnexe)
            state_.RunIndex = 0; // the annex group is always read from its first line
    }
    windows_.SetTotalGauge(TotalPercent());
}

} // namespace fendix::engine
