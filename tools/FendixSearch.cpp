// fendix-search: one search run without windows. It prints what the windows would show:
// one event a line for scripts and tests, or the entries as readable text for a person.

#include "catalogue/Catalogue.h"
#include "codepage/Cp437.h"
#include "engine/EntryReader.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/Settings.h"
#include "tools/OutputBuffer.h"
#include "tools/Printers.h"
#include "tools/TerminalText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace fendix;

constexpr std::string_view Usage =
    "usage: fendix-search [OPTIONS] DIR\n"
    "       fendix-search --ini FILE [OPTIONS] [DIR]\n"
    "Searches the description files of DIR and prints what the windows would show.\n"
    "An option's value may also follow it after \"=\" (--c1=TEXT).\n"
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
    "  --format events|text              events: one tagged line per event, bytes as they are (the\n"
    "                                    default when standard output is not a terminal); text: the\n"
    "                                    entries decoded from code page 437 for reading, the texts\n"
    "                                    taken as UTF-8 (the default on a terminal)\n"
    "  --color auto|always|never         bold headers and coloured occurrences in the text format;\n"
    "                                    auto: on a terminal, unless NO_COLOR is set\n"
    "  --trace                           also print the file captions and gauge values\n"
    "  --count                           print only the number of entries shown\n"
    "  --list                            print the catalogue instead of searching\n"
    "  --help, -h                        print this help\n";

enum class OnMatch { Continue, File, Section, Menu, Quit };
enum class Format { Events, Text };
enum class ColorWhen { Auto, Always, Never };

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
    std::optional<Format> format; // chosen by the output when not given
    ColorWhen color = ColorWhen::Auto;
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

std::optional<Format> ParseFormat(std::string_view word)
{
    if (word == "events")
        return Format::Events;
    if (word == "text")
        return Format::Text;
    return std::nullopt;
}

std::optional<ColorWhen> ParseColorWhen(std::string_view word)
{
    if (word == "auto")
        return ColorWhen::Auto;
    if (word == "always")
        return ColorWhen::Always;
    if (word == "never")
        return ColorWhen::Never;
    return std::nullopt;
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg.front() != '-' || arg == "-") {
            if (options.directory)
                throw UsageError{"only one directory may be given"};
            options.directory = std::string(arg);
            continue;
        }
        // "--name=value" gives the value in the same argument.
        std::optional<std::string_view> attached;
        if (const std::size_t equals = arg.find('=');
            arg.starts_with("--") && equals != std::string_view::npos) {
            attached = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        bool valueTaken = false;
        const auto value = [&]() -> std::string {
            valueTaken = true;
            if (attached)
                return std::string(*attached);
            if (i + 1 >= argc)
                throw UsageError{std::string(arg) + " needs a value"};
            return argv[++i];
        };
        if (arg == "--") {
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
        } else if (arg == "--format") {
            const std::string word = value();
            options.format = ParseFormat(word);
            if (!options.format)
                throw UsageError{"unknown output format for --format: " + word};
        } else if (arg == "--color") {
            const std::string word = value();
            const auto parsed = ParseColorWhen(word);
            if (!parsed)
                throw UsageError{"unknown value for --color: " + word + " (auto, always or never)"};
            options.color = *parsed;
        } else if (arg == "--help" || arg == "-h") {
            throw UsageError{"", true};
        } else {
            throw UsageError{"unknown option " + std::string(arg)};
        }
        if (attached && !valueTaken)
            throw UsageError{std::string(arg) + " takes no value"};
    }
    if (!options.directory && !options.ini)
        throw UsageError{"no directory given"};
    return options;
}

// The windows of a run, played by the console.
class ConsoleWindows final : public engine::SearchWindows {
public:
    ConsoleWindows(const Options& options, engine::SearchState& state, tools::Printer& printer)
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
        if (Tracing()) {
            printer_.Trace("FicGroup", caption);
            StopWhenUnwritable();
        }
    }
    void SetFileGauge(int percent) override
    {
        if (Tracing())
            TraceNumber("FicGauge", percent);
    }
    void SetTotalGauge(int percent) override
    {
        if (Tracing())
            TraceNumber("TotalGauge", percent);
    }

    void ShowEntry(std::string_view label, const engine::ShownEntry& entry) override
    {
        ++shown_;
        if (!options_.count) {
            printer_.Label(label);
            const engine::EntryLineList& lines = entry.Lines();
            for (std::size_t i = 0; i < lines.Count(); ++i)
                printer_.Line(lines[i]);
            printer_.EndEntry();
            StopWhenUnwritable();
        }
        PressButton();
    }

    void ShowInvalidFile(std::string_view message) override
    {
        if (!options_.count)
            printer_.Message(message);
    }

    void BeginRun() override {}
    void EndRun() override {}

private:
    bool Tracing() const noexcept { return options_.trace && !options_.count; }

    void TraceNumber(std::string_view name, int value)
    {
        char digits[16];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
        printer_.Trace(name, std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
        StopWhenUnwritable();
    }

    // Once the output cannot be written, nobody can read what the rest of the run would
    // find: it ends as "Annuler" would end it.
    void StopWhenUnwritable() noexcept
    {
        if (printer_.Failed())
            state_.StopSearch = true;
    }

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
    tools::Printer& printer_;
    std::size_t shown_ = 0;
};

// A path as the driver's starting directory sees it, made absolute, since the run changes
// the current directory. An empty path stays empty.
std::string Absolute(const std::string& path, const std::string& start)
{
    return path.empty() ? path : platform::AbsolutePath(path, start);
}

int Search(const Options& options, tools::Printer& printer)
{
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
            printer.Item(group, catalogue.items[i].name);
        }
        return 0;
    }

    printer.BeginSearch(options.criteria, settings.IgnoreCase);
    engine::SearchState state;
    ConsoleWindows windows(options, state, printer);
    engine::SearchRun(state, catalogue, settings, windows).Run();
    if (options.count)
        printer.Count(windows.Shown());
    return 0;
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

} // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const UsageError& error) {
        if (error.asked) {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (!error.message.empty())
            std::fprintf(stderr, "fendix-search: %s\n", error.message.c_str());
        std::fwrite(Usage.data(), 1, Usage.size(), stderr);
        return 2;
    }

    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    tools::OutputBuffer out(STDOUT_FILENO);
    tools::OutputBuffer errors(STDERR_FILENO, 4096);
    std::unique_ptr<tools::Printer> printer;
    if (options.format.value_or(terminal ? Format::Text : Format::Events) == Format::Text) {
        // What a person types is read as the characters it shows, as the windows read it.
        for (std::string& text : options.criteria.texts)
            text = codepage::EncodeTypedText(text);
        std::optional<tools::Colors> colors;
        if (ColorsWanted(options.color, terminal))
            colors = tools::ColorsFrom(std::getenv("GREP_COLORS"));
        printer = std::make_unique<tools::TextPrinter>(out, errors, terminal, colors);
    } else {
        printer = std::make_unique<tools::EventPrinter>(out, terminal);
    }

    int status = 0;
    try {
        status = Search(options, *printer);
    } catch (const std::bad_alloc&) {
        printer->Error("Mémoire insuffisante");
        status = 1;
    } catch (const std::exception& error) {
        // With --count, in the event format, only the error line is printed: nothing else
        // has been.
        printer->Error(error.what());
        status = 1;
    }
    if (!printer->Finish()) {
        errors.Append("fendix-search: cannot write the output: ");
        errors.Append(std::strerror(out.Error()));
        errors.Append('\n');
        errors.Flush();
        return 1;
    }
    return status;
}
