// The headless driver as a user of it sees it: arguments in, lines and an exit code out.

#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fendix {
namespace {

using testing::Outcome;

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
    Outcome Run(const std::vector<std::string>& args)
    {
        return testing::RunProgram(FENDIX_SEARCH, args, dir.Path(), dir.Path());
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
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"--c1"}, {"--bogus", "cd"}, {"cd", "other"}, {"--on-match", "later", "cd"}}) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("usage: fendix-search"), std::string::npos);
    }
}

} // namespace
} // namespace fendix
