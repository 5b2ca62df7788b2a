// The reader against a plain reading of the same bytes, written from the rules alone: random
// files larger than the reader's buffer, with every kind of line end, 0x1A, entries of about
// 200 lines and texts around the column-31 cut, read with every pacing of the windows.

#include "engine/EntryReader.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"
#include "platform/ByteSource.h"
#include "tests/engine/PlainReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using fendix::testing::Lines;
using fendix::testing::PlainRead;
using fendix::testing::PlainRun;
using fendix::testing::PlainShow;

// ---------------------------------------------------------------------------------------
// Random files

class FileMaker {
public:
    explicit FileMaker(unsigned seed, std::size_t longLines = 0) : random_(seed), longLines_(longLines) {}

    // About `size` bytes; with `invalid`, an entry of more than 200 stored lines near the end.
    std::string Make(bool bbs, std::size_t size, bool invalid = false)
    {
        std::string bytes;
        while (bytes.size() < size) {
            const auto dice = Below(100);
            if (dice < 3)
                LongEntry(bytes, bbs, 120 + Below(79));
            else
                Entry(bytes, bbs);
        }
        if (invalid)
            LongEntry(bytes, bbs, 200 + Below(20));
        const auto end = Below(10);
        if (end == 0)
            bytes += '\x1A'; // a file that ends with the end-of-file mark
        else if (end == 1)
            bytes.insert(bytes.size() - Below(static_cast<unsigned>(bytes.size() / 3)), 1, '\x1A');
        return bytes;
    }

private:
    unsigned Below(unsigned n) { return static_cast<unsigned>(random_() % n); }

    std::string LineEnd()
    {
        const auto dice = Below(100);
        return dice < 80 ? "\r\n" : dice < 95 ? "\r" : "\r\n\n"; // the last: a line begins with a line feed
    }

    std::string Words(std::size_t count)
    {
        static const std::vector<std::string> words = {"Shareware", "SHAREWARE", "demo", "Demo", "jeu",  "z",
                                                       "Zorglub",   "caf\x82",   "x",    "  ",   "a\nb", "\t",
                                                       "\xCD",      "\xFE",      "95",   "5 J",  "ab",   "B"};
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += words[Below(static_cast<unsigned>(words.size()))] + (Below(3) == 0 ? "" : " ");
        return text;
    }

    // A BBS first line with a text placed across column 31, or a catalogue start line.
    std::string StartLine(bool bbs)
    {
        if (!bbs) {
            const auto dice = Below(20);
            return std::string("  ") + (dice == 0 ? "\xFE" : dice == 1 ? " " : "\xCD") + Words(Below(8));
        }
        std::string line = Below(5) == 0 ? "\t" : "FILE";
        line.resize(25 + Below(10), Below(2) == 0 ? '.' : ' ');
        return line + Words(Below(8));
    }

    std::string ContinuationLine(bool bbs)
    {
        switch (Below(8)) {
        case 0:
            return "";
        case 1:
            return std::string(1 + Below(40), ' ') + Words(Below(6));
        case 2:
            return bbs ? " " + Words(Below(3)) : "  X" + Words(Below(3));
        default:
            // Lines of many kilobytes, when asked for, make entries larger than the buffer.
            return std::string(bbs ? 31 : 1 + Below(4), ' ') + Words(Below(10))
                   + (longLines_ > 0 ? std::string(longLines_ + Below(1000), 'w') + Words(2) : std::string());
        }
    }

    void Entry(std::string& bytes, bool bbs)
    {
        bytes += StartLine(bbs) + LineEnd();
        const auto lines = Below(12);
        for (unsigned i = 0; i < lines; ++i)
            bytes += ContinuationLine(bbs) + LineEnd();
    }

    // An entry of many lines: in a BBS listing, short lines store nothing (and there may be
    // hundreds of them), longer ones a piece each; in a catalogue every line stores itself.
    // `stored` counts the pieces of the lines after the first.
    void LongEntry(std::string& bytes, bool bbs, unsigned stored)
    {
        bytes += (bbs ? std::string("LONG") : std::string("  \xCD")) + LineEnd();
        if (bbs && Below(3) == 0) {
            const auto lines = 150 + Below(300);
            for (unsigned i = 0; i < lines; ++i)
                bytes +=
                    (Below(4) == 0 ? std::string() : " short " + Words(Below(3)).substr(0, 20)) + LineEnd();
            return;
        }
        for (unsigned i = 0; i < stored; ++i)
            bytes += std::string(bbs ? 31 : 2, ' ') + "line" + (Below(20) == 0 ? "demo" : "") + LineEnd();
    }

    std::mt19937 random_;
    std::size_t longLines_;
};

// ---------------------------------------------------------------------------------------
// The reader, as the windows of each pacing see it

struct Observed {
    std::vector<PlainShow> shows;
    std::vector<std::string> gaugeAndShowEvents;
    std::vector<int> gauges;
    std::vector<std::optional<int>> gaugeAtShow;
    bool invalid = false;
    int passes = 0;
    Lines gathered; // EntryLines after the reading
};

class AgreementWindows final : public SearchWindows {
public:
    AgreementWindows(SearchState& state, Criteria criteria, Pacing pacing)
        : state_(state), criteria_(std::move(criteria)), pacing_(pacing)
    {
    }

    Observed seen;
    int pressAtPass = 0;             // press "Fichier suivant" in this call of ProcessMessages
    int pressAtShow = 0;             // press "Menu" after this entry shown
    std::optional<int> gaugeAtPress; // the file gauge when "Fichier suivant" was pressed

    Criteria ReadCriteria() override { return criteria_; }
    bool AnnexeChecked() override { return true; }
    Pacing ReadingPacing() override { return pacing_; }
    void ProcessMessages() override
    {
        if (++seen.passes == pressAtPass) {
            state_.SkipFile = true;
            gaugeAtPress = current_;
        }
    }
    void SetFileCaption(std::string_view) override {}
    void SetFileGauge(int percent) override
    {
        seen.gauges.push_back(percent);
        current_ = percent;
    }
    void SetTotalGauge(int) override {}
    void ShowEntry(std::string_view label, const ShownEntry& entry) override
    {
        const EntryLineList& lines = entry.Lines();
        PlainShow show{std::string(label), {}, 0, current_, {}};
        for (std::size_t i = 0; i < lines.Count(); ++i)
            show.lines.emplace_back(lines[i]);
        // Asked twice, the lines stay the same.
        EXPECT_EQ(entry.Lines().Count(), show.lines.size());
        seen.shows.push_back(show);
        if (static_cast<int>(seen.shows.size()) == pressAtShow)
            state_.StopSearch = true;
    }
    void ShowInvalidFile(std::string_view) override { seen.invalid = true; }
    void BeginRun() override {}
    void EndRun() override {}

private:
    SearchState& state_;
    Criteria criteria_;
    Pacing pacing_;
    std::optional<int> current_;
};

Criteria RandomCriteria(std::mt19937& random)
{
    static const std::vector<std::string> texts = {
        "zorglub", "Shareware", "demo", "jeu z", "caf\x82 ", "5 J", "95 ", "E",    "a\nb",  "\nB",
        "\r",      "FILE....",  "X",    "\xCD",  "\xFE",     "ab",  "",    "line", "short", "  "};
    Criteria criteria;
    for (std::size_t i = 0; i < 3; ++i) {
        criteria.texts[i] = texts[random() % texts.size()];
        criteria.negated[i] = random() % 4 == 0;
    }
    if (random() % 3 == 0)
        criteria.texts[1].clear();
    criteria.EtRadio2 = random() % 2 == 0;
    criteria.EtRadio3 = random() % 2 == 0;
    return criteria;
}

std::string Describe(const Criteria& criteria, bool ignoreCase, Pacing pacing)
{
    std::string text =
        "pacing " + std::to_string(static_cast<int>(pacing)) + (ignoreCase ? " ignore-case" : "");
    for (std::size_t i = 0; i < 3; ++i)
        text += std::string(" [") + (criteria.negated[i] ? "non " : "") + criteria.texts[i] + "]";
    return text + (criteria.EtRadio2 ? " et" : " ou") + (criteria.EtRadio3 ? " et" : " ou");
}

constexpr Pacing AllPacings[] = {Pacing::EveryLine, Pacing::EveryEntry, Pacing::NowAndThen,
                                 Pacing::Unobserved};

// One reading by the fast reader, from memory handed out `chunk` bytes at a time: each read
// of the buffer then ends a window there.
struct FastReading {
    SearchState state;
    AgreementWindows windows;

    FastReading(const std::string& bytes, const std::string& name, const Criteria& criteria, bool ignoreCase,
                Pacing pacing, std::size_t chunk = SIZE_MAX, int pressAtPass = 0, int pressAtShow = 0)
        : windows(state, criteria, pacing)
    {
        windows.pressAtPass = pressAtPass;
        windows.pressAtShow = pressAtShow;
        platform::MemorySource source(bytes, chunk);
        ScanFile(source, name, KindOfFile(name), state, ignoreCase, windows);
    }

    Lines Kept() const
    {
        Lines kept;
        for (std::size_t i = 0; i < state.EntryLines.Count(); ++i)
            kept.emplace_back(state.EntryLines[i]);
        return kept;
    }
};

// What every pacing must show as the plain reading does: the entries shown with their labels
// and lines, the invalid file, the gauge at every entry start where the windows follow them
// and under every entry shown where they follow the reading at all, and the passes.
void ExpectAgreement(const std::string& what, const std::string& bytes, const std::string& name,
                     const Criteria& criteria, bool ignoreCase, std::size_t chunk = SIZE_MAX)
{
    const bool bbs = KindOfFile(name) == dkBbs;
    const PlainRun plain = PlainRead(bytes, name, bbs, criteria, ignoreCase);
    for (const Pacing pacing : AllPacings) {
        const std::string where = what + " " + Describe(criteria, ignoreCase, pacing);
        const FastReading fast(bytes, name, criteria, ignoreCase, pacing, chunk);
        const Observed& seen = fast.windows.seen;
        ASSERT_EQ(seen.shows.size(), plain.shows.size()) << where;
        for (std::size_t i = 0; i < plain.shows.size(); ++i) {
            EXPECT_EQ(seen.shows[i].label, plain.shows[i].label) << where << " show " << i;
            ASSERT_EQ(seen.shows[i].lines, plain.shows[i].lines) << where << " show " << i;
            if (pacing != Pacing::Unobserved) {
                EXPECT_EQ(seen.shows[i].gauge, plain.shows[i].gauge) << where << " gauge at show " << i;
            }
        }
        EXPECT_EQ(seen.invalid, plain.invalid) << where;
        if (GaugeAtEveryStart(pacing)) {
            EXPECT_EQ(seen.gauges, plain.gauges) << where;
        } else if (pacing == Pacing::Unobserved) {
            EXPECT_TRUE(seen.gauges.empty()) << where;
        }
        if (pacing == Pacing::EveryLine) {
            EXPECT_EQ(seen.passes, static_cast<int>(plain.lines) - 1) << where;
        } else if (pacing == Pacing::Unobserved) {
            EXPECT_EQ(seen.passes, 0) << where;
        } else {
            const std::size_t most = bytes.size() / std::min<std::size_t>(chunk, 1 << 17) + 2;
            EXPECT_LE(seen.passes, static_cast<int>(most)) << where;
        }
    }
}

// The rounds of the random agreement: FENDIX_AGREEMENT_ROUNDS for a longer run.
int Rounds(int usual)
{
    const char* asked = std::getenv("FENDIX_AGREEMENT_ROUNDS");
    return asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : usual;
}

TEST(ReaderMatchingTest, FastReaderAgreesWithPlainEvaluationOnLargeRandomFiles)
{
    std::mt19937 random(7);
    for (int round = 0; round < Rounds(8); ++round) {
        const bool bbs = round % 2 == 0;
        // Larger than the reader's buffer, so that lines and entries cross its refills.
        const std::string bytes =
            FileMaker(round).Make(bbs, (std::size_t{300} << 10) + 1000 * round, round % 8 >= 6);
        const std::string name = bbs ? "RANDOM.BBS" : "RANDOM.ASC";
        for (int set = 0; set < 6; ++set) {
            const Criteria criteria = RandomCriteria(random);
            const bool ignoreCase = random() % 2 == 0;
            ExpectAgreement("round " + std::to_string(round), bytes, name, criteria, ignoreCase,
                            set == 5 ? 1000 + random() % 9000 : SIZE_MAX);
        }
    }
}

TEST(ReaderMatchingTest, EntriesLargerThanTheBufferAgreeToo)
{
    std::mt19937 random(3);
    for (int round = 0; round < 2; ++round) {
        const bool bbs = round == 0;
        const std::string bytes = FileMaker(50 + round, 300000).Make(bbs, std::size_t{6} << 20);
        const std::string name = bbs ? "WIDE.BBS" : "WIDE.ASC";
        for (int set = 0; set < 3; ++set) {
            Criteria criteria = RandomCriteria(random);
            if (set == 0)
                criteria.texts = {"ww", "", ""}; // in nearly every entry
            const PlainRun plain = PlainRead(bytes, name, bbs, criteria, true);
            for (const Pacing pacing : {Pacing::EveryLine, Pacing::NowAndThen, Pacing::Unobserved}) {
                const FastReading fast(bytes, name, criteria, true, pacing);
                const std::string what = Describe(criteria, true, pacing);
                ASSERT_EQ(fast.windows.seen.shows.size(), plain.shows.size()) << what;
                for (std::size_t i = 0; i < plain.shows.size(); ++i)
                    ASSERT_EQ(fast.windows.seen.shows[i].lines, plain.shows[i].lines)
                        << what << " show " << i;
                EXPECT_EQ(fast.windows.seen.invalid, plain.invalid) << what;
            }
        }
    }
}

TEST(ReaderMatchingTest, ButtonsStopEveryPacingWhereThePlainReadingStops)
{
    std::mt19937 random(11);
    for (int round = 0; round < 6; ++round) {
        const bool bbs = round % 2 == 1;
        const std::string bytes = FileMaker(100 + round).Make(bbs, std::size_t{280} << 10);
        const std::string name = bbs ? "PRESS.BBS" : "PRESS.ASC";
        Criteria criteria;
        criteria.texts[0] = round < 3 ? "demo" : "zorglub";
        criteria.negated[0] = round == 5; // nearly every entry is shown
        const PlainRun plain = PlainRead(bytes, name, bbs, criteria, true, true);
        ASSERT_GE(plain.shows.size(), 3u);
        for (const Pacing pacing : AllPacings) {
            // "Menu" in the description window, after the second entry shown: the line that
            // ended it is stored, then the reading stops.
            const FastReading fast(bytes, name, criteria, true, pacing, SIZE_MAX, 0, 2);
            ASSERT_EQ(fast.windows.seen.shows.size(), 2u) << static_cast<int>(pacing);
            EXPECT_EQ(fast.Kept(), plain.shows[1].after) << static_cast<int>(pacing);
        }
        // "Fichier suivant" pressed while a line is read: that line is dealt with in full.
        const int pass = static_cast<int>(random() % (plain.gathered.size() - 1)) + 1;
        const FastReading fast(bytes, name, criteria, true, Pacing::EveryLine, SIZE_MAX, pass);
        const auto line = static_cast<std::size_t>(pass);
        std::size_t expectedShows = 0;
        while (expectedShows < plain.shows.size() && plain.shows[expectedShows].line <= line)
            ++expectedShows;
        EXPECT_EQ(fast.windows.seen.shows.size(), expectedShows);
        EXPECT_EQ(fast.Kept(), plain.gathered[line]);
    }
}

// Where the windows process messages now and then, the file gauge they see at each pass is
// the one the plain reading shows after the line at which a button pressed there stops it:
// every line counted with two bytes of line end, the lines that end with a lone carriage
// return included.
TEST(ReaderMatchingTest, GaugeAtEveryPassNowAndThenIsThePlainGaugeWhereTheReadingStands)
{
    for (int round = 0; round < 4; ++round) {
        const bool bbs = round % 2 == 0;
        // Lines end with CR LF, CR alone and CR LF LF; a file of several buffers has several
        // passes. In rounds 2 and 3 the first text occurs in many entries, which are then read
        // by their entry starts, and the second nowhere (the case is kept).
        Criteria criteria;
        criteria.texts[0] = round < 2 ? "zzzzz" : "demo";
        criteria.texts[1] = round < 2 ? "" : "zorglub";
        criteria.EtRadio2 = true;
        // The first seeds, from 200 on, from which the maker writes a valid file.
        constexpr unsigned FirstSeeds[] = {200, 214, 220, 248};
        std::string bytes;
        PlainRun plain;
        for (unsigned seed = FirstSeeds[round]; bytes.empty() || plain.invalid; ++seed) {
            bytes = FileMaker(seed).Make(bbs, std::size_t{1200} << 10);
            plain = PlainRead(bytes, "", bbs, criteria, false, true);
        }
        const std::string name = bbs ? "PASSES.BBS" : "PASSES.ASC";

        int passes = 0;
        {
            const FastReading fast(bytes, name, criteria, false, Pacing::NowAndThen);
            passes = fast.windows.seen.passes;
            ASSERT_TRUE(plain.shows.empty() && fast.windows.seen.shows.empty()) << round;
        }
        ASSERT_GE(passes, 3) << round;
        for (int pass = 1; pass <= passes; ++pass) {
            const FastReading fast(bytes, name, criteria, false, Pacing::NowAndThen, SIZE_MAX, pass);
            const Lines kept = fast.Kept();
            // The lines after which the plain reading has gathered the same lines; the gauge
            // at the pass is the plain one after one of them.
            bool found = false;
            bool agrees = false;
            for (std::size_t line = 0; line < plain.gathered.size(); ++line) {
                if (plain.gathered[line] != kept)
                    continue;
                found = true;
                agrees = agrees || plain.gaugeAfter[line] == fast.windows.gaugeAtPress;
            }
            EXPECT_TRUE(found) << "round " << round << " pass " << pass;
            EXPECT_TRUE(agrees) << "round " << round << " pass " << pass << " gauge "
                                << fast.windows.gaugeAtPress.value_or(-1);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Every offset around the ends of windows and blocks

// Entries of a few lines, "Zorglub" in one of `every`, then `after` bytes of entries that
// each hold "Demo" and "Zorglub": texts occur rarely up to the place, then often.
std::string Background(bool bbs, std::size_t before, std::size_t every, std::size_t after)
{
    std::string bytes;
    for (std::size_t n = 0; bytes.size() < before + after; ++n) {
        const bool dense = bytes.size() >= before;
        const std::string word = dense ? "Demo Zorglub" : n % every == every - 1 ? "Zorglub" : "shareware";
        const std::string number = std::to_string(1000 + n % 9000);
        bytes += bbs ? "GAME" + number + ".ZIP      1234 01-01-95  " + word + " jeu\r\n"
                     : "  \xCD GAME" + number + " " + word + "\r\n";
        bytes += (bbs ? std::string(31, ' ') : std::string("  ")) + "une ligne de description\r\n";
        bytes += n % 3 == 0 ? std::string("\r\n") : std::string("  suite\r\n");
    }
    return bytes;
}

// What a row places at a file offset.
enum class Feature { Text, EntryStart, ReturnLineFeed, MajSwitch, EndOfFile };

std::string Place(std::string bytes, Feature feature, std::size_t at)
{
    const auto put = [&](const std::string& piece) { bytes.replace(at, piece.size(), piece); };
    switch (feature) {
    case Feature::Text:
        put("Zorglub");
        break;
    case Feature::EntryStart:
        // A line of its own that starts an entry in both kinds of file.
        put("\r  \xCD Zorglub\r");
        break;
    case Feature::ReturnLineFeed:
        put("\r\n");
        break;
    case Feature::MajSwitch:
        // The first filled square of the file: the MAJ part begins there.
        put("\r  \xFE MAJ Demo\r");
        break;
    case Feature::EndOfFile:
        bytes[at] = '\x1A';
        break;
    }
    return bytes;
}

TEST(ReaderBoundaryTest, EveryOffsetAroundWindowAndBlockEndsAgrees)
{
    struct Row {
        const char* what;
        std::size_t boundary; // a window end (the buffer's own, or a read of `chunk` bytes), or a block end
        std::size_t chunk;
        std::size_t criteria; // how many of the sets below
    };
    const Row rows[] = {
        {"first window end", std::size_t{256} << 10, SIZE_MAX, 1},
        {"third read of 1000 bytes", 3000, 1000, 3},
        {"read of 4096 bytes", 8192, 4096, 3},
        {"block end", 64 * 90, SIZE_MAX, 3},
    };
    const Feature features[] = {Feature::Text, Feature::EntryStart, Feature::ReturnLineFeed,
                                Feature::MajSwitch, Feature::EndOfFile};
    // Texts often and rarely, with a negation and both joins; a rare text; every entry but
    // those that hold a text.
    std::array<Criteria, 3> sets;
    sets[0].texts = {"Demo", "shareware", "Zorglub"};
    sets[0].negated[1] = true;
    sets[0].EtRadio3 = false;
    sets[1].texts[0] = "Zorglub";
    sets[2] = sets[1];
    sets[2].negated[0] = true;
    for (const Row& row : rows) {
        for (const bool bbs : {true, false}) {
            // The texts occur often only from just past the offsets looked at.
            const std::string background = Background(bbs, row.boundary + 40, 7, 2500);
            const std::string name = bbs ? "EDGE.BBS" : "EDGE.ASC";
            for (const Feature feature : features) {
                if (bbs && feature == Feature::MajSwitch)
                    continue;
                for (int offset = -16; offset <= 16; ++offset) {
                    const std::string bytes = Place(background, feature, row.boundary + offset);
                    const std::string what = std::string(row.what) + (bbs ? " bbs" : " catalogue")
                                             + " feature " + std::to_string(static_cast<int>(feature))
                                             + " at " + std::to_string(offset);
                    for (std::size_t set = 0; set < row.criteria; ++set)
                        ExpectAgreement(what, bytes, name, sets[set], offset % 2 == 0, row.chunk);
                }
            }
        }
    }
}

// Entry starts that the line-end count passed over, just before a window's end, and then an
// entry across that end whose texts occur behind it, often: the entry shown holds its own
// lines only, not those of the entries counted over before it.
TEST(ReaderBoundaryTest, EntryStartsCountedOverBeforeAWindowEndStayEntryStarts)
{
    constexpr std::size_t WindowEnd = std::size_t{256} << 10;
    std::string bytes;
    while (bytes.size() < WindowEnd - 300)
        bytes += "  \xCD filler\r\n  text\r\n";
    bytes += "  \xCD with X\r\n  X\r\n"; // a text, in an entry that does not match
    bytes += "  \xCD one\r\n  first\r\n  \xCD two\r\n  second\r\n";
    bytes.resize(WindowEnd - 60, ' ');
    bytes += "\r\n  \xCD three\r\n  third\r\n  " + std::string(40, 'y') + " X caf\x82 \r\n";
    for (int i = 0; i < 40; ++i)
        bytes += "  \xCD X entry\r\n  X\r\n";
    Criteria criteria;
    criteria.texts = {"caf\x82 ", "X", ""};
    const FastReading fast(bytes, "CLUB.ASC", criteria, false, Pacing::Unobserved);
    ASSERT_EQ(fast.windows.seen.shows.size(), 1u);
    EXPECT_EQ(fast.windows.seen.shows.front().lines.front(), "  \xCD three");
    ExpectAgreement("fixed case", bytes, "CLUB.ASC", criteria, false);
}

} // namespace
} // namespace fendix::engine
