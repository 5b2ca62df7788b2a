// fendix-search: one search run without windows. It prints, one event a line, what the
// windows would show.

#include "catalogue/Catalogue.h"
#include "engine/EntryReader.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/Settings.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace fendix;

constexpr std::string_view Usage =
    "usage: fendix-search [OPTIONS] DIR\n"
    "       fendix-search --ini FILE [OPTIONS] [DIR]\n"
    "Searches the description files of DIR and prints what the windows would show.\n"
    "\n"
    "criteria:\n"
    "  --c1 TEXT, --c2 TEXT, --c3 TEXT   the three texts (an absent text is empty)\n"
    "  --non1, --non2, --non3            negate a criterion\n"
    "  --ou2, --ou3                      join by OR (AND otherwise)\n"
    "  --ignore-case                     letters a to z match without regard to case\n"
    "files:\n"
    "  --select NAME                     search only the listed files of these names (repeatable)\n"
    "  --annex PATH                      append an annex file (repeatable)\n"
    "  --annexes-first                   read the annex files before the list\n"
    "  --no-annex-check                  leave the annex files out\n"
    "buttons:\n"
    "  --on-match continue|file|section|menu|quit\n"
    "                                    the button pressed after every match\n"
    "settings:\n"
    "  --ini FILE                        search with the configuration saved in FILE (a fendix.ini):\n"
    "                                    its directory when DIR is left out, its switches, selection\n"
    "                                    and annex files; the options above win over it\n"
    "output:\n"
    "  --trace                           also print the file captions and gauge values\n"
    "  --count                           print only the number of entries shown\n"
    "  --list                            print the catalogue instead of searching\n";

enum class OnMatch { Continue, File, Section, Menu, Quit };

struct Options {
    engine::Criteria criteria;
    bool ignoreCase = false;
    std::optional<std::vector<std::string>> select;
    std::vector<std::string> annexes;
    bool annexesFirst = false;
    bool annexCheck = true;
    OnMatch onMatch = OnMatch::Continue;
    bool trace = false;
    bool count = false;
    bool list = false;
    std::optional<std::string> directory;
    std::optional<std::string> ini;
};

struct UsageError {
    std::string message;
    bool asked = false; // --help: the usage goes to standard output, as an answer
};

std::optional<OnMatch> ParseOnMatch(std::string_view word)
{
    if (word == "continue")
        return OnMatch::Continue;
    if (word == "file")
        return OnMatch::File;
    if (word == "section")
        return OnMatch::Section;
    if (word == "menu")
        return OnMatch::Menu;
    if (word == "quit")
        return OnMatch::Quit;
    return std::nullopt;
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError{std::string(arg) + " needs a value"};
            return argv[++i];
        };
        if (optionsEnded || arg.empty() || arg.front() != '-' || arg == "-") {
            if (options.directory)
                throw UsageError{"only one directory may be given"};
            options.directory = std::string(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--c1" || arg == "--c2" || arg == "--c3") {
            options.criteria.texts[static_cast<std::size_t>(arg[3] - '1')] = value();
        } else if (arg == "--non1" || arg == "--non2" || arg == "--non3") {
            options.criteria.negated[static_cast<std::size_t>(arg[5] - '1')] = true;
        } else if (arg == "--ou2") {
            options.criteria.EtRadio2 = false;
        } else if (arg == "--ou3") {
            options.criteria.EtRadio3 = false;
        } else if (arg == "--ignore-case") {
            options.ignoreCase = true;
        } else if (arg == "--select") {
            if (!options.select)
                options.select.emplace();
            options.select->push_back(value());
        } else if (arg == "--annex") {
            options.annexes.push_back(value());
        } else if (arg == "--annexes-first") {
            options.annexesFirst = true;
        } else if (arg == "--no-annex-check") {
            options.annexCheck = false;
        } else if (arg == "--on-match") {
            const std::string word = value();
            const auto parsed = ParseOnMatch(word);
            if (!parsed)
                throw UsageError{"unknown button for --on-match: " + word};
            options.onMatch = *parsed;
        } else if (arg == "--ini") {
            options.ini = value();
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--count") {
            options.count = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--help" || arg == "-h") {
            throw UsageError{"", true};
        } else {
            throw UsageError{"unknown option " + std::string(arg)};
        }
    }
    if (!options.directory && !options.ini)
        throw UsageError{"no directory given"};
    return options;
}

// Writes event lines to standard output; the description bytes go out unchanged.
class Printer {
public:
    void Event(std::string_view name, std::string_view text)
    {
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fputc(' ', stdout);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    }
};

// The windows of a run, played by the console.
class ConsoleWindows final : public engine::SearchWindows {
public:
    ConsoleWindows(const Options& options, engine::SearchState& state, Printer& printer)
        : options_(options), state_(state), printer_(printer)
    {
    }

    std::size_t Shown() const noexcept { return shown_; }

    engine::Criteria ReadCriteria() override { return options_.criteria; }
    bool AnnexeChecked() override { return options_.annexCheck; }
    // Only the gauge values of a trace are printed; nothing processes messages.
    engine::Pacing ReadingPacing() override
    {
        return Tracing() ? engine::Pacing::EveryEntry : engine::Pacing::Unobserved;
    }
    void ProcessMessages() override {}

    void SetFileCaption(std::string_view caption) override
    {
        if (Tracing())
            printer_.Event("FicGroup", caption);
    }
    void SetFileGauge(int percent) override
    {
        if (Tracing())
            printer_.Event("FicGauge", std::to_string(percent));
    }
    void SetTotalGauge(int percent) override
    {
        if (Tracing())
            printer_.Event("TotalGauge", std::to_string(percent));
    }

    void ShowEntry(std::string_view label, const engine::ShownEntry& entry) override
    {
        ++shown_;
        if (!options_.count) {
            printer_.Event("DescLabel", label);
            const engine::EntryLineList& lines = entry.Lines();
            for (std::size_t i = 0; i < lines.Count(); ++i)
                printer_.Event("ListeDesc", lines[i]);
        }
        PressButton();
    }

    void ShowInvalidFile(std::string_view message) override
    {
        if (!options_.count)
            printer_.Event("Message", message);
    }

    void BeginRun() override {}
    void EndRun() override {}

private:
    bool Tracing() const noexcept { return options_.trace && !options_.count; }

    // The button of the description window that the options say to press.
    void PressButton()
    {
        switch (options_.onMatch) {
        case OnMatch::Continue:
            break;
        case OnMatch::File:
            state_.SkipFile = true;
            break;
        case OnMatch::Section:
            state_.SkipGroup = true;
            break;
        case OnMatch::Menu:
        case OnMatch::Quit:
            state_.StopSearch = true;
            break;
        }
    }

    const Options& options_;
    engine::SearchState& state_;
    Printer& printer_;
    std::size_t shown_ = 0;
};

// A path as the driver's starting directory sees it, made absolute, since the run changes
// the current directory. An empty path stays empty.
std::string Absolute(const std::string& path, const std::string& start)
{
    return path.empty() ? path : platform::AbsolutePath(path, start);
}

int Search(const Options& options)
{
    Printer printer;
    const std::string start = platform::CurrentDirectory();
    engine::SearchSettings settings;
    catalogue::Catalogue catalogue;
    if (options.ini) {
        // The saved configuration, read as the start-up load reads it; the file is never
        // written. What the command line gives wins over it.
        fendix::settings::Settings saved;
        std::optional<std::string> directory;
        if (options.directory)
            directory = Absolute(*options.directory, start);
        fendix::settings::LoadConfiguration(saved, catalogue, Absolute(*options.ini, start),
                                            platform::ProgramDirectory(), directory);
        settings = saved;
        settings.DefaultDir = Absolute(settings.DefaultDir, start);
        settings.IgnoreCase = settings.IgnoreCase || options.ignoreCase;
        settings.AnnexeFirst = settings.AnnexeFirst || options.annexesFirst;
        if (!options.annexes.empty()) {
            settings.AnnexeFiles.clear();
            for (const auto& annex : options.annexes)
                settings.AnnexeFiles.push_back(Absolute(annex, start));
        }
    } else {
        settings.DefaultDir = Absolute(*options.directory, start);
        settings.IgnoreCase = options.ignoreCase;
        settings.AnnexeFirst = options.annexesFirst;
        for (const auto& annex : options.annexes)
            settings.AnnexeFiles.push_back(Absolute(annex, start));
        catalogue::BuildCatalogue(catalogue, settings.DefaultDir);
    }
    if (options.select) {
        catalogue::SelectAll(catalogue, false);
        for (const auto& name : *options.select)
            catalogue::SelectByName(catalogue, name);
    }

    if (options.list) {
        for (std::size_t i = 0; i < catalogue.items.size(); ++i) {
            const std::string_view group = i < catalogue.AscCount       ? "asc"
                                           : i < catalogue.AscVracCount ? "vrac"
                                                                        : "autre";
            printer.Event(group, catalogue.items[i].name);
        }
        return 0;
    }

    engine::SearchState state;
    ConsoleWindows windows(options, state, printer);
    engine::SearchRun(state, catalogue, settings, windows).Run();
    if (options.count)
        std::printf("%zu\n", windows.Shown());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOFBF, std::size_t{1} << 16);
    Options options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const UsageError& error) {
        if (error.asked) {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return 0;
        }
        if (!error.message.empty())
            std::fprintf(stderr, "fendix-search: %s\n", error.message.c_str());
        std::fwrite(Usage.data(), 1, Usage.size(), stderr);
        return 2;
    }
    int status = 0;
    try {
        status = Search(options);
    } catch (const std::exception& error) {
        // With --count only the error line is printed: nothing else has been.
        std::printf("Error %s.\n", error.what());
        status = 1;
    }
    if (std::fflush(stdout) != 0)
        return 1;
    return status;
}
