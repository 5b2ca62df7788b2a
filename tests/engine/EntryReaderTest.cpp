#include "engine/EntryReader.h"

#include "platform/ByteSource.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "tests/common/TempDir.h"
#include "tests/engine/RecordingWindows.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using Events = std::vector<std::string>;

class EntryReaderTest : public ::testing::Test {
protected:
    // Reads a file of these bytes, by the name given.
    void Scan(const std::string& name, const std::string& bytes, const std::string& text,
              bool negated = false)
    {
        windows.criteria.texts[0] = text;
        windows.criteria.negated[0] = negated;
        platform::MemorySource source(bytes);
        ScanFile(source, name, KindOfFile(name), state, ignoreCase, windows);
    }

    // Shows every entry: a negated text that occurs nowhere.
    void ScanAll(const std::string& name, const std::string& bytes) { Scan(name, bytes, "\r", true); }

    fendix::testing::TempDir dir;
    SearchState state;
    fendix::testing::RecordingWindows windows{state};
    bool ignoreCase = false;
};

std::string Repeat(const std::string& line, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += line;
    return result;
}

TEST_F(EntryReaderTest, EmptyFileShowsNothingAndLeavesTheGauge)
{
    ScanAll("EMPTY.BBS", "");
    EXPECT_TRUE(windows.events.empty());
    EXPECT_EQ(windows.messagePasses, 0);
}

TEST_F(EntryReaderTest, GaugeCountsTwoLineEndBytesPerLine)
{
    // A, " b", C, " d" with CR LF: 14 bytes; the third line starts an entry at 10 bytes.
    Scan("GAUGE.BBS", "A\r\n b\r\nC\r\n d\r\n", "zzz");
    EXPECT_EQ(windows.events, (Events{"FicGauge 71"}));
}

TEST_F(EntryReaderTest, GaugeRoundsHalvesToEven)
{
    EXPECT_EQ(Percentage(1, 8), 12);   // 12.5
    EXPECT_EQ(Percentage(3, 8), 38);   // 37.5
    EXPECT_EQ(Percentage(10, 14), 71); // 71.43
    EXPECT_EQ(Percentage(0, 0), 100);
    // Sizes beyond 32 bits give true percentages.
    const std::int64_t big = std::int64_t{5} << 32;
    EXPECT_EQ(Percentage(big / 2, big), 50);
    EXPECT_EQ(Percentage(std::int64_t{1} << 62, 1), std::numeric_limits<int>::max());
}

TEST_F(EntryReaderTest, BbsFirstLineSplitsAtColumn31)
{
    const std::string name31 = "GAME.ZIP       123 01-01-95   ";
    ASSERT_EQ(name31.size(), 30u);
    const std::string first = name31 + "X" + "Un jeu."; // 31 + 7 characters
    const std::string later = std::string(31, ' ') + "Suite";
    ScanAll("SPLIT.BBS", first + "\r\n" + " short continuation\r\n" + later + "\r\n");
    EXPECT_EQ(windows.Only("ListeDesc"),
              (Events{"ListeDesc " + name31 + "X", "ListeDesc Un jeu.", "ListeDesc Suite"}));
}

TEST_F(EntryReaderTest, BbsShortEntryStartIsOneLineAndTabStartsAnEntry)
{
    ScanAll("TAB.BBS", "SHORT.ZIP\r\n\r\n\tTABBED\r\n");
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc SHORT.ZIP", "ListeDesc \tTABBED"}));
    EXPECT_EQ(windows.Only("DescLabel").size(), 2u);
}

TEST_F(EntryReaderTest, TextStraddlingTheBbsSplitIsNotFound)
{
    const std::string line = std::string(29, 'x') + "ABCD";
    Scan("STRADDLE.BBS", line + "\r\n", "ABCD");
    EXPECT_EQ(windows.shown, 0);
    Scan("STRADDLE.BBS", line + "\r\n", "CD");
    EXPECT_EQ(windows.shown, 1);
}

TEST_F(EntryReaderTest, CatalogueEntryStartsAndNewsMajLabels)
{
    const std::string bytes = "  Header\r\n"
                              "  \xCD NEWS one\r\n"
                              " \xCD not a start\r\n"
                              "  X not a start\r\n"
                              "  \xCD NEWS two\r\n"
                              "  \xFE MAJ one\r\n"
                              "  \xCD still MAJ\r\n";
    windows.recordGauges = false;
    ScanAll("CAT01.ASC", bytes);
    EXPECT_EQ(windows.Only("DescLabel"),
              (Events{"DescLabel CAT01.ASC fichier type DP Tool Club, section NEWS",
                      "DescLabel CAT01.ASC fichier type DP Tool Club, section NEWS",
                      "DescLabel CAT01.ASC fichier type DP Tool Club, section MAJ",
                      "DescLabel CAT01.ASC fichier type DP Tool Club, section MAJ",
                      "DescLabel CAT01.ASC fichier type DP Tool Club, section MAJ"}));
    // The entry that the first MAJ line ends already bears the MAJ label.
    EXPECT_EQ(windows.events[windows.events.size() - 6],
              "DescLabel CAT01.ASC fichier type DP Tool Club, section MAJ");
    EXPECT_EQ(windows.events[windows.events.size() - 5], "ListeDesc   \xCD NEWS two");
}

TEST_F(EntryReaderTest, CatalogueLinesInABbsFileNeverStartEntries)
{
    ScanAll("CAT.BBS", "FIRST\r\n  \xFE not a start\r\n  \xCD nor this\r\n");
    EXPECT_EQ(windows.shown, 1);
    EXPECT_EQ(windows.Only("DescLabel"), (Events{"DescLabel CAT.BBS fichier type BBS"}));
}

TEST_F(EntryReaderTest, KindOfFileLooksAtTheLastExtensionOnly)
{
    EXPECT_EQ(KindOfFile("NEWS.BBS"), dkBbs);
    EXPECT_EQ(KindOfFile("news.bbs"), dkBbs);
    EXPECT_EQ(KindOfFile("/cd/desc/Liste.Bbs"), dkBbs);
    EXPECT_EQ(KindOfFile("NEWS.BBSX"), dkNews);
    EXPECT_EQ(KindOfFile("NEWS"), dkNews);
    EXPECT_EQ(KindOfFile("/cd/DIR.BBS/NEWS"), dkNews);
    EXPECT_EQ(KindOfFile("ASC01.ASC"), dkNews);
}

TEST_F(EntryReaderTest, LongLinesAreReadWhole)
{
    const std::string longLine = std::string(299, 'a') + "Z";
    ScanAll("LONG.ASC", "  \xCD start\r\n" + longLine + "\r\n");
    EXPECT_EQ(windows.Only("ListeDesc").back(), "ListeDesc " + longLine);
    Scan("LONG.BBS", "START\r\n" + longLine + "\r\n", "aZ");
    EXPECT_EQ(windows.Only("ListeDesc").back(), "ListeDesc " + longLine.substr(31));
}

TEST_F(EntryReaderTest, LoneLineFeedsAndEndOfFileMark)
{
    ScanAll("UNIX.BBS", "ONE\nTWO\nTHREE\n");
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc ONE\nTWO\nTHREE\n"}));
    windows.events.clear();
    Scan("CTRLZ.BBS", "SEEN\r\nAGAIN\x1AHIDDEN\r\nHIDDEN\r\n", "HIDDEN", true);
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc SEEN", "ListeDesc AGAIN"}));
}

TEST_F(EntryReaderTest, EntryOfTwoHundredLinesIsTestedAtTheNextEntryStart)
{
    const std::string entry = "  \xCD start\r\n" + Repeat("line\r\n", 199);
    ScanAll("FULL.ASC", entry + "  \xCD next\r\n");
    EXPECT_EQ(windows.Only("Message").size(), 0u);
    EXPECT_EQ(windows.shown, 2);
    EXPECT_EQ(windows.Only("ListeDesc").size(), 201u);
}

TEST_F(EntryReaderTest, LineAfterTwoHundredStoredLinesMakesTheFileInvalid)
{
    const std::string entry = "  \xCD start\r\n" + Repeat("line\r\n", 199);
    ScanAll("BAD.ASC", entry + "\r\n" + "  \xCD never reached\r\n");
    EXPECT_EQ(windows.events.back(), "Message Fichier: BAD.ASC invalide.");
    EXPECT_EQ(windows.shown, 0);
    EXPECT_EQ(state.EntryLines.Count(), 0u);
    EXPECT_FALSE(state.StopSearch || state.SkipFile || state.SkipGroup);
}

TEST_F(EntryReaderTest, SplitFirstBbsLineCountsTwiceTowardsTheLimit)
{
    const std::string first = std::string(31, 'N') + "description";
    const std::string more = Repeat(std::string(31, ' ') + "more\r\n", 198);
    ScanAll("NEAR.BBS", first + "\r\n" + more + std::string(31, ' ') + "one too many\r\n");
    EXPECT_EQ(windows.Only("Message").size(), 1u);
}

TEST_F(EntryReaderTest, LinesBeforeTheFirstEntryStartFormTheFirstEntry)
{
    Scan("HEAD.ASC", "Catalogue title\r\n  \xCD first\r\n", "title");
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc Catalogue title"}));
}

TEST_F(EntryReaderTest, LastEntryOfTheFileIsTested)
{
    Scan("LAST.BBS", "ONE\r\nTWO wanted", "wanted");
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc TWO wanted"}));
}

TEST_F(EntryReaderTest, EntryWithoutLinesIsPassedOver)
{
    ScanAll("BLANK.ASC", "\r\n\r\n  \xCD real\r\n");
    EXPECT_EQ(windows.Only("DescLabel").size(), 1u);
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc   \xCD real"}));
}

TEST_F(EntryReaderTest, FlagSetWhileReadingTakesEffectAtTheNextLine)
{
    // "Fichier suivant" pressed while the third line is read: that line ends the entry
    // before it, which is still shown; then the reading stops, the last entry untested.
    windows.onMessages = [this](int pass) {
        if (pass == 2)
            state.SkipFile = true;
    };
    ScanAll("FLAGS.BBS", "ONE\r\nTWO\r\nTHREE\r\nFOUR\r\n");
    EXPECT_EQ(windows.Only("ListeDesc"), (Events{"ListeDesc ONE", "ListeDesc TWO"}));
    EXPECT_EQ(windows.messagePasses, 2);
}

TEST_F(EntryReaderTest, FlagSetInTheDescriptionWindowStopsBeforeTheNextLine)
{
    windows.onShown = [this](int) { state.StopSearch = true; };
    ScanAll("STOP.BBS", "ONE\r\nTWO\r\nTHREE\r\n");
    EXPECT_EQ(windows.shown, 1);
    EXPECT_EQ(windows.messagePasses, 1);
    // The line that ended the shown entry was stored before the reader stopped.
    EXPECT_EQ(state.EntryLines.Count(), 1u);
}

TEST_F(EntryReaderTest, HiddenFileLeavesTheGaugeAlone)
{
    // A file of the disk, whose size is taken as the directory search finds it.
    platform::FileSource hidden(dir.Write(".HIDDEN.BBS", "ONE\r\nTWO\r\n"));
    windows.criteria.texts[0] = "\r";
    windows.criteria.negated[0] = true;
    ScanFile(hidden, ".HIDDEN.BBS", dkBbs, state, ignoreCase, windows);
    EXPECT_EQ(windows.shown, 2);
    EXPECT_TRUE(windows.Only("FicGauge").empty());
}

TEST_F(EntryReaderTest, FileErrorsCarryTheirCode)
{
    // A file that cannot be opened, and one whose reading fails part-way (a media error):
    // the reading ends at once, and what was gathered is neither tested nor shown.
    const auto failure = [&](const std::function<void()>& read) {
        try {
            read();
        } catch (const platform::EInOutError& error) {
            return std::to_string(error.Code()) + " " + error.what();
        }
        return std::string("no error");
    };
    EXPECT_EQ(failure([&] { platform::FileSource missing(dir / "MISSING.BBS"); }), "2 Fichier introuvable");
    EXPECT_EQ(failure([&] { platform::FileSource folder(dir.MakeDir("FOLDER.BBS")); }),
              "5 Accès au fichier refusé");
    windows.criteria.texts[0] = "\r";
    windows.criteria.negated[0] = true;
    const std::string bytes = Repeat("ENTRY\r\n", 100000);
    platform::MemorySource source(bytes, 4096, std::nullopt, bytes.size() / 2);
    EXPECT_EQ(failure([&] { ScanFile(source, "BAD.BBS", dkBbs, state, false, windows); }),
              "23 Erreur E/S 23");
    EXPECT_EQ(windows.shown, 49999); // every entry whose end was read, none after
}

} // namespace
} // namespace fendix::engine
