// The headless driver as a user of it sees it: arguments in, lines and an exit code out.

#include "tests/common/CdImages.h"
#include "tests/common/OrdinaryUser.h"
#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
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

// The number of entries a run with --count printed: the line itself, or in JSON the
// summary's count.
std::size_t CountOf(const Outcome& run, std::string_view format)
{
    if (format != "json")
        return run.out.empty() || run.out.back() != '\n' ? SIZE_MAX : std::stoul(run.out);
    const std::size_t last = run.out.rfind('\n', run.out.size() - 2);
    const auto summary = nlohmann::json::parse(run.out.substr(last == std::string::npos ? 0 : last + 1));
    return summary.at("type") == "summary" ? summary.at("entries").get<std::size_t>() : SIZE_MAX;
}

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

// The same collections searched on the disk and packed into every kind of CD image give the
// same events, byte for byte.
TEST_F(FendixSearchTest, ImagesAreSearchedAsTheFoldersTheyHold)
{
    // A listing larger than the reader's buffer, whose entries cross many sectors.
    std::string large;
    for (int i = 0; i < 9000; ++i)
        large += testing::BbsLine("GAME" + std::to_string(i) + ".ZIP  1 01-02-95",
                                  i % 997 == 0 ? "Jeu de tarot" : "Jeu de cartes")
                 + testing::BbsLine("", "version " + std::to_string(i));
    std::string invalid = "BIG.ZIP Jeu\r\n";
    for (int i = 0; i < 200; ++i)
        invalid += std::string(31, ' ') + "more\r\n";
    const std::vector<std::vector<std::pair<std::string, std::string>>> collections = {
        {{"ASC01.ASC", testing::ReadFile(dir / "cd/ASC01.ASC")},
         {"VRAC01.BBS", testing::ReadFile(dir / "cd/VRAC01.BBS")},
         {"NEWS.BBS", testing::ReadFile(dir / "cd/NEWS.BBS")}},
        {{"VRAC02.BBS", large}, {"ASC02.ASC", "  \xCD tarot\r\n\x1A  \xCD tarot\r\n"}, {"BIG.BBS", invalid}},
    };
    const std::vector<std::vector<std::string>> searches = {{"--c1", "Jeu"},
                                                            {"--ignore-case", "--c1", "TAROT"},
                                                            {"--c1", "Jeu", "--on-match", "file", "--count"}};
    for (std::size_t c = 0; c < collections.size(); ++c) {
        const std::string folder = "set" + std::to_string(c);
        for (const auto& [name, bytes] : collections[c])
            dir.Write(folder + "/FICHIERS/" + name, bytes);
        const std::string iso = folder + "/CD.ISO";
        testing::MakeIso(dir / folder, dir / iso, testing::IsoNames::Both);
        testing::MakeIso(dir / folder, dir / (folder + "/PLAIN.ISO"), testing::IsoNames::Plain);
        const std::string mode1 = testing::MakeBinCue(dir / iso, dir / (folder + "/MODE1.BIN"));
        const std::string mode2 = testing::MakeBinCue(dir / iso, dir / (folder + "/MODE2.BIN"), true);
        for (const auto& search : searches) {
            std::vector<std::string> args = search;
            args.push_back(folder + "/FICHIERS");
            const Outcome onDisk = Run(args);
            ASSERT_EQ(onDisk.status, 0);
            for (const std::string& image : {iso, folder + "/PLAIN.ISO", mode1, mode2}) {
                SCOPED_TRACE(image + " " + search[1]);
                args.back() = image + "/fichiers";
                const Outcome inImage = Run(args);
                EXPECT_EQ(inImage.status, 0);
                EXPECT_EQ(inImage.out, onDisk.out);
            }
        }
    }
    // Several folders and images, one after the other as one search: each catalogue's files
    // named by their folder, one count, each catalogue listed under its folder.
    const std::string first = "set0/CD.ISO/fichiers";
    const std::string second = "set1/FICHIERS";
    const auto count = [&](std::vector<std::string> folders) {
        folders.insert(folders.begin(), {"--count", "--c1", "Jeu"});
        return std::stoi(Run(folders).out);
    };
    EXPECT_EQ(count({first, second}), count({first}) + count({second}));
    const Outcome both = Run({"--c1", "Jeu", first, second});
    EXPECT_EQ(both.out.find("DescLabel ASC01.ASC"), std::string::npos);
    EXPECT_NE(both.out.find("DescLabel " + dir / first + "/VRAC01.BBS fichier type BBS"), std::string::npos);
    EXPECT_NE(both.out.find("DescLabel " + dir / second + "/VRAC02.BBS fichier type BBS"), std::string::npos);
    EXPECT_EQ(Run({"--list", first, second}).out, "directory " + first + "\n" + Run({"--list", first}).out
                                                      + "directory " + second + "\n"
                                                      + Run({"--list", second}).out);
}

TEST_F(FendixSearchTest, AnnexesAndSettingsInsideImagesAndTheErrorsOfImages)
{
    dir.Write("cd/fendix.ini", "[WinFendix]\r\nChargeTotal=1\r\n[Fichiers standards]\r\nNombre=1\r\n"
                               "Item1=NEWS.BBS\r\n");
    testing::MakeIso(dir / "cd", dir / "shelf/CD.ISO", testing::IsoNames::RockRidge);
    EXPECT_EQ(Run({"--count", "--c1", "Jeu", "--annex", "shelf/CD.ISO/vrac01.bbs", "cd"}).out, "4\n");
    EXPECT_EQ(
        Run({"--count", "--ignore-case", "--c1", "u", "--ini", "shelf/CD.ISO/FENDIX.INI", "shelf/CD.ISO"})
            .out,
        "1\n");

    dir.Write("shelf/BAD.ISO", std::string(16 * 2048, '\0')
                                   + "\x01"
                                     "CD001\x01"
                                   + std::string(2041, '\0'));
    dir.Write("shelf/BAD.CUE", "FILE \"../cd/NEWS.BBS\" BINARY\r\n  TRACK 01 MODE1/2352\r\n");
    for (const char* image : {"shelf/BAD.ISO", "shelf/BAD.CUE"}) {
        const Outcome run = Run({"--count", "--c1", "Jeu", image});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "Error Image de CD illisible: " + dir / image + ".\n");
    }
    const Outcome run = Run({"--count", "--c1", "Jeu", "shelf/CD.ISO/NOWHERE"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Fichier introuvable.\n");
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

TEST_F(FendixSearchTest, UsageErrorsSayWhatIsWrongInOneLineAndExitWithTwo)
{
    struct Case {
        std::vector<std::string> args;
        std::string wrong;
    };
    for (const Case& c : std::vector<Case>{
             {{}, "no directory given"},
             {{"--c1"}, "--c1 needs a value"},
             {{"--bogus", "cd"}, "unknown option --bogus"},
             {{"--frobnicate=3", "cd"}, "unknown option --frobnicate"},
             {{"cd", "other", "--list=x"}, "--list takes no value"},
             {{"--on-match", "later", "cd"},
              "unknown value for --on-match: later (continue, file, section, menu or quit)"},
             {{"--format", "html", "cd"}, "unknown value for --format: html (events, text or json)"},
             {{"--color", "sometimes", "cd"}, "unknown value for --color: sometimes (auto, always or never)"},
             {{"--color=", "cd"}, "unknown value for --color:  (auto, always or never)"},
             {{"cd", "--color"}, "--color needs a value"},
             {{"--trace=yes", "cd"}, "--trace takes no value"}}) {
        const Outcome run = Run(c.args);
        EXPECT_EQ(run.status, 2) << c.wrong;
        EXPECT_TRUE(run.out.empty()) << c.wrong;
        EXPECT_EQ(run.err, "fendix-search: " + c.wrong + "\nTry 'fendix-search --help'.\n");
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
    EXPECT_EQ(inHelp.size(), 24u); // what the help lists today, so that none goes unnoticed
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

TEST_F(FendixSearchTest, TypedTextsAreReadAsTheWindowsReadThemInEveryFormat)
{
    struct Case {
        std::string text;
        std::size_t count;
    };
    for (const char* format : {"events", "text", "json"}) {
        for (const Case& c : std::vector<Case>{{"café", 1},           // UTF-8, encoded to the code page
                                               {"cafe\xCC\x81", 1},   // decomposed: composed first
                                               {"caf\x82", 1},        // not UTF-8: taken as it is
                                               {"═ DISQUE", 2},       // box drawing
                                               {"jeu", 2},            // ASCII: the bytes
                                               {"jeu €", 0},          // the code page has no euro sign
                                               {"caf\xCC\x81", 0}}) { // a lone accent, which it lacks
            EXPECT_EQ(CountOf(Run({"--format", format, "--count", "--c1", c.text, "cd"}), format), c.count)
                << format << " " << c.text;
        }
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
        EXPECT_EQ(run.err, "fendix-search: missing: Fichier introuvable.\n");
    }
    // The count itself is the same in both formats.
    EXPECT_EQ(Run({"--format", "text", "--count", "--ignore-case", "--c1", "jeu", "cd"}).out, "4\n");
}

TEST_F(FendixSearchTest, OutputThatCannotBeWrittenEndsWithStatusOne)
{
    RunOptions options;
    options.outputFile = "/dev/full";
    for (const char* format : {"events", "text", "json"}) {
        const Outcome run = Run({"--format", format, "--c1", "jeu", "cd"}, options);
        EXPECT_EQ(run.status, 1) << format;
        EXPECT_NE(run.err.find("fendix-search: cannot write the output: "), std::string::npos) << format;
    }
    const Outcome help = Run({"--help"}, options);
    EXPECT_EQ(help.status, 1);
    EXPECT_EQ(help.err, "fendix-search: cannot write the help: No space left on device\n");
}

TEST_F(FendixSearchTest, ErrorsNameThePathThatFailedInTextAndJson)
{
    dir.MakeDir("folder.bbs");
    testing::MakeIso(dir / "cd", dir / "shelf/CD.ISO", testing::IsoNames::RockRidge);
    struct Case {
        std::vector<std::string> args;
        std::string path; // as the user named it
        int code;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             {{"missing"}, "missing", 2, "Fichier introuvable"},
             {{dir / "cd/NEWS.BBS"}, dir / "cd/NEWS.BBS", 3, "Nom de fichier incorrect"},
             {{"--annex", "gone.bbs", "--annexes-first", "cd"}, "gone.bbs", 2, "Fichier introuvable"},
             {{"--annex", "folder.bbs", "cd"}, "folder.bbs", 5, "Accès au fichier refusé"},
             {{"shelf/CD.ISO/NOWHERE"}, "shelf/CD.ISO/NOWHERE", 2, "Fichier introuvable"},
             {{"--annex", "shelf/CD.ISO/GONE.BBS", "cd"}, "shelf/CD.ISO/GONE.BBS", 2, "Fichier introuvable"},
             {{"--annex", dir / "folder.bbs", "cd/"}, dir / "folder.bbs", 5, "Accès au fichier refusé"}}) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--format", "text", "--c1", "jeu"});
        const Outcome text = Run(args);
        EXPECT_EQ(text.status, 1) << c.path;
        EXPECT_EQ(text.err, "fendix-search: " + c.path + ": " + c.message + ".\n");

        args[1] = "json";
        EXPECT_NE(Run(args).out.find("{\"type\":\"error\",\"text\":\"" + c.message + ".\",\"path\":\""
                                     + c.path + "\",\"code\":" + std::to_string(c.code) + "}\n"),
                  std::string::npos);
    }

    // A listed file that cannot be read is named from the directory as given, also to an
    // ordinary user, whom its permissions stop.
    std::filesystem::permissions(dir / "cd/NEWS.BBS", std::filesystem::perms::none);
    EXPECT_EQ(testing::AsOrdinaryUser(dir.Path(),
                                      [&]() -> std::string {
                                          const Outcome run = Run({"--format=text", "--c1", "jeu", "cd"});
                                          return run.err;
                                      }),
              "fendix-search: cd/NEWS.BBS: Accès au fichier refusé.\n");
}

TEST_F(FendixSearchTest, FilesWithMatchesNamesEachFileOnceAndLeavesItAtItsFirstMatch)
{
    std::string bytes = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        bytes += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", bytes);
    dir.Write("other/X.BBS", "X.ZIP jeu\r\n");
    dir.Write("other/ASC01.ASC", "  \xCD jeu\r\n");
    const std::vector<std::string> search = {"--ignore-case", "--c1", "jeu", "cd"};
    struct Case {
        std::vector<std::string> options;
        std::string out;
        std::string err;
    };
    for (const Case& c : std::vector<Case>{
             // The events format prints the paths alone: no invalid-file message either.
             {{"-l"}, "cd/ASC01.ASC\ncd/VRAC01.BBS\n", ""},
             {{"--files-with-matches", "--format=text"},
              "cd/ASC01.ASC\ncd/VRAC01.BBS\n",
              "fendix-search: Fichier: BIG.BBS invalide.\n"},
             // Each file is left at its first match: the count is that of the files.
             {{"-l", "--count"}, "2\n", ""},
             {{"-l", "--on-match", "section", "--count"}, "2\n", ""},
             {{"-l", "--annex", "cd/VRAC01.BBS", "--select", "NEWS.BBS"}, "cd/VRAC01.BBS\n", ""},
             // A file is named by the path the run opened, also after a group was left
             // with a file of the same name in it.
             {{"-l", "--on-match=section", "--annexes-first", "--annex", "other/X.BBS", "--annex",
               "other/ASC01.ASC"},
              "other/X.BBS\ncd/ASC01.ASC\ncd/VRAC01.BBS\n",
              ""}}) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), search.begin(), search.end());
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, 0) << c.out;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

TEST_F(FendixSearchTest, SelectOfANameNotListedWarnsAndTheRunGoesOn)
{
    const std::vector<std::string> args = {"--count",  "--select", "NOPE.BBS", "--select",
                                           "NEWS.BBS", "--c1",     "disque",   "cd"};
    const Outcome events = Run(args); // (in JSON: JsonPrinterTest)
    EXPECT_EQ(events.out + events.err, "1\n");
    std::vector<std::string> textArgs = args;
    textArgs.insert(textArgs.begin(), "--format=text");
    const Outcome text = Run(textArgs);
    EXPECT_EQ(text.out + text.err,
              "1\nfendix-search: warning: --select NOPE.BBS: not among the description files of cd\n");
}

TEST_F(FendixSearchTest, BashCompletesOptionsTheirValuesAndFoldersAndImages)
{
    dir.Write("disc.iso", "");
    dir.Write("notes.txt", "");
    struct Case {
        std::string words; // the words typed, the last one being completed
        std::string completions;
    };
    for (const Case& c : std::vector<Case>{{"--fo", "--format;"},
                                           {"--format ''", "events;text;json;"},
                                           {"--format = j", "json;"},
                                           {"--on-match s", "section;"},
                                           {"--c1 ''", ""},
                                           {"''", "cd;disc.iso;"}}) {
        const std::string script = "source " FENDIX_SEARCH_COMPLETION "\n"
                                   "COMP_WORDS=(fendix-search "
                                   + c.words
                                   + ")\n"
                                     "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                     "_fendix_search\n"
                                     "for word in \"${COMPREPLY[@]}\"; do printf '%s;' \"$word\"; done\n";
        const Outcome run = testing::RunProgram("/bin/bash", {"-c", script}, dir.Path(), dir.Path());
        EXPECT_EQ(run.status, 0) << c.words << run.err;
        EXPECT_EQ(run.out, c.completions) << c.words;
    }
}

} // namespace
} // namespace fendix
