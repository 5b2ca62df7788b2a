#include "engine/SearchRun.h"

#include "engine/EntryReader.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "tests/common/TempDir.h"
#include "tests/engine/RecordingWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using Events = std::vector<std::string>;

// A directory with two ASC, two VRAC and two other files, and two annex files elsewhere;
// every file holds one entry that names it, and is 20 bytes long.
class SearchRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"ASC02.ASC", "ASC01.ASC", "VRAC02.BBS", "VRAC01.BBS", "AAA.BBS", "ZZZ.BBS"})
            dir.Write(std::string("list/") + name, Entry(name));
        settings.DefaultDir = dir / "list";
        settings.AnnexeFiles = {dir.Write("annex/ONE.BBS", Entry("ONE.BBS")),
                                dir.Write("annex/TWO.ASC", Entry("TWO.ASC"))};
        catalogue::BuildCatalogue(catalogue, places, settings.DefaultDir);
        windows.criteria.texts[0] = "entry";
        windows.recordGauges = false;
    }

    static std::string Entry(const std::string& name)
    {
        std::string line = (name.find(".ASC") != std::string::npos ? "  \xCD " : "") + name;
        line.resize(12, ' ');
        return line + " entry\r\n";
    }

    // Runs a search; the bytes it counted as done.
    std::int64_t Run()
    {
        SearchRun run(state, catalogue, settings, places, windows);
        run.Run();
        return run.DoneBytes();
    }

    // The files read, in order, by their captions.
    Events Read() const { return windows.Only("FicGroup"); }

    static Events Captions(const std::vector<std::string>& names)
    {
        Events captions;
        for (const auto& name : names)
            captions.push_back("FicGroup Fichier: " + name);
        return captions;
    }

    // Presses a button of the description window when the entry of a file is shown.
    void PressAt(const std::string& name, bool SearchState::*flag)
    {
        windows.onShown = [this, name, flag](int) {
            const auto labels = windows.Only("DescLabel");
            if (labels.back().find(name + " ") != std::string::npos)
                state.*flag = true;
        };
    }

    fendix::testing::TempDir dir;
    catalogue::Catalogue catalogue;
    platform::Places places;
    SearchSettings settings;
    SearchState state;
    fendix::testing::RecordingWindows windows{state};
};

TEST_F(SearchRunTest, ListGroupsThenAnnexes)
{
    const std::int64_t done = Run();
    EXPECT_EQ(Read(), Captions({"ASC02.ASC", "ASC01.ASC", "VRAC02.BBS", "VRAC01.BBS", "AAA.BBS", "ZZZ.BBS",
                                "ONE.BBS", "TWO.ASC"}));
    EXPECT_EQ(windows.events.front(), "BeginRun");
    EXPECT_EQ(windows.events.back(), "EndRun");
    // A list file is labelled by its bare name, an annex file by its full path.
    EXPECT_EQ(windows.Only("DescLabel").front(),
              "DescLabel ASC02.ASC fichier type DP Tool Club, section NEWS");
    EXPECT_EQ(windows.Only("DescLabel").back(),
              "DescLabel " + settings.AnnexeFiles[1] + " fichier type DP Tool Club, section NEWS");
    EXPECT_EQ(state.TotalBytes, 8 * 20);
    EXPECT_EQ(done, state.TotalBytes);
}

TEST_F(SearchRunTest, TotalGaugeReachesOneHundred)
{
    windows.recordGauges = true;
    Run();
    const Events totals = windows.Only("TotalGauge");
    EXPECT_EQ(totals.front(), "TotalGauge 0");
    EXPECT_EQ(totals.back(), "TotalGauge 100");
    EXPECT_EQ(totals.size(), 9u);
    EXPECT_EQ(windows.Only("FicGauge").size(), 8u); // set to 0 as each file starts
}

TEST_F(SearchRunTest, AnnexesFirstThenTheListFromItsStart)
{
    settings.AnnexeFirst = true;
    catalogue.items[0].selected = false;
    Run();
    EXPECT_EQ(Read(), Captions({"ONE.BBS", "TWO.ASC", "ASC01.ASC", "VRAC02.BBS", "VRAC01.BBS", "AAA.BBS",
                                "ZZZ.BBS"}));
}

TEST_F(SearchRunTest, UncheckedAnnexesAreNeitherCountedNorRead)
{
    for (const bool first : {false, true}) {
        windows.events.clear();
        settings.AnnexeFirst = first;
        windows.annexeChecked = false;
        Run();
        EXPECT_EQ(Read().size(), 6u);
        EXPECT_EQ(state.TotalBytes, 6 * 20);
    }
}

TEST_F(SearchRunTest, NothingToReadShowsAndHidesTheProgressWindow)
{
    catalogue::SelectAll(catalogue, false);
    settings.AnnexeFiles.clear();
    windows.recordGauges = true;
    Run();
    EXPECT_EQ(windows.events, (Events{"BeginRun", "TotalGauge 0", "EndRun"}));
    EXPECT_TRUE(state.StopSearch);
}

TEST_F(SearchRunTest, SectionSuivanteInAscGoesToTheNextSelectedFile)
{
    PressAt("ASC02.ASC", &SearchState::SkipGroup);
    catalogue.items[2].selected = false; // VRAC02.BBS
    catalogue.items[3].selected = false; // VRAC01.BBS
    windows.recordGauges = true;
    Run();
    EXPECT_EQ(Read(), Captions({"ASC02.ASC", "AAA.BBS", "ZZZ.BBS", "ONE.BBS", "TWO.ASC"}));
    // ASC01.ASC counts as done when the group is left.
    const Events totals = windows.Only("TotalGauge");
    EXPECT_EQ(totals[1], "TotalGauge 17"); // 20 of 120 bytes
    EXPECT_EQ(totals[2], "TotalGauge 33"); // 40 of 120
    EXPECT_EQ(totals.back(), "TotalGauge 100");
}

TEST_F(SearchRunTest, SectionSuivanteInTheLastListGroupGoesToTheAnnexes)
{
    PressAt("AAA.BBS", &SearchState::SkipGroup);
    const std::int64_t done = Run();
    EXPECT_EQ(Read(), Captions({"ASC02.ASC", "ASC01.ASC", "VRAC02.BBS", "VRAC01.BBS", "AAA.BBS", "ONE.BBS",
                                "TWO.ASC"}));
    EXPECT_EQ(done, state.TotalBytes);
}

TEST_F(SearchRunTest, SectionSuivanteInFirstAnnexesGoesToTheList)
{
    settings.AnnexeFirst = true;
    PressAt("ONE.BBS", &SearchState::SkipGroup);
    const std::int64_t done = Run();
    EXPECT_EQ(Read(), Captions({"ONE.BBS", "ASC02.ASC", "ASC01.ASC", "VRAC02.BBS", "VRAC01.BBS", "AAA.BBS",
                                "ZZZ.BBS"}));
    EXPECT_EQ(done, state.TotalBytes);
}

TEST_F(SearchRunTest, SectionSuivanteInTheLastGroupEndsTheRun)
{
    PressAt("ONE.BBS", &SearchState::SkipGroup);
    Run();
    EXPECT_EQ(Read().back(), "FicGroup Fichier: ONE.BBS");
    settings.AnnexeFirst = true;
    windows.events.clear();
    PressAt("AAA.BBS", &SearchState::SkipGroup);
    Run();
    EXPECT_EQ(Read().back(), "FicGroup Fichier: AAA.BBS");
    EXPECT_EQ(windows.events.back(), "EndRun");
}

TEST_F(SearchRunTest, FichierSuivantLeavesOnlyTheCurrentFile)
{
    dir.Write("list/ASC02.ASC", Entry("ASC02.ASC") + Entry("ASC02.ASC"));
    PressAt("ASC02.ASC", &SearchState::SkipFile);
    const std::int64_t done = Run();
    EXPECT_EQ(windows.Only("DescLabel").size(), 8u); // the second entry of ASC02.ASC is not shown
    EXPECT_EQ(Read().size(), 8u);
    EXPECT_EQ(done, state.TotalBytes);
}

TEST_F(SearchRunTest, MenuEndsTheRunAfterTheCurrentEntry)
{
    PressAt("VRAC02.BBS", &SearchState::StopSearch);
    Run();
    EXPECT_EQ(Read().back(), "FicGroup Fichier: VRAC02.BBS");
    EXPECT_EQ(windows.events.back(), "EndRun");
}

TEST_F(SearchRunTest, ErrorInAFileEndsTheRunAndPutsTheWindowsBack)
{
    settings.AnnexeFiles.insert(settings.AnnexeFiles.begin(), dir / "annex/GONE.BBS");
    EXPECT_THROW(Run(), platform::EInOutError);
    EXPECT_EQ(windows.events.back(), "EndRun");
    EXPECT_EQ(Read().back(), "FicGroup Fichier: GONE.BBS");
}

TEST_F(SearchRunTest, UnreachableDefaultDirChangesNoWindow)
{
    settings.DefaultDir = dir / "nowhere";
    EXPECT_THROW(Run(), platform::EInOutError);
    EXPECT_TRUE(windows.events.empty());
}

TEST_F(SearchRunTest, RelativeDefaultDirIsTakenFromTheStartDirectoryAtEveryRun)
{
    settings.DefaultDir = "list";
    settings.StartDirectory = dir.Path();
    platform::SetCurrentDirectory("/");
    for (int run = 0; run < 2; ++run) {
        windows.events.clear();
        Run();
        EXPECT_EQ(Read().size(), 8u) << "run " << run;
    }
    EXPECT_EQ(places.CurrentDirectory(), dir / "list");
    EXPECT_EQ(settings.DefaultDir, "list");
}

TEST_F(SearchRunTest, EmptyFilesGiveAFullTotalGauge)
{
    for (const auto& item : catalogue.items)
        dir.Write("list/" + item.name, "");
    settings.AnnexeFiles.clear();
    windows.recordGauges = true;
    Run();
    EXPECT_EQ(windows.Only("TotalGauge").back(), "TotalGauge 100");
}

TEST_F(SearchRunTest, HundredsOfAscFilesAreAllSearched)
{
    fendix::testing::TempDir many;
    for (int i = 0; i < 300; ++i)
        many.Write("ASC" + std::to_string(i) + ".ASC", "  \xCD entry\r\n");
    many.Write("VRAC01.BBS", "V entry\r\n");
    settings.DefaultDir = many.Path();
    settings.AnnexeFiles.clear();
    catalogue::BuildCatalogue(catalogue, places, settings.DefaultDir);
    ASSERT_EQ(catalogue.AscCount, 300u);
    ASSERT_EQ(catalogue.AscVracCount, 301u);
    PressAt("ASC0.ASC", &SearchState::SkipGroup);
    Run();
    EXPECT_EQ(Read().size(), 301u);
    EXPECT_EQ(Read().back(), "FicGroup Fichier: VRAC01.BBS");
}

} // namespace
} // namespace fendix::engine
