#include "catalogue/Catalogue.h"

#include "platform/InOutError.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fendix::catalogue {
namespace {

using Names = std::vector<std::string>;

Names NamesOf(const Catalogue& catalogue)
{
    Names names;
    for (const auto& item : catalogue.items)
        names.push_back(item.name);
    return names;
}

std::size_t Selected(const Catalogue& catalogue)
{
    std::size_t count = 0;
    for (const auto& item : catalogue.items)
        count += item.selected ? 1 : 0;
    return count;
}

class CatalogueTest : public ::testing::Test {
protected:
    void Build(const Names& files)
    {
        for (const auto& name : files)
            dir.Write(name, "x");
        BuildCatalogue(catalogue, places, dir.Path());
    }

    void Deselect(const std::string& name)
    {
        for (auto& item : catalogue.items)
            if (item.name == name)
                item.selected = false;
        ListeBoxClick(catalogue, false);
    }

    fendix::testing::TempDir dir;
    Catalogue catalogue;
    platform::Places places;
};

TEST_F(CatalogueTest, GroupsAreListedAndNumberedRangesSortedLargestFirst)
{
    Build({"ASC02.ASC", "ASC10.ASC", "ASC01.ASC", "VRAC05.BBS", "VRAC12.BBS", "NEWS.BBS", "ASC03.BBS"});
    EXPECT_EQ(NamesOf(catalogue), (Names{"ASC10.ASC", "ASC02.ASC", "ASC01.ASC", "VRAC12.BBS", "VRAC05.BBS",
                                         "ASC03.BBS", "NEWS.BBS"}));
    EXPECT_EQ(catalogue.AscCount, 3u);
    EXPECT_EQ(catalogue.AscVracCount, 5u);
    EXPECT_EQ(Selected(catalogue), 7u);
    for (const auto& check : catalogue.checks)
        EXPECT_TRUE(check.enabled);
}

TEST_F(CatalogueTest, NumbersSortAsNumbersNotAsText)
{
    // As text, VRAC10 < VRAC2 < VRAC9; as numbers, 10 > 9 > 2.
    Build({"VRAC9.BBS", "VRAC10.BBS", "VRAC2.BBS", "ASC2.ASC", "ASC10.ASC", "ASC9.ASC"});
    EXPECT_EQ(NamesOf(catalogue),
              (Names{"ASC10.ASC", "ASC9.ASC", "ASC2.ASC", "VRAC10.BBS", "VRAC9.BBS", "VRAC2.BBS"}));
    SortGroups(catalogue, 1);
    EXPECT_EQ(NamesOf(catalogue),
              (Names{"ASC2.ASC", "ASC9.ASC", "ASC10.ASC", "VRAC2.BBS", "VRAC9.BBS", "VRAC10.BBS"}));
}

TEST_F(CatalogueTest, SortKeyIsTheTwoCharactersAfterThePrefix)
{
    // ASC100 and ASC10 share the key 10 and keep the directory's order.
    Build({"ASC5.ASC", "ASC10.ASC", "ASC100.ASC", "ASCX.ASC", "VRAC.BBS", "VRAC7.BBS"});
    EXPECT_EQ(NamesOf(catalogue),
              (Names{"ASC10.ASC", "ASC100.ASC", "ASC5.ASC", "ASCX.ASC", "VRAC7.BBS", "VRAC.BBS"}));
    EXPECT_EQ(NumberIn("0x7."), 7);
    EXPECT_EQ(NumberIn(""), 0);
    EXPECT_EQ(NumberIn("99999999999"), 2147483647);
}

TEST_F(CatalogueTest, DirectionOtherThanZeroSortsAscending)
{
    Build({"ASC03.ASC", "ASC01.ASC", "ASC02.ASC"});
    SortGroups(catalogue, 1);
    EXPECT_EQ(NamesOf(catalogue), (Names{"ASC01.ASC", "ASC02.ASC", "ASC03.ASC"}));
}

TEST_F(CatalogueTest, MasksIgnoreCaseAndSkipFoldersAndHiddenFiles)
{
    dir.MakeDir("ASC99.ASC");
    Build({"vrac02.bbs", "asc01.asc", ".HIDDEN.BBS", "notes.txt", "Vrac", "X.bbs"});
    EXPECT_EQ(NamesOf(catalogue), (Names{"asc01.asc", "vrac02.bbs", "X.bbs"}));
    EXPECT_EQ(catalogue.AscCount, 1u);
    EXPECT_EQ(catalogue.AscVracCount, 2u);
}

TEST_F(CatalogueTest, EmptyGroupsHaveTheirBoxesDisabled)
{
    Build({"NEWS.BBS"});
    EXPECT_EQ(catalogue.AscCount, 0u);
    EXPECT_EQ(catalogue.AscVracCount, 0u);
    EXPECT_FALSE(catalogue.checks[fgAsc].enabled);
    EXPECT_FALSE(catalogue.checks[fgVrac].enabled);
    EXPECT_TRUE(catalogue.checks[fgAutre].enabled);

    fendix::testing::TempDir empty;
    BuildCatalogue(catalogue, places, empty.Path());
    EXPECT_TRUE(catalogue.items.empty());
    for (const auto& check : catalogue.checks)
        EXPECT_FALSE(check.enabled);
}

TEST_F(CatalogueTest, RebuildEnablesGroupsThatHaveFilesAgain)
{
    fendix::testing::TempDir empty;
    BuildCatalogue(catalogue, places, empty.Path());
    Build({"ASC01.ASC", "VRAC01.BBS", "NEWS.BBS"});
    for (const auto& check : catalogue.checks)
        EXPECT_TRUE(check.enabled);
}

TEST_F(CatalogueTest, FailedBuildLeavesTheListAsItWas)
{
    Build({"ASC01.ASC", "NEWS.BBS"});
    catalogue.items[0].selected = false;
    EXPECT_THROW(BuildCatalogue(catalogue, places, dir / "missing"), platform::EInOutError);
    EXPECT_EQ(NamesOf(catalogue), (Names{"ASC01.ASC", "NEWS.BBS"}));
    EXPECT_FALSE(catalogue.items[0].selected);
    EXPECT_EQ(catalogue.AscCount, 1u);
}

TEST_F(CatalogueTest, GroupBoxFollowsTheSelectionOfItsRange)
{
    Build({"ASC01.ASC", "ASC02.ASC", "ASC03.ASC", "VRAC01.BBS", "NEWS.BBS"});
    UpdateGroupChecks(catalogue, false);
    Deselect("ASC02.ASC");
    EXPECT_EQ(catalogue.checks[fgAsc].state, cbGrayed);
    EXPECT_EQ(catalogue.checks[fgVrac].state, cbChecked);
    Deselect("ASC01.ASC");
    Deselect("ASC03.ASC");
    EXPECT_EQ(catalogue.checks[fgAsc].state, cbUnchecked);
    // A group of one file is checked or unchecked, never grey.
    Deselect("VRAC01.BBS");
    EXPECT_EQ(catalogue.checks[fgVrac].state, cbUnchecked);
    EXPECT_EQ(catalogue.checks[fgAutre].state, cbChecked);
}

TEST_F(CatalogueTest, ClickOnAGreyBoxSelectsThenClearsItsRangeOnly)
{
    Build({"ASC01.ASC", "ASC02.ASC", "VRAC01.BBS", "NEWS.BBS"});
    Deselect("ASC01.ASC");
    ASSERT_EQ(catalogue.checks[fgAsc].state, cbGrayed);
    ClickCheck(catalogue, fgAsc);
    EXPECT_EQ(catalogue.checks[fgAsc].state, cbChecked);
    EXPECT_EQ(Selected(catalogue), 4u);
    ClickCheck(catalogue, fgAsc);
    EXPECT_EQ(catalogue.checks[fgAsc].state, cbUnchecked);
    EXPECT_FALSE(catalogue.items[0].selected);
    EXPECT_FALSE(catalogue.items[1].selected);
    EXPECT_TRUE(catalogue.items[2].selected);
    EXPECT_TRUE(catalogue.items[3].selected);
}

TEST_F(CatalogueTest, SettingTheSameStateRunsNoHandler)
{
    Build({"ASC01.ASC", "ASC02.ASC"});
    catalogue.items[0].selected = false;
    SetCheckState(catalogue, fgAsc, cbChecked); // already checked: the selection stays mixed
    EXPECT_FALSE(catalogue.items[0].selected);
    SetCheckState(catalogue, fgAsc, cbGrayed);
    EXPECT_FALSE(catalogue.items[0].selected);
    EXPECT_TRUE(catalogue.items[1].selected);
}

TEST_F(CatalogueTest, AnnexeCheckFollowsTheAnnexList)
{
    Build({"NEWS.BBS"});
    catalogue.AnnexeCheck = false;
    UpdateGroupChecks(catalogue, true);
    EXPECT_TRUE(catalogue.AnnexeCheck);
    UpdateGroupChecks(catalogue, false);
    EXPECT_FALSE(catalogue.AnnexeCheck);
}

TEST_F(CatalogueTest, HundredsOfFilesKeepTrueCountsAndStates)
{
    Names names;
    for (int i = 0; i < 300; ++i)
        names.push_back("ASC" + std::to_string(i) + ".ASC");
    names.push_back("VRAC01.BBS");
    Build(names);
    EXPECT_EQ(catalogue.AscCount, 300u);
    EXPECT_EQ(catalogue.AscVracCount, 301u);
    EXPECT_EQ(catalogue.items[300].name, "VRAC01.BBS");
    UpdateGroupChecks(catalogue, false);
    Deselect(catalogue.items[299].name);
    EXPECT_EQ(catalogue.checks[fgAsc].state, cbGrayed);
    EXPECT_EQ(catalogue.checks[fgVrac].state, cbChecked);
}

TEST_F(CatalogueTest, SelectByNameTakesTheFirstExactMatch)
{
    catalogue.items = {{"A.BBS", false}, {"a.bbs", false}, {"A.BBS", false}};
    EXPECT_TRUE(SelectByName(catalogue, "A.BBS"));
    EXPECT_FALSE(SelectByName(catalogue, "B.BBS"));
    EXPECT_TRUE(catalogue.items[0].selected);
    EXPECT_FALSE(catalogue.items[1].selected);
    EXPECT_FALSE(catalogue.items[2].selected);
}

} // namespace
} // namespace fendix::catalogue
