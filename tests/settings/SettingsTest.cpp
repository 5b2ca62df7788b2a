// Loading and saving fendix.ini on real files: the start-up load, the saved configuration,
// the save, and what each leaves in the file, byte for byte.

#include "settings/Settings.h"

#include "platform/InOutError.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fendix::settings {
namespace {

using catalogue::cbChecked;
using catalogue::cbGrayed;
using catalogue::cbUnchecked;
using testing::ReadFile;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's directory holds description files of its own: a first start lists them.
        for (const char* name : {"ASC01.ASC", "ASC10.ASC", "VRAC05.BBS", "NEWS.BBS", "UTILS.BBS"})
            dir.Write(std::string("prog/") + name, "x\r\n");
        for (const char* name : {"ASC02.ASC", "ASC01.ASC", "VRAC01.BBS", "VRAC12.BBS", "NEWS.BBS"})
            dir.Write(std::string("cd/") + name, "x\r\n");
        annex = dir.Write("extra/MORE.BBS", "MORE.ZIP a file\r\n");
    }

    void Load() { LoadSettings(settings, catalogue, places, iniPath, programDir); }
    void Save() { SaveSettings(settings, catalogue, iniPath); }
    void WriteIni(const std::string& text) const { dir.Write("prog/fendix.ini", text); }
    std::string Win(const std::string& keys) const
    {
        return "[WinFendix]\r\nRepertoireDefaut=" + cd + "\r\n" + keys;
    }

    std::vector<bool> Selection() const
    {
        std::vector<bool> result;
        for (const auto& item : catalogue.items)
            result.push_back(item.selected);
        return result;
    }

    void Select(const std::vector<std::string>& names)
    {
        catalogue::SelectAll(catalogue, false);
        for (const auto& name : names)
            ASSERT_TRUE(catalogue::SelectByName(catalogue, name)) << name;
    }

    testing::TempDir dir;
    const std::string programDir = dir / "prog/";
    const std::string iniPath = dir / "prog/fendix.ini";
    const std::string cd = dir / "cd";
    std::string annex;
    Settings settings;
    catalogue::Catalogue catalogue;
    platform::Places places;
};

TEST_F(SettingsTest, FirstStartWithAMissingOrZeroByteFileWritesEverything)
{
    const std::string expected = "[WinFendix]\r\nRepertoireDefaut=" + dir / "prog"
                                 + "\r\nIgnoreMAJmin=1\r\nChargeTotal=0\r\nAnnexeDAbord=1\r\n"
                                   "[Fichiers standards]\r\nItem1=ASC10.ASC\r\nItem2=ASC01.ASC\r\n"
                                   "Item3=VRAC05.BBS\r\nItem4=NEWS.BBS\r\nItem5=UTILS.BBS\r\nNombre=5\r\n";
    Load();
    EXPECT_EQ(ReadFile(iniPath), expected);
    EXPECT_EQ(settings.DefaultDir, dir / "prog");
    EXPECT_TRUE(settings.IgnoreCase && settings.AnnexeFirst && !settings.LoadAtStart);
    EXPECT_TRUE(settings.AnnexeFiles.empty());
    EXPECT_EQ(Selection(), std::vector<bool>(5, true));
    for (const auto& check : catalogue.checks)
        EXPECT_TRUE(check.state == cbChecked && check.enabled);

    WriteIni("");
    Load();
    EXPECT_EQ(ReadFile(iniPath), expected);

    // A relative path names the file from where the program started, though the build
    // changes the current directory before the write.
    ASSERT_EQ(::unlink(iniPath.c_str()), 0);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    LoadSettings(settings, catalogue, places, "prog/fendix.ini", programDir);
    EXPECT_EQ(ReadFile(iniPath), expected);
}

TEST_F(SettingsTest, ExistingFileIsOnlyReadAndWithoutRepertoireDefautTakesTheProgramDirectory)
{
    WriteIni("[WinFendix]\r\nChargeTotal=0\r\n");
    Load();
    EXPECT_EQ(settings.DefaultDir, programDir);
    EXPECT_EQ(catalogue.items.size(), 5u);
    EXPECT_EQ(ReadFile(iniPath), "[WinFendix]\r\nChargeTotal=0\r\n");
}

TEST_F(SettingsTest, ChargeTotalAndTheSwitchesReadAsIntegers)
{
    for (const auto& [value, number] : std::vector<std::pair<std::string, int>>{
             {"oui", -1}, {"", -1}, {"2", 1}, {"-1", 1}, {"0x0", 0}, {"0x1", 1}}) {
        WriteIni(Win("ChargeTotal=" + value + "\r\nIgnoreMAJmin=" + value + "\r\n"));
        Load();
        // "oui" and the empty value are no numbers: the defaults hold, false and true.
        EXPECT_EQ(settings.LoadAtStart, number == 1) << value;
        EXPECT_EQ(settings.IgnoreCase, number != 0) << value;
    }
}

TEST_F(SettingsTest, SwitchesComeFromTheFileEvenWhenTheSelectionIsNotLoaded)
{
    const std::string text = Win("IgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n"
                                 "[Fichiers standards]\r\nItem1=NEWS.BBS\r\nNombre=1\r\n");
    WriteIni(text);
    Load();
    EXPECT_FALSE(settings.IgnoreCase || settings.AnnexeFirst);
    EXPECT_EQ(Selection(), std::vector<bool>(5, true)); // the saved selection waits for a load
    Select({"NEWS.BBS"});
    Save();
    EXPECT_EQ(ReadFile(iniPath), text);
}

TEST_F(SettingsTest, ChargeTotalAppliesTheSavedSelectionAndAnnexes)
{
    WriteIni(
        Win("ChargeTotal=1\r\n[Fichiers standards]\r\nNombre=2\r\nItem1=VRAC01.BBS\r\nItem2=NOTHERE.BBS\r\n"
            "[Fichiers annexes]\r\nNombre=1\r\nItem1="
            + annex + "\r\n"));
    Load();
    EXPECT_EQ(catalogue.items[3].name, "VRAC01.BBS");
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, false, true, false}));
    EXPECT_EQ(catalogue.checks[0].state, cbUnchecked);
    EXPECT_EQ(catalogue.checks[1].state, cbGrayed);
    EXPECT_EQ(catalogue.checks[2].state, cbUnchecked);
    EXPECT_EQ(settings.AnnexeFiles, std::vector<std::string>{annex});
    EXPECT_TRUE(catalogue.AnnexeCheck);
}

TEST_F(SettingsTest, ShorterSaveKeepsTheOldItemKeysBeyondNombre)
{
    const std::string head = Win("IgnoreMAJmin=1\r\nChargeTotal=1\r\nAnnexeDAbord=1\r\n");
    WriteIni(head
             + "[Fichiers standards]\r\nItem1=ASC02.ASC\r\nItem2=ASC01.ASC\r\nItem3=VRAC12.BBS\r\n"
               "Item4=VRAC01.BBS\r\nItem5=NEWS.BBS\r\nNombre=5\r\n");
    Load();
    Select({"ASC01.ASC", "VRAC01.BBS", "NEWS.BBS"});
    Save();
    EXPECT_EQ(ReadFile(iniPath),
              head
                  + "[Fichiers standards]\r\nItem1=ASC01.ASC\r\nItem2=VRAC01.BBS\r\n"
                    "Item3=NEWS.BBS\r\nItem4=VRAC01.BBS\r\nItem5=NEWS.BBS\r\nNombre=3\r\n");
    LoadSelection(settings, catalogue, places, iniPath);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, false, true, true}));
}

TEST_F(SettingsTest, SaveWithNoSelectionOrAnnexErasesTheirSectionsAndLoadKeepsTheSelection)
{
    WriteIni(
        "[Fichiers annexes]\r\nNombre=1\r\nItem1=/x/OLD.BBS\r\n"
        + Win("ChargeTotal=1\r\n[Fichiers standards]\r\nItem1=NEWS.BBS\r\nNombre=1\r\n[Other]\r\nx=1\r\n"));
    Load();
    EXPECT_TRUE(settings.AnnexeFiles.empty()); // gone from the disk
    catalogue::SelectAll(catalogue, false);
    Save();
    EXPECT_EQ(ReadFile(iniPath),
              Win("ChargeTotal=1\r\nIgnoreMAJmin=1\r\nAnnexeDAbord=1\r\n[Other]\r\nx=1\r\n"));
    Select({"ASC02.ASC", "NEWS.BBS"});
    settings.AnnexeFiles = {annex};
    LoadSelection(settings, catalogue, places, iniPath);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, false, false, false, true}));
    EXPECT_TRUE(settings.AnnexeFiles.empty()); // no section: an empty list
}

TEST_F(SettingsTest, SavedNameSelectsTheFirstItemBearingItExactly)
{
    catalogue.items = {{"A.BBS", false}, {"a.bbs", false}, {"B.BBS", true}, {"A.BBS", false}};
    WriteIni("[Fichiers standards]\r\nNombre=1\r\nItem1=A.BBS\r\n");
    LoadSelection(settings, catalogue, places, iniPath);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(SettingsTest, AnnexesGoneEmptyOrHiddenAreDroppedAndRenumberedAtTheNextSave)
{
    const std::string gone = dir / "ann/GONE.BBS";
    const std::string empty = dir.Write("ann/EMPTY.BBS", "");
    const std::string two = dir.Write("ann/two.asc", "  \xCD\xCD TWO\r\n");
    const std::string hidden = dir.Write("ann/.HIDDEN.BBS", "HIDDEN.ZIP\r\n");
    const std::string head = Win("IgnoreMAJmin=1\r\nChargeTotal=1\r\nAnnexeDAbord=0\r\n"
                                 "[Fichiers standards]\r\nItem1=NEWS.BBS\r\nNombre=1\r\n");
    const std::string tail =
        "\r\nItem3=" + empty + "\r\nItem4=" + two + "\r\nItem5=" + hidden + "\r\nItem6=\r\n";
    WriteIni(head + "[Fichiers annexes]\r\nNombre=6\r\nItem1=" + annex + "\r\nItem2=" + gone + tail);
    Load();
    EXPECT_EQ(settings.AnnexeFiles, (std::vector<std::string>{annex, two}));
    Save();
    EXPECT_EQ(ReadFile(iniPath),
              head + "[Fichiers annexes]\r\nNombre=2\r\nItem1=" + annex + "\r\nItem2=" + two + tail);
}

TEST_F(SettingsTest, HandEditedFileKeepsCommentsBlankLinesSpacingAndOtherSectionsThroughASave)
{
    // As written, and as some editors write it: with a UTF-8 byte-order mark at the start,
    // with form feeds or vertical tabs as blanks around the section lines.
    struct Variant {
        std::string mark;
        std::string blank;
    };
    for (const auto& [mark, blank] : std::vector<Variant>{{"", ""}, {"\xEF\xBB\xBF", "\f"}, {"", "\v"}}) {
        SCOPED_TRACE(mark + blank);
        const std::string top = mark + "; Fendix, set by hand\r\n\r\n" + blank
                                + "[WinFendix]\r\nRepertoireDefaut = " + cd
                                + "\r\n  IgnoreMAJmin=1\r\nchargetotal =1\r\n; annexes after the list\r\n";
        const std::string middle = "\n\r\n[Other Program]\r\nColour=blue\r\nNombre=12\r\n\r\n" + blank
                                   + "[fichiers standards]" + blank + "\r\n";
        const std::string text =
            top + "AnnexeDAbord=\t0" + middle + "Item1 = VRAC12.BBS\r\nItem2=NEWS.BBS\r\nNombre=2\r\n\x1A";
        WriteIni(text);
        Load();
        EXPECT_EQ(settings.DefaultDir, cd);
        EXPECT_EQ(Selection(), (std::vector<bool>{false, false, true, false, true}));
        Save();
        EXPECT_EQ(ReadFile(iniPath), text);

        Select({"ASC01.ASC", "VRAC12.BBS", "NEWS.BBS"});
        settings.AnnexeFirst = true;
        settings.AnnexeFiles = {annex};
        Save();
        EXPECT_EQ(ReadFile(iniPath),
                  top + "AnnexeDAbord=\t1" + middle
                      + "Item1 = ASC01.ASC\r\nItem2=VRAC12.BBS\r\nNombre=3\r\nItem3=NEWS.BBS\r\n\x1A\r\n"
                        "[Fichiers annexes]\r\nNombre=1\r\nItem1="
                      + annex + "\r\n");
        settings = Settings{};
    }
}

TEST_F(SettingsTest, DefaultDirectoryLongerThanAValueIsWrittenWholeAndReadCut)
{
    const std::string longDir = cd + "/" + std::string(1100, 'd');
    catalogue.items = {{"B.BBS", true}};
    settings.DefaultDir = longDir;
    Save();
    EXPECT_NE(ReadFile(iniPath).find("RepertoireDefaut=" + longDir + "\r\n"), std::string::npos);
    EXPECT_THROW(Load(), platform::EInOutError); // no such directory: the list is empty
    EXPECT_EQ(settings.DefaultDir, longDir.substr(0, 1023));
}

TEST_F(SettingsTest, UnreachableDefaultDirectoryLeavesAnEmptyUsableStateAndReportsOnce)
{
    catalogue::BuildCatalogue(catalogue, places, cd); // what an earlier build left
    const std::string missing = dir / "missing";
    const std::string annexes = "[Fichiers annexes]\r\nNombre=1\r\nItem1=" + annex + "\r\n";
    WriteIni("[WinFendix]\r\nRepertoireDefaut=" + missing + "\r\nIgnoreMAJmin=0\r\nChargeTotal=0\r\n"
             + annexes);
    settings.AnnexeFiles = {"/left/over.bbs"};
    try {
        Load();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::EInOutError& error) {
        EXPECT_STREQ(error.what(), "Fichier introuvable");
    }
    EXPECT_EQ(settings.DefaultDir, missing);
    EXPECT_TRUE(catalogue.items.empty());
    EXPECT_EQ(catalogue.AscCount + catalogue.AscVracCount, 0u);
    for (const auto& check : catalogue.checks)
        EXPECT_FALSE(check.enabled);
    EXPECT_TRUE(settings.AnnexeFiles.empty());
    EXPECT_FALSE(settings.IgnoreCase);

    // With the saved configuration asked for, the rest of the load still happens, and a
    // save afterwards writes the state as it stands.
    WriteIni("[WinFendix]\r\nRepertoireDefaut=" + missing + "\r\nChargeTotal=1\r\n" + annexes);
    EXPECT_THROW(Load(), platform::EInOutError);
    EXPECT_EQ(settings.AnnexeFiles, std::vector<std::string>{annex});
    EXPECT_TRUE(catalogue.AnnexeCheck);
    Save();
    EXPECT_EQ(ReadFile(iniPath), "[WinFendix]\r\nRepertoireDefaut=" + missing
                                     + "\r\nChargeTotal=1\r\nIgnoreMAJmin=1\r\nAnnexeDAbord=1\r\n" + annexes);

    // On a first start the file is written all the same.
    const std::string path = dir / "fendix.ini";
    EXPECT_THROW(LoadSettings(settings, catalogue, places, path, dir / "gone/"), platform::EInOutError);
    EXPECT_EQ(ReadFile(path), "[WinFendix]\r\nRepertoireDefaut=" + dir / "gone"
                                  + "\r\nIgnoreMAJmin=1\r\nChargeTotal=0\r\nAnnexeDAbord=1\r\n");
}

TEST_F(SettingsTest, RefusedSaveRaisesAndLeavesTheFileAsItWas)
{
    const std::string text = Win("ChargeTotal=1\r\n");
    WriteIni(text);
    Load();
    ASSERT_EQ(::chmod(iniPath.c_str(), 0444), 0);
    catalogue::SelectAll(catalogue, false);
    try {
        Save();
        ADD_FAILURE() << "the save went through";
    } catch (const ESettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Ne peut écrire dans " + iniPath);
    }
    EXPECT_EQ(ReadFile(iniPath), text);
}

TEST_F(SettingsTest, FileThatCannotBeReadIsReportedAtStartAndNoSaveReplacesIt)
{
    // Over the size a file may have, without the disk space: only its size is looked at.
    const std::string big = dir.Write("big/fendix.ini", "");
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(IniFile::MaxFileSize) + 1), 0);
    const std::string folder = dir.MakeDir("asfolder/fendix.ini");
    for (const auto& [path, message] : std::vector<std::pair<std::string, std::string>>{
             {folder, "Accès au fichier refusé"}, {big, "Fichier: " + big + " invalide."}}) {
        settings = Settings{};
        try {
            LoadSettings(settings, catalogue, places, path, programDir);
            ADD_FAILURE() << "no error raised";
        } catch (const platform::EProgramError& error) {
            EXPECT_EQ(error.what(), message);
        }
        // The first start's state to work with; loading the configuration reports the file
        // too and changes nothing; no save replaces it.
        EXPECT_EQ(settings.DefaultDir, dir / "prog");
        settings.AnnexeFiles = {annex};
        EXPECT_THROW(LoadSelection(settings, catalogue, places, path), platform::EProgramError);
        EXPECT_EQ(settings.AnnexeFiles, std::vector<std::string>{annex});
        EXPECT_THROW(SaveSettings(settings, catalogue, path), ESettingsWriteError);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(std::filesystem::file_size(big), IniFile::MaxFileSize + 1);
}

TEST_F(SettingsTest, NamesAndPathsWithLineEndsCannotSlipKeysIntoTheFile)
{
    catalogue.items = {{"X\r\nNombre=0\r\nItem1=EVIL.BBS", true}, {"B.BBS", true}};
    settings.DefaultDir = cd;
    settings.AnnexeFiles = {"/a\n[WinFendix]\nChargeTotal=1", "/ok/GOOD.BBS"};
    Save();
    const std::string saved = ReadFile(iniPath);
    EXPECT_EQ(saved, Win("IgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n"
                         "[Fichiers annexes]\r\nNombre=1\r\nItem1=/ok/GOOD.BBS\r\n"
                         "[Fichiers standards]\r\nItem1=B.BBS\r\nNombre=1\r\n"));
    settings.DefaultDir = cd + "\r\n[Fichiers standards]";
    EXPECT_THROW(Save(), ESettingsWriteError);
    EXPECT_EQ(ReadFile(iniPath), saved);
}

TEST_F(SettingsTest, CountsAreUnsigned16BitAndTheLargestLoadsInMilliseconds)
{
    catalogue.items = {{"A.BBS", true}, {"B.BBS", true}};
    WriteIni("[Fichiers standards]\r\nNombre=65537\r\nItem1=B.BBS\r\nItem2=A.BBS\r\n");
    LoadSelection(settings, catalogue, places, iniPath);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true}));

    catalogue::SelectAll(catalogue, true);
    WriteIni("[Fichiers standards]\r\nNombre=$10000\r\nItem1=B.BBS\r\n");
    LoadSelection(settings, catalogue, places, iniPath);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true})); // a count of 0: nothing changes

    WriteIni("[Fichiers standards]\r\nNombre=65535\r\n[Fichiers annexes]\r\nNombre=-1\r\n");
    const auto start = std::chrono::steady_clock::now();
    LoadSelection(settings, catalogue, places, iniPath);
    const double took =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ timing ] two counts of 65535 without Item keys: %.2f ms\n", took);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false}));
    EXPECT_LT(took, 500.0);
}

// The figures of a sizeable configuration: 1,000 selected items and 100 annex paths.
TEST_F(SettingsTest, ThousandItemsAndHundredAnnexesLoadAndSaveQuickly)
{
    char name[32];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "big/FILE%04d.BBS", i);
        dir.Write(name, "ENTRY.ZIP  a description\r\n");
    }
    settings.DefaultDir = dir / "big";
    settings.LoadAtStart = true;
    for (int i = 0; i < 100; ++i) {
        std::snprintf(name, sizeof name, "annexes/ANNEX%03d.BBS", i);
        settings.AnnexeFiles.push_back(dir.Write(name, "ANNEX.ZIP  more\r\n"));
    }
    catalogue::BuildCatalogue(catalogue, places, settings.DefaultDir);
    Save();

    std::vector<double> loads;
    std::vector<double> saves;
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    for (int run = 0; run < 15; ++run) {
        Settings loaded;
        catalogue::Catalogue list;
        auto start = std::chrono::steady_clock::now();
        LoadSettings(loaded, list, places, iniPath, programDir);
        loads.push_back(since(start));
        ASSERT_EQ(std::count_if(list.items.begin(), list.items.end(),
                                [](const auto& item) { return item.selected; }),
                  1000);
        ASSERT_EQ(loaded.AnnexeFiles.size(), 100u);
        loaded.AnnexeFirst = run % 2 == 0; // every save changes the file, so each one writes
        start = std::chrono::steady_clock::now();
        SaveSettings(loaded, list, iniPath);
        saves.push_back(since(start));
    }
    std::sort(loads.begin(), loads.end());
    std::sort(saves.begin(), saves.end());
    std::printf("[ timing ] load with the catalogue build: median %.2f ms\n", loads[7]);
    std::printf("[ timing ] save, one atomic write: median %.2f ms\n", saves[7]);
    EXPECT_LT(loads[7], 200.0);
    EXPECT_LT(saves[7], 200.0);
}

} // namespace
} // namespace fendix::settings
