#include "tools/ConsoleWindows.h"

#include "engine/DescFormat.h"

#include "platform/FileSystem.h"

namespace fendix::tools {

namespace {

// The groups of the run's files: the three of each catalogue, then the annex files.
constexpr std::size_t GroupsOfACatalogue = catalogue::GroupCount;
constexpr std::size_t AnnexGroup = SIZE_MAX;

// The kind of an entry, read from the end of its label.
engine::TDescKind KindOfLabel(std::string_view label) noexcept
{
    for (const engine::TDescKind kind : {engine::dkBbs, engine::dkNews, engine::dkMaj})
        if (label.ends_with(engine::LabelSuffix(kind)))
            return kind;
    return engine::dkBbs;
}

} // namespace

RunFiles::RunFiles(const std::vector<engine::RunCatalogue>& catalogues,
                   const std::vector<std::string>& shownDirectories, const engine::SearchSettings& settings,
                   bool annexes, const std::vector<std::string>& annexNames)
{
    std::vector<File> annexFiles;
    if (annexes)
        for (std::size_t i = 0; i < settings.AnnexeFiles.size(); ++i)
            annexFiles.push_back({settings.AnnexeFiles[i], annexNames.at(i), AnnexGroup});
    if (settings.AnnexeFirst)
        files_ = annexFiles;
    for (std::size_t k = 0; k < catalogues.size(); ++k) {
        const catalogue::Catalogue& catalogue = *catalogues[k].catalogue;
        const std::string& shownDirectory = shownDirectories.at(k);
        for (const auto group : {catalogue::fgAsc, catalogue::fgVrac, catalogue::fgAutre})
            for (std::size_t i = catalogue.GroupBegin(group); i < catalogue.GroupEnd(group); ++i)
                if (catalogue.items[i].selected) {
                    const std::string& name = catalogue.items[i].name;
                    files_.push_back(
                        {catalogues[k].prefix + name,
                         shownDirectory.empty() ? name : platform::AbsolutePath(name, shownDirectory),
                         k * GroupsOfACatalogue + group});
                }
    }
    if (!settings.AnnexeFirst)
        files_.insert(files_.end(), annexFiles.begin(), annexFiles.end());
}

const RunFiles::File& RunFiles::Begin(std::string_view caption)
{
    // The next file in order is the one begun; should the caption not name it, the next
    // that it does name.
    for (std::size_t i = next_; i < files_.size(); ++i) {
        const std::string_view name = platform::ExtractFileName(files_[i].opened);
        const char before = caption.size() > name.size() ? caption[caption.size() - name.size() - 1] : '\0';
        if (caption.ends_with(name) && (before == ' ' || before == '/')) {
            next_ = i + 1;
            return files_[i];
        }
    }
    unknown_ = File{std::string(caption), std::string(caption), AnnexGroup};
    return unknown_;
}

void RunFiles::LeaveGroup() noexcept
{
    if (next_ == 0 || next_ > files_.size())
        return;
    const std::size_t group = files_[next_ - 1].group;
    while (next_ < files_.size() && files_[next_].group == group)
        ++next_;
}

ConsoleWindows::ConsoleWindows(const Options& options, engine::Criteria criteria, engine::SearchState& state,
                               Printer& printer, platform::Places& places, RunFiles files)
    : options_(options), criteria_(std::move(criteria)), state_(state), printer_(printer), places_(places),
      files_(std::move(files))
{
}

// Only the gauge values of a trace are printed; nothing processes messages.
engine::Pacing ConsoleWindows::ReadingPacing()
{
    return Tracing() ? engine::Pacing::EveryEntry : engine::Pacing::Unobserved;
}

void ConsoleWindows::SetFileCaption(std::string_view caption)
{
    current_ = &files_.Begin(caption);
    ++totals_.files;
    totals_.bytes += places_.FileSizeOf(current_->opened);
    if (Tracing()) {
        printer_.FileCaption(caption, current_->shown);
        StopWhenUnwritable();
    }
}

void ConsoleWindows::SetFileGauge(int percent)
{
    fileGauge_ = percent;
    if (Tracing()) {
        printer_.Gauge(GaugeName::File, fileGauge_, totalGauge_);
        StopWhenUnwritable();
    }
}

void ConsoleWindows::SetTotalGauge(int percent)
{
    totalGauge_ = percent;
    if (Tracing()) {
        printer_.Gauge(GaugeName::Total, fileGauge_, totalGauge_);
        StopWhenUnwritable();
    }
}

void ConsoleWindows::ShowEntry(std::string_view label, const engine::ShownEntry& entry)
{
    ++totals_.entries;
    if (!options_.count) {
        const std::string_view path = current_ != nullptr ? std::string_view(current_->shown) : label;
        if (options_.filesWithMatches)
            printer_.FileWithMatch(path);
        else
            printer_.Entry({path, label, KindOfLabel(label), entry.Lines()});
        StopWhenUnwritable();
    }
    PressButton();
}

void ConsoleWindows::ShowInvalidFile(std::string_view message)
{
    if (!options_.count)
        printer_.Message(message);
}

// Once the output cannot be written, nobody can read what the rest of the run would find:
// it ends as "Annuler" would end it.
void ConsoleWindows::StopWhenUnwritable() noexcept
{
    if (printer_.Failed())
        state_.StopSearch = true;
}

// The button of the description window that the options say to press; with -l, at least
// the one that leaves the file.
void ConsoleWindows::PressButton()
{
    switch (options_.onMatch) {
    case OnMatch::Continue:
        if (options_.filesWithMatches)
            state_.SkipFile = true;
        break;
    case OnMatch::File:
        state_.SkipFile = true;
        break;
    case OnMatch::Section:
        state_.SkipGroup = true;
        files_.LeaveGroup();
        break;
    case OnMatch::Menu:
    case OnMatch::Quit:
        state_.StopSearch = true;
        break;
    }
}

} // namespace fendix::tools
