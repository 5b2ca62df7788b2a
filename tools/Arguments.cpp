#include "tools/Arguments.h"

#include <cstddef>

namespace fendix::tools {

namespace {

constexpr std::string_view Help =
    "usage: fendix-search [OPTIONS] DIR...\n"
    "       fendix-search --ini FILE [OPTIONS] [DIR...]\n"
    "Searches the description files of each DIR, a folder or a CD image, one after the other\n"
    "as one search, and prints what the windows would show; for example, over a shelf of\n"
    "images: fendix-search --c1 doom /shelf/*.iso\n"
    "An option's value may also follow it after \"=\" (--c1=TEXT).\n"
    "\n"
    "criteria:\n"
    "  --c1 TEXT, --c2 TEXT, --c3 TEXT   the three texts (an absent text is empty); UTF-8 is\n"
    "                                    encoded to code page 437, other bytes are taken as they are\n"
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
    "                                    its directory when no DIR is given, its switches, selection\n"
    "                                    and annex files; the options above win over it\n"
    "output:\n"
    "  --format events|text|json         events: one tagged line per event, bytes as they are (the\n"
    "                                    default when standard output is not a terminal); text: the\n"
    "                                    entries decoded from code page 437 for reading (the default\n"
    "                                    on a terminal); json: one JSON object per line\n"
    "  --color auto|always|never         bold headers and coloured occurrences in the text format;\n"
    "                                    auto: on a terminal, unless NO_COLOR is set\n"
    "  --trace                           also print the file captions and gauge values\n"
    "  --count                           print only the number of entries shown\n"
    "  --files-with-matches, -l          print only the path of each file with a matching entry\n"
    "  --list                            print the catalogue instead of searching (of several DIRs,\n"
    "                                    each under a line naming its DIR)\n"
    "  --help, -h                        print this help\n";

// A word among the choices of an option, or nothing.
template <typename Value, std::size_t N>
std::optional<Value> Choice(std::string_view word, const std::pair<std::string_view, Value> (&choices)[N])
{
    for (const auto& [name, value] : choices)
        if (word == name)
            return value;
    return std::nullopt;
}

constexpr std::pair<std::string_view, OnMatch> Buttons[] = {{"continue", OnMatch::Continue},
                                                            {"file", OnMatch::File},
                                                            {"section", OnMatch::Section},
                                                            {"menu", OnMatch::Menu},
                                                            {"quit", OnMatch::Quit}};
constexpr std::pair<std::string_view, Format> Formats[] = {
    {"events", Format::Events}, {"text", Format::Text}, {"json", Format::Json}};
constexpr std::pair<std::string_view, ColorWhen> ColorChoices[] = {
    {"auto", ColorWhen::Auto}, {"always", ColorWhen::Always}, {"never", ColorWhen::Never}};

template <typename Value, std::size_t N>
Value Chosen(std::string_view option, const std::string& word,
             const std::pair<std::string_view, Value> (&choices)[N])
{
    if (const auto value = Choice(word, choices))
        return *value;
    std::string known;
    for (std::size_t i = 0; i < N; ++i)
        known += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(choices[i].first);
    throw UsageError{"unknown value for " + std::string(option) + ": " + word + " (" + known + ")"};
}

} // namespace

std::string_view HelpText() noexcept
{
    return Help;
}

Options ParseArguments(int argc, const char* const* argv)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg.front() != '-' || arg == "-") {
            options.directories.emplace_back(arg);
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
            options.onMatch = Chosen("--on-match", value(), Buttons);
        } else if (arg == "--ini") {
            options.ini = value();
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--count") {
            options.count = true;
        } else if (arg == "--files-with-matches" || arg == "-l") {
            options.filesWithMatches = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--format") {
            options.format = Chosen("--format", value(), Formats);
        } else if (arg == "--color") {
            options.color = Chosen("--color", value(), ColorChoices);
        } else if (arg == "--help" || arg == "-h") {
            throw UsageError{"", true};
        } else {
            throw UsageError{"unknown option " + std::string(arg)};
        }
        if (attached && !valueTaken)
            throw UsageError{std::string(arg) + " takes no value"};
    }
    if (options.directories.empty() && !options.ini)
        throw UsageError{"no directory given"};
    return options;
}

} // namespace fendix::tools
