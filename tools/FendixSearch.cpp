// fendix-search: one search run without windows. It prints what the windows would show:
// one event a line for scripts and tests, the entries as readable text for a person, or one
// JSON object a line.

#include "catalogue/Catalogue.h"
#include "codepage/Cp437.h"
#include "engine/SearchRun.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/Places.h"
#include "platform/ProgramError.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include "tools/Arguments.h"
#include "tools/ConsoleWindows.h"
#include "tools/JsonPrinter.h"
#include "tools/OutputBuffer.h"
#include "tools/Printers.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace fendix;
using namespace fendix::tools;

// A path as the driver's starting directory sees it, made absolute, since the run changes
// the current place. An empty path stays empty.
std::string Absolute(const std::string& path, const std::string& start)
{
    return path.empty() ? path : platform::AbsolutePath(path, start);
}

// A directory as the run puts names after it: with its "/".
std::string WithSlash(std::string directory)
{
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

class Search {
public:
    // `ini`: the configuration named by --ini, read; null without it.
    Search(const Options& options, platform::Places& places, const settings::IniFile* ini, Printer& printer)
        : options_(options), places_(places), ini_(ini), printer_(printer)
    {
    }

    // 0 after a search or a listing, 1 when an error ended it.
    int Run();

private:
    void Prepare();
    void Select();
    std::vector<engine::RunCatalogue> RunCatalogues() const;
    std::string ShownPath(const std::string& path) const;
    int Report(const std::exception_ptr& error);

    const Options& options_;
    platform::Places& places_;
    const settings::IniFile* ini_;
    Printer& printer_;
    engine::SearchSettings settings_;
    // One catalogue for each directory searched, in order: its full path, and the path the
    // output names its files by (as the command line gave it).
    std::vector<catalogue::Catalogue> catalogues_;
    std::vector<std::string> directories_;
    std::vector<std::string> shownDirectories_;
    std::vector<std::string> annexNames_; // the annex files, as the output names them
};

// The settings, the catalogues and the selection the search runs with.
void Search::Prepare()
{
    const std::string start = platform::CurrentDirectory();
    std::vector<std::string> given = options_.directories;
    for (const std::string& directory : given)
        directories_.push_back(Absolute(directory, start));
    shownDirectories_ = given;
    catalogues_.resize(std::max<std::size_t>(given.size(), 1));
    if (ini_ != nullptr) {
        // The saved configuration, read as the start-up load reads it, for each directory;
        // the file is never written. What the command line gives wins over it.
        settings::Settings saved;
        for (std::size_t k = 0; k < catalogues_.size(); ++k) {
            settings::Settings each;
            const std::optional<std::string> directory =
                given.empty() ? std::nullopt : std::optional<std::string>(directories_[k]);
            settings::LoadConfiguration(k == 0 ? saved : each, catalogues_[k], places_, *ini_,
                                        settings::FirstDirectory(), directory);
        }
        settings_ = saved;
        settings_.DefaultDir = Absolute(settings_.DefaultDir, start);
        settings_.IgnoreCase = settings_.IgnoreCase || options_.ignoreCase;
        settings_.AnnexeFirst = settings_.AnnexeFirst || options_.annexesFirst;
        if (!options_.annexes.empty()) {
            settings_.AnnexeFiles.clear();
            for (const auto& annex : options_.annexes)
                settings_.AnnexeFiles.push_back(Absolute(annex, start));
        }
        if (given.empty()) {
            directories_ = {settings_.DefaultDir};
            shownDirectories_ = {settings_.DefaultDir};
        }
        annexNames_ = options_.annexes.empty() ? settings_.AnnexeFiles : options_.annexes;
    } else {
        settings_.DefaultDir = directories_.front();
        settings_.IgnoreCase = options_.ignoreCase;
        settings_.AnnexeFirst = options_.annexesFirst;
        for (const auto& annex : options_.annexes)
            settings_.AnnexeFiles.push_back(Absolute(annex, start));
        annexNames_ = options_.annexes;
        for (std::size_t k = 0; k < catalogues_.size(); ++k)
            catalogue::BuildCatalogue(catalogues_[k], places_, directories_[k]);
    }
    if (options_.select)
        Select();
}

// Only the files of the names asked for; a name that no catalogue lists is warned of.
void Search::Select()
{
    for (catalogue::Catalogue& catalogue : catalogues_)
        catalogue::SelectAll(catalogue, false);
    for (const auto& name : *options_.select) {
        bool listed = false;
        for (catalogue::Catalogue& catalogue : catalogues_)
            listed = catalogue::SelectByName(catalogue, name) || listed;
        if (listed)
            continue;
        std::string directories;
        for (const std::string& shown : shownDirectories_)
            directories += (directories.empty() ? "" : ", ") + shown;
        printer_.Warning("--select " + name + ": not among the description files of " + directories);
    }
}

// The catalogues as the run reads them: one of the default directory, its files by their
// names; or several, each file by its directory and name.
std::vector<engine::RunCatalogue> Search::RunCatalogues() const
{
    std::vector<engine::RunCatalogue> run;
    for (std::size_t k = 0; k < catalogues_.size(); ++k)
        run.push_back(
            {&catalogues_[k], catalogues_.size() == 1 ? std::string() : WithSlash(directories_[k])});
    return run;
}

// A path that an error names, as the output names files: the files of a list from its
// directory as the command line gave it (the run opens them relative to that directory
// made absolute), an annex file as it was given.
std::string Search::ShownPath(const std::string& path) const
{
    for (std::size_t i = 0; i < settings_.AnnexeFiles.size(); ++i)
        if (path == settings_.AnnexeFiles[i])
            return annexNames_[i];
    if (path.empty() || shownDirectories_.empty() || shownDirectories_.front().empty())
        return path;
    if (path.front() != '/')
        return path == "." ? shownDirectories_.front()
                           : platform::AbsolutePath(path, shownDirectories_.front());
    for (std::size_t k = 0; k < directories_.size(); ++k) {
        const std::string& directory = directories_[k];
        if (path == directory)
            return shownDirectories_[k];
        if (path.starts_with(directory) && path.size() > directory.size() && path[directory.size()] == '/')
            return platform::AbsolutePath(std::string_view(path).substr(directory.size() + 1),
                                          shownDirectories_[k]);
    }
    return path;
}

int Search::Run()
{
    try {
        Prepare();
    } catch (...) {
        const int status = Report(std::current_exception());
        if (!options_.list)
            printer_.Summary({});
        return status;
    }
    if (options_.list) {
        for (std::size_t k = 0; k < catalogues_.size(); ++k) {
            const catalogue::Catalogue& catalogue = catalogues_[k];
            if (catalogues_.size() > 1)
                printer_.Item("directory", shownDirectories_[k]);
            for (std::size_t i = 0; i < catalogue.items.size(); ++i) {
                const std::string_view group = i < catalogue.AscCount       ? "asc"
                                               : i < catalogue.AscVracCount ? "vrac"
                                                                            : "autre";
                printer_.Item(group, catalogue.items[i].name);
            }
        }
        return 0;
    }

    // What is typed is read as the windows read it, whatever the output.
    engine::Criteria criteria = options_.criteria;
    for (std::string& text : criteria.texts)
        text = codepage::EncodeTypedText(text);
    printer_.BeginSearch(criteria, settings_.IgnoreCase);
    engine::SearchState state;
    const std::vector<engine::RunCatalogue> catalogues = RunCatalogues();
    ConsoleWindows windows(
        options_, criteria, state, printer_, places_,
        RunFiles(catalogues, shownDirectories_, settings_, options_.annexCheck, annexNames_));
    int status = 0;
    try {
        engine::SearchRun(state, catalogues, settings_, places_, windows).Run();
        if (options_.count)
            printer_.Count(windows.Totals().entries);
    } catch (...) {
        status = Report(std::current_exception());
    }
    printer_.Summary(windows.Totals());
    return status;
}

int Search::Report(const std::exception_ptr& error)
{
    // With --count, in the event format, only the error line is printed: nothing else has
    // been.
    RunError report{platform::ErrorMessage(error), {}, std::nullopt};
    try {
        std::rethrow_exception(error);
    } catch (const platform::EInOutError& inOut) {
        report.code = inOut.Code();
        report.path = ShownPath(inOut.Path());
    } catch (...) {
    }
    printer_.Error(report);
    return 1;
}

// Colours are on when asked for, or, by default, when a person reads standard output on a
// terminal and has not said otherwise (NO_COLOR set to anything but the empty text).
bool ColorsWanted(ColorWhen when, bool terminal)
{
    if (when != ColorWhen::Auto)
        return when == ColorWhen::Always;
    const char* noColor = std::getenv("NO_COLOR");
    return terminal && (noColor == nullptr || *noColor == '\0');
}

// A wrong command line: what is wrong, and where to read how it goes.
int UsageFailed(const UsageError& error)
{
    if (error.asked) {
        const std::string_view help = HelpText();
        if (platform::WriteAll(STDOUT_FILENO, help) == 0)
            return 0;
        const int failure = errno;
        std::fprintf(stderr, "fendix-search: cannot write the help: %s\n", std::strerror(failure));
        return 1;
    }
    std::fprintf(stderr, "fendix-search: %s\nTry 'fendix-search --help'.\n", error.message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const UsageError& error) {
        return UsageFailed(error);
    }

    // A configuration named on the command line must be there to be used: a file that is
    // missing or cannot be read is a mistake of the command, not a first start.
    platform::Places places;
    std::optional<settings::IniFile> ini;
    if (options.ini) {
        try {
            ini.emplace(settings::ReadIniFile(places, *options.ini));
            if (ini->Missing())
                throw platform::EInOutError(platform::InOutCodeOfErrno(ENOENT));
            ini->CheckRead();
        } catch (const platform::EProgramError& error) {
            std::fprintf(stderr, "fendix-search: %s: %s\n", options.ini->c_str(), error.what());
            return 2;
        }
    }

    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    OutputBuffer out(STDOUT_FILENO);
    OutputBuffer errors(STDERR_FILENO, 4096);
    std::unique_ptr<Printer> printer;
    switch (options.format.value_or(terminal ? Format::Text : Format::Events)) {
    case Format::Text: {
        std::optional<Colors> colors;
        if (ColorsWanted(options.color, terminal))
            colors = ColorsFrom(std::getenv("GREP_COLORS"));
        printer = std::make_unique<TextPrinter>(out, errors, terminal, colors);
        break;
    }
    case Format::Json:
        printer = std::make_unique<JsonPrinter>(out, terminal);
        break;
    case Format::Events:
        printer = std::make_unique<EventPrinter>(out, terminal, options.filesWithMatches);
        break;
    }

    const int status = Search(options, places, ini ? &*ini : nullptr, *printer).Run();
    if (!printer->Finish()) {
        errors.Append("fendix-search: cannot write the output: ");
        errors.Append(std::strerror(out.Error()));
        errors.Append('\n');
        errors.Flush();
        return 1;
    }
    return status;
}
