// fendix-search --ini: a search with a saved configuration, which the driver only reads.

#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace fendix {
namespace {

using testing::Outcome;

class FendixSearchIniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("cd/ASC01.ASC", "Titre\r\n  \xCD\xCD DISQUE 1 \xCD\xCD\r\n  Un jeu de cartes\r\n");
        dir.Write("cd/VRAC01.BBS", testing::BbsLine("DOOM.ZIP", "Jeu de tir"));
        dir.Write("cd/NEWS.BBS", testing::BbsLine("UTIL.ZIP", "Utilitaire, pas un jeu"));
        dir.Write("other/ASC05.ASC", "Titre\r\n  \xCD\xCD AUTRE \xCD\xCD\r\n  Jeu d'ailleurs\r\n");
        annex = dir.Write("annexes/EXTRA.BBS", testing::BbsLine("EXTRA.ZIP", "Jeu en plus"));
        second = dir.Write("annexes/SECOND.BBS", testing::BbsLine("SECOND.ZIP", "Jeu second"));
    }

    std::string Ini(const std::string& text) const { return dir.Write("fendix.ini", text); }

    Outcome Run(const std::vector<std::string>& args)
    {
        return testing::RunProgram(FENDIX_SEARCH, args, dir.Path(), dir.Path());
    }

    // The files a run shows matches from, in order ("ASC01.ASC;EXTRA.BBS;").
    static std::string Labels(const std::string& out)
    {
        std::string result;
        for (std::size_t at = out.find("DescLabel "); at != std::string::npos;
             at = out.find("DescLabel ", at + 1)) {
            const std::string label = out.substr(at + 10, out.find(' ', at + 10) - at - 10);
            result += label.substr(label.rfind('/') + 1) + ";";
        }
        return result;
    }

    testing::TempDir dir;
    std::string annex;
    std::string second;
};

TEST_F(FendixSearchIniTest, SavedDirectorySwitchesSelectionAndAnnexesAreUsed)
{
    Ini("[WinFendix]\r\nRepertoireDefaut=" + dir / "cd"
        + "\r\nIgnoreMAJmin=1\r\nChargeTotal=0\r\nAnnexeDAbord=1\r\n"
          "[Fichiers annexes]\r\nNombre=3\r\nItem1="
        + annex + "\r\nItem2=" + dir / "annexes/GONE.BBS" + "\r\nItem3=" + second
        + "\r\n"
          "[Fichiers standards]\r\nItem1=ASC01.ASC\r\nItem2=NEWS.BBS\r\nNombre=2\r\n");
    // "ChargeTotal" says 0, yet the saved selection and annexes are taken; the missing annex
    // is dropped; the annexes come first; "jeu" matches "Jeu" without regard to case.
    const Outcome run = Run({"--ini", "fendix.ini", "--c1", "jeu"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Labels(run.out), "EXTRA.BBS;SECOND.BBS;ASC01.ASC;NEWS.BBS;");
}

TEST_F(FendixSearchIniTest, CommandLineWinsOverTheFile)
{
    Ini("[WinFendix]\r\nRepertoireDefaut=" + dir / "cd"
        + "\r\nIgnoreMAJmin=0\r\nAnnexeDAbord=0\r\n"
          "[Fichiers annexes]\r\nNombre=1\r\nItem1="
        + annex + "\r\n[Fichiers standards]\r\nItem1=ASC01.ASC\r\nNombre=1\r\n");
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--c1", "Jeu"}).out), "EXTRA.BBS;");
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--c1", "jeu", "--ignore-case"}).out),
              "ASC01.ASC;EXTRA.BBS;");
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--c1", "Jeu", "--annexes-first"}).out), "EXTRA.BBS;");
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--ignore-case", "--c1", "jeu", "--select", "VRAC01.BBS",
                          "--annex", "annexes/SECOND.BBS"})
                         .out),
              "VRAC01.BBS;SECOND.BBS;");
    // A directory given on the command line replaces the saved one; the saved names that it
    // does not hold are passed over.
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--c1", "Jeu", "other"}).out), "EXTRA.BBS;");
    EXPECT_EQ(Labels(Run({"--ini", "fendix.ini", "--c1", "Jeu", "--select", "ASC05.ASC", "other"}).out),
              "ASC05.ASC;EXTRA.BBS;");
}

TEST_F(FendixSearchIniTest, EmptyFileIsAFirstStartAndNoFileIsEverWritten)
{
    const std::string empty = Ini("");
    Outcome run = Run({"--ini", empty, "--c1", "jeu", "cd", "--annex", annex});
    EXPECT_EQ(run.status, 0) << run.err;
    // Every file, without regard to case, the annexes first.
    EXPECT_EQ(Labels(run.out), "EXTRA.BBS;ASC01.ASC;VRAC01.BBS;NEWS.BBS;");
    EXPECT_EQ(testing::ReadFile(empty), "");

    // A file that any save would change (keys missing, odd spacing, no "Nombre") stays.
    const std::string text =
        "[WinFendix]\nRepertoireDefaut = " + dir / "cd" + "\n[Fichiers standards]\nItem1=NEWS.BBS";
    const std::string path = Ini(text);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_EQ(Run({"--ini", path, "--count", "--c1", "jeu"}).out, "3\n");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(testing::ReadFile(path), text);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(FendixSearchIniTest, FileMissingOrUnreadableIsAnErrorNamingIt)
{
    dir.MakeDir("folder.ini");
    for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
             {"absent.ini", "Fichier introuvable"}, {"folder.ini", "Accès au fichier refusé"}}) {
        const Outcome run = Run({"--ini", name, "--c1", "jeu", "cd"});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "fendix-search: " + name + ": " + message + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(FendixSearchIniTest, SavedDirectoryThatIsGoneIsAnErrorAndNoDirectoryAtAllIsAUsageError)
{
    Ini("[WinFendix]\r\nRepertoireDefaut=" + dir / "gone" + "\r\n");
    Outcome run = Run({"--ini", "fendix.ini", "--count", "--c1", "jeu"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error Fichier introuvable.\n");

    run = Run({"--count", "--c1", "jeu"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "fendix-search: no directory given\nTry 'fendix-search --help'.\n");
    run = Run({"--ini"});
    EXPECT_EQ(run.status, 2);
}

} // namespace
} // namespace fendix
