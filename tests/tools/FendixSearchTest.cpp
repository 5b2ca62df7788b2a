// The headless driver as a user of it sees it: arguments in, lines and an exit code out.

#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fendix {
namespace {

using testing::Outcome;
using testing::RunOptions;

// The environment of a person at a terminal who asked for nothing about colours.
const RunOptions AtTerminal{{{"NO_COLOR", std::nullopt}, {"GREP_COLORS", std::nullopt}}, true, std::nullopt};

class FendixSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("cd/ASC01.ASC", "Titre du catalogue\r\n"
                                  "  \xCD\xCD DISQUE 1 \xCD\xCD\r\n"
                                  "  Un jeu de plateforme, caf\x82 compris\r\n"
                                  "  \xCD\xCD DISQUE 2 \xCD\xCD\r\n"
                                  "  Un utilitaire\r\n"
                                  "  \xFE\xFE MISE A JOUR\r\n"
                                  "  Nouvelle version du jeu\r\n");
        dir.Write("cd/VRAC01.BBS", testing::BbsLine("DOOM.ZIP    1234 01-01-95", "Jeu de tir")
                                       + testing::BbsLine("", "suite")
                                       + testing::BbsLine("TETRIS.ZIP   456 02-02-95", "Jeu de blocs"));
        dir.Write("cd/NEWS.BBS", testing::BbsLine("UTIL.ZIP     789 03-03-95", "Utilitaire disque"));
    }

    // Runs the driver in the temporary directory and collects what it printed.
    Outcome Run(const std::vector<std::string>& args, const RunOptions& options = {})
    {
        return testing::RunProgram(FENDIX_SEARCH, args, dir.Path(), dir.Path(), options);
    }

    testing::TempDir dir;
};

TEST_F(FendixSearchTest, PrintsEachMatchWithItsLabelAndRawLines)
{
    const Outcome run = Run({"--c1", "jeu", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "DescLabel ASC01.ASC fichier type DP Tool Club, section NEWS\n"
                       "ListeDesc   \xCD\xCD DISQUE 1 \xCD\xCD\n"
                       "ListeDesc   Un jeu de plateforme, caf\x82 compris\n"
                       "DescLabel ASC01.ASC fichier type DP Tool Club, section MAJ\n"
                       "ListeDesc   \xFE\xFE MISE A JOUR\n"
                       "ListeDesc   Nouvelle version du jeu\n");
    EXPECT_TRUE(run.err.empty());
}

TEST_F(FendixSearchTest, OptionsMayFollowTheDirectory)
{
    const Outcome run = Run({"cd", "--ignore-case", "--c1", "JEU DE", "--count"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "3\n");
}

TEST_F(FendixSearchTest, CriteriaCombineWithNegationAndJoins)
{
    EXPECT_EQ(Run({"--count", "--c1", "Jeu", "--c2", "tir", "--non2", "cd"}).out, "1\n");
    EXPECT_EQ(Run({"--count", "--c1", "Jeu", "--c2", "disque", "--ou2", "cd"}).out, "3\n");
    EXPECT_EQ(Run({"--count", "--c1", "zzz", "--non1", "--c2", "Jeu", "--c3", "tir", "--ou3", "cd"}).out,
              "2\n");
    EXPECT_EQ(Run({"--count", "--c1", "", "--c2", "Jeu", "cd"}).out, "0\n");
}

TEST_F(FendixSearchTest, TraceShowsCaptionsAndGauges)
{
    const Outcome run = Run({"--trace", "--select", "NEWS.BBS", "--c1", "Utilitaire", "cd"});
    EXPECT_EQ(run.out, "TotalGauge 0\n"
                       "FicGroup Fichier: NEWS.BBS\n"
                       "FicGauge 0\n"
                       "DescLabel NEWS.BBS fichier type BBS\n"
                       "ListeDesc UTIL.ZIP     789 03-03-95      \n"
                       "ListeDesc Utilitaire disque\n"
                       "TotalGauge 100\n");
}

TEST_F(FendixSearchTest, ListPrintsTheCatalogueInOrder)
{
    dir.Write("cd/ASC07.ASC", "x");
    const Outcome run = Run({"--list", "--count", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "asc ASC07.ASC\nasc ASC01.ASC\nvrac VRAC01.BBS\nautre NEWS.BBS\n");
}

TEST_F(FendixSearchTest, ButtonsPressedAfterEveryMatch)
{
    const std::vector<std::string> base = {"--count", "--c1", "Jeu", "--ignore-case", "cd"};
    auto with = [&](const std::string& button) {
        std::vector<std::string> args = base;
        args.insert(args.begin(), {"--on-match", button});
        return Run(args).out;
    };
    EXPECT_EQ(with("continue"), "4\n");
    EXPECT_EQ(with("file"), "2\n");    // one match in each file that has any
    EXPECT_EQ(with("section"), "2\n"); // the ASC group, then the VRAC group
    EXPECT_EQ(with("menu"), "1\n");
    EXPECT_EQ(with("quit"), "1\n");
}

TEST_F(FendixSearchTest, AnnexFilesComeLastOrFirst)
{
    const std::string annex = dir.Write("other/EXTRA.BBS", "EXTRA.ZIP Jeu en plus\r\n");
    auto labels = [](const std::string& out) {
        std::string result;
        for (std::size_t at = out.find("DescLabel "); at != std::string::npos;
             at = out.find("DescLabel ", at + 1))
            result += out.substr(at + 10, out.find(' ', at + 10) - at - 10) + ";";
        return result;
    };
    EXPECT_EQ(labels(Run({"--ignore-case", "--c1", "Jeu", "--annex", annex, "cd"}).out),
              "ASC01.ASC;ASC01.ASC;VRAC01.BBS;VRAC01.BBS;" + annex + ";");
    EXPECT_EQ(labels(Run({"--ignore-case", "--c1", "Jeu", "--annex", annex, "--annexes-first", "cd"}).out),
              annex + ";ASC01.ASC;ASC01.ASC;VRAC01.BBS;VRAC01.BBS;");
    EXPECT_EQ(labels(Run({"--ignore-case", "--c1", "Jeu", "--annex", annex, "--no-annex-check", "cd"}).out),
              "ASC01.ASC;ASC01.ASC;VRAC01.BBS;VRAC01.BBS;");
    // A relative annex path is taken from where the driver starts.
    EXPECT_EQ(Run({"--count", "--c1", "plus", "--annex", "other/EXTRA.BBS", "cd"}).out, "1\n");
}

TEST_F(FendixSearchTest, InvalidFileIsReportedAndTheRunGoesOn)
{
    std::string bytes = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        bytes += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", bytes);
    const Outcome run = Run({"--c1", "Utilitaire", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Message Fichier: BIG.BBS invalide.\n"
                       "DescLabel NEWS.BBS fichier type BBS\n"
                       "ListeDesc UTIL.ZIP     789 03-03-95      \n"
                       "ListeDesc Utilitaire disque\n");
}

TEST_F(FendixSearchTest, InputOutputErrorsEndTheRunWithStatusOne)
{
    Outcome run = Run({"--c1", "Jeu", "--annex", dir / "gone.bbs", "--annexes-first", "cd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Fichier introuvable.\n");
    run = Run({"--count", "--c1", "Jeu", "missing"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Fichier introuvable.\n");
    run = Run({"--count", "--c1", "Jeu", dir / "cd/NEWS.BBS"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Nom de fichier incorrect.\n");
    run = Run({"--count", "--c1", "Jeu", "--annex", dir.MakeDir("folder.bbs"), "cd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Accès au fichier refusé.\n");
}

TEST_F(FendixSearchTest, BinaryAndEndlessLinesNeverHang)
{
    std::string binary;
    for (int i = 0; i < 200000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    dir.Write("cd/BINARY.BBS", binary);
    dir.Write("cd/ONELINE.BBS", std::string(3u << 20, 'a') + "needle");
    const Outcome run = Run({"--count", "--c1", "needle", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.back(), '\n');
}

TEST_F(FendixSearchTest, UsageErrorsExitWithTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--c1"},
                                                                  {"--bogus", "cd"},
                                                                  {"cd", "other"},
                                                                  {"--on-match", "later", "cd"},
                                                                  {"--format", "html", "cd"},
                                                                  {"--color", "sometimes", "cd"},
                                                                  {"--color=", "cd"},
                                                                  {"cd", "--color"},
                                                                  {"--trace=yes", "cd"}}) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("usage: fendix-search"), std::string::npos);
    }
}

// The options named in a text: words that begin with "-" or "--" and a letter, standing alone
// (not inside a word such as "fendix-search" or "non-empty").
std::set<std::string> OptionsNamedIn(const std::string& text)
{
    static const std::regex option(R"((?:^|[^A-Za-z0-9-])(--?[a-z][a-z0-9-]*))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

TEST_F(FendixSearchTest, HelpAndManualPageNameTheSameOptions)
{
    const Outcome help = Run({"--help"});
    ASSERT_EQ(help.status, 0);
    // The OPTIONS section of the page in man(7) macros, its font changes and escaped hyphens
    // made plain.
    std::string page = testing::ReadFile(FENDIX_SEARCH_MAN_PAGE);
    const std::size_t begin = page.find("\n.SH OPTIONS\n");
    ASSERT_NE(begin, std::string::npos);
    page = page.substr(begin, page.find("\n.SH ", begin + 1) - begin);
    page = std::regex_replace(page, std::regex(R"(\\f[BIRP])"), "");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    const std::set<std::string> inHelp = OptionsNamedIn(help.out);
    EXPECT_EQ(inHelp.size(), 22u); // what the help lists today, so that none goes unnoticed
    EXPECT_EQ(inHelp, OptionsNamedIn(page));
}

// The readable format: what a person at a terminal reads.

constexpr std::string_view AscEntriesAsText = "ASC01.ASC fichier type DP Tool Club, section NEWS\n"
                                              "  ══ DISQUE 1 ══\n"
                                              "  Un jeu de plateforme, café compris\n"
                                              "\n"
                                              "ASC01.ASC fichier type DP Tool Club, section MAJ\n"
                                              "  ■■ MISE A JOUR\n"
                                              "  Nouvelle version du jeu\n";

TEST_F(FendixSearchTest, TextShowsEachEntryUnderItsLabelDecodedWithABlankLineBetween)
{
    const Outcome run = Run({"--format", "text", "--c1", "jeu", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, AscEntriesAsText);
    EXPECT_TRUE(run.err.empty());
}

TEST_F(FendixSearchTest, FormatIsTextOnATerminalAndEventsElsewhere)
{
    const std::vector<std::string> args = {"--color=never", "--c1=jeu", "cd"};
    EXPECT_EQ(Run(args, AtTerminal).out, AscEntriesAsText);
    EXPECT_EQ(Run(args).out.substr(0, 10), "DescLabel ");
    // Asked for, each format is written wherever the output goes.
    std::vector<std::string> events = args;
    events.insert(events.begin(), {"--format", "events", "--color", "always"});
    EXPECT_EQ(Run(events, AtTerminal).out, Run({"--c1", "jeu", "cd"}).out);
}

TEST_F(FendixSearchTest, TextTakesTypedTextsAsCharactersAndEventsAsBytes)
{
    struct Case {
        const char* format;
        std::string text;
        const char* count;
    };
    for (const Case& c : std::vector<Case>{{"text", "café", "1\n"},   // UTF-8, encoded to the code page
                                           {"events", "café", "0\n"}, // the same bytes, matched as they are
                                           {"events", "caf\x82", "1\n"},
                                           {"text", "caf\x82", "1\n"},  // not UTF-8: taken as it is
                                           {"text", "═ DISQUE", "2\n"}, // box drawing
                                           {"text", "jeu €", "0\n"},    // the code page has no euro sign
                                           {"text", "é", "1\n"}}) {     // decomposed: composed first
        EXPECT_EQ(Run({"--format", c.format, "--count", "--c1", c.text, "cd"}).out, c.count)
            << c.format << " " << c.text;
    }
}

TEST_F(FendixSearchTest, TextHeadersShowFileNamesAsUtf8AndNeverAsControls)
{
    const std::string annex = dir.Write("other/Caf\xC3\xA9\x1B[2J\xE9.BBS", "EXTRA.ZIP Jeu en plus\r\n");
    const Outcome run = Run({"--format", "text", "--c1", "plus", "--annex", annex, "cd"});
    EXPECT_EQ(run.out, dir
                           / "other/Café�[2J�.BBS fichier type BBS\n"
                             "EXTRA.ZIP Jeu en plus\n");
}

TEST_F(FendixSearchTest, ColoursFollowTheOptionTheTerminalAndNoColor)
{
    struct Case {
        const char* what;
        std::vector<std::string> options;
        bool terminal;
        std::optional<std::string> noColor;
        bool coloured;
    };
    for (const Case& c : std::vector<Case>{
             {"auto on a terminal", {}, true, std::nullopt, true},
             {"auto, NO_COLOR set", {}, true, "1", false},
             {"auto, NO_COLOR empty", {}, true, "", true},
             {"auto into a file", {"--format", "text"}, false, std::nullopt, false},
             {"never on a terminal", {"--color", "never"}, true, std::nullopt, false},
             {"always into a file", {"--format=text", "--color=always"}, false, std::nullopt, true},
             {"always, NO_COLOR set", {"--format=text", "--color", "always"}, false, "1", true},
             {"events, always", {"--format=events", "--color", "always"}, true, std::nullopt, false}}) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--c1", "jeu", "cd"});
        const RunOptions options{
            {{"NO_COLOR", c.noColor}, {"GREP_COLORS", std::nullopt}}, c.terminal, std::nullopt};
        const Outcome run = Run(args, options);
        EXPECT_EQ(run.status, 0) << c.what;
        EXPECT_EQ(run.out.find('\x1B') != std::string::npos, c.coloured) << c.what;
    }
}

TEST_F(FendixSearchTest, ColoursMarkHeadersAndTheOccurrencesTheSearchCouldFind)
{
    struct Case {
        std::vector<std::string> criteria;
        std::optional<std::string> grepColors;
        std::string line; // the second stored line, as written
    };
    const std::string bold = "\x1B[1m\x1B[K";
    const std::string end = "\x1B[m\x1B[K";
    for (const Case& c : std::vector<Case>{
             {{"--c1", "utilitaire", "--ignore-case"},
              std::nullopt,
              "\x1B[01;31m\x1B[KUtilitaire" + end + " disque"},
             // Negated texts are not marked; a text found twice is marked twice.
             {{"--c1", "UTIL", "--non1", "--c2", "i", "--ou2"},
              std::nullopt,
              "Ut\x1B[01;31m\x1B[Ki" + end + "l\x1B[01;31m\x1B[Ki" + end + "ta\x1B[01;31m\x1B[Ki" + end
                  + "re d\x1B[01;31m\x1B[Ki" + end + "sque"},
             // Overlapping occurrences of two texts are one mark.
             {{"--c1", "Utili", "--c2", "litaire"},
              std::nullopt,
              "\x1B[01;31m\x1B[KUtilitaire" + end + " disque"},
             // GREP_COLORS as grep reads it (more in ColorsFrom's test): mt= and ms=, ne drops \33[K.
             {{"--c1", "disque"}, "mt=01;32:fn=35", "Utilitaire \x1B[01;32m\x1B[Kdisque" + end},
             {{"--c1", "disque"}, "ms=4:ne", "Utilitaire \x1B[4mdisque\x1B[m"}}) {
        std::vector<std::string> args = c.criteria;
        args.insert(args.end(), {"--select", "NEWS.BBS", "cd"});
        const RunOptions options{
            {{"NO_COLOR", std::nullopt}, {"GREP_COLORS", c.grepColors}}, true, std::nullopt};
        const Outcome run = Run(args, options);
        const bool eraseLine = !c.grepColors || c.grepColors->find("ne") == std::string::npos;
        EXPECT_EQ(run.out, (eraseLine ? bold : "\x1B[1m") + "NEWS.BBS fichier type BBS"
                               + (eraseLine ? end : "\x1B[m")
                               + "\n"
                                 "UTIL.ZIP     789 03-03-95      \n"
                               + c.line + "\n")
            << c.grepColors.value_or("default colours");
    }
}

TEST_F(FendixSearchTest, MarksInLongLinesAreWholeWhereverTheyFall)
{
    // A catalogue line stored whole, longer than the part a line is looked at at a time,
    // with occurrences on either side of the parts' borders, astride them, and touching.
    const std::size_t part = 1u << 16;
    const auto at = [](std::string& line, std::size_t where, const std::string& text) {
        line.replace(where, text.size(), text);
    };
    std::string line(3 * part + 100, '.');
    at(line, part - 6, "needle");     // ends at the border
    at(line, 2 * part - 3, "needle"); // astride
    at(line, 2 * part + 3, "needle"); // touching the one before: one mark
    at(line, 3 * part, "needle");     // begins at the border
    dir.Write("long/ASC01.ASC", "  \xCD entry\r\n" + line + "\r\n");
    const Outcome run = Run({"--format=text", "--color=always", "--c1", "needle", "long"});
    const std::string start = "\x1B[01;31m\x1B[K";
    const std::string end = "\x1B[m\x1B[K";
    std::string marked = line;
    marked.insert(3 * part + 6, end);
    marked.insert(3 * part, start);
    marked.insert(2 * part + 9, end);
    marked.insert(2 * part - 3, start);
    marked.insert(part, end);
    marked.insert(part - 6, start);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "\x1B[1m\x1B[KASC01.ASC fichier type DP Tool Club, section NEWS" + end
                           + "\n  \u2550 entry\n" + marked + "\n");
}

TEST_F(FendixSearchTest, TextSendsMessagesAndErrorsToStandardError)
{
    std::string bytes = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        bytes += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", bytes);
    Outcome run = Run({"--format", "text", "--c1", "Utilitaire", "cd"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "NEWS.BBS fichier type BBS\nUTIL.ZIP     789 03-03-95      \nUtilitaire disque\n");
    EXPECT_EQ(run.err, "fendix-search: Fichier: BIG.BBS invalide.\n");

    for (const bool count : {false, true}) {
        std::vector<std::string> args = {"--format", "text", "--c1", "Jeu", "missing"};
        if (count)
            args.push_back("--count");
        run = Run(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "fendix-search: Fichier introuvable.\n");
    }
    // The count itself is the same in both formats.
    EXPECT_EQ(Run({"--format", "text", "--count", "--ignore-case", "--c1", "jeu", "cd"}).out, "4\n");
}

TEST_F(FendixSearchTest, OutputThatCannotBeWrittenEndsWithStatusOne)
{
    for (const char* format : {"events", "text"}) {
        RunOptions options;
        options.outputFile = "/dev/full";
        const Outcome run = Run({"--format", format, "--c1", "jeu", "cd"}, options);
        EXPECT_EQ(run.status, 1) << format;
        EXPECT_NE(run.err.find("fendix-search: cannot write the output: "), std::string::npos) << format;
    }
}

} // namespace
} // namespace fendix
