// The reader against a plain reading of the same bytes, written from the rules alone: random
// files larger than the reader's buffer, with every kind of line end, 0x1A, entries of about
// 200 lines and texts around the column-31 cut, read with every pacing of the windows.

#include "engine/EntryReader.h"
#include "engine/SearchWindows.h"

#include "platform/FileSystem.h"
#include "tests/common/TempDir.h"
#include "tests/engine/RecordingWindows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------------------------------
// The plain reading

struct PlainShow {
    std::string label;
    Lines lines;
    std::size_t line;         // index of the line at which it is shown
    std::optional<int> gauge; // the file gauge at that moment (none before any entry start)
    Lines after;              // the stored lines of the next entry once that line is stored
};

struct PlainRun {
    std::vector<PlainShow> shows;
    std::vector<int> gauges; // at every entry start, in order
    bool invalid = false;
    std::size_t lines = 0;                      // lines read, the first one included
    std::vector<Lines> gathered;                // the stored lines after each line read
    std::vector<std::optional<int>> gaugeAfter; // the file gauge after each line read
};

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool PlainMatches(const Criteria& criteria, bool ignoreCase, const Lines& entry)
{
    const auto outcome = [&](std::size_t i) {
        bool found = false;
        const std::string text = ignoreCase ? Upper(criteria.texts[i]) : criteria.texts[i];
        for (const auto& line : entry)
            found =
                found || (!text.empty() && (ignoreCase ? Upper(line) : line).find(text) != std::string::npos);
        return found != criteria.negated[i];
    };
    bool result = outcome(0);
    if (criteria.texts[1].empty())
        return result;
    result = criteria.EtRadio2 ? result && outcome(1) : result || outcome(1);
    if (criteria.texts[2].empty())
        return result;
    return criteria.EtRadio3 ? result && outcome(2) : result || outcome(2);
}

// Rounds part * 100 / whole to the nearest integer, a half to the even one.
int PlainPercent(std::int64_t part, std::int64_t whole)
{
    const std::int64_t doubled = 200 * part + whole;
    std::int64_t rounded = doubled / (2 * whole);
    if (doubled % (2 * whole) == 0 && rounded % 2 != 0)
        --rounded; // an exact half goes to the even neighbour
    return static_cast<int>(rounded);
}

PlainRun PlainRead(const std::string& bytes, const std::string& name, bool bbs, const Criteria& criteria,
                   bool ignoreCase)
{
    // The lines: a carriage return ends one, a line feed right after it belongs to that end,
    // 0x1A ends the file, the last line needs no end.
    const std::string text = bytes.substr(0, bytes.find('\x1A'));
    Lines lines{""};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines.back() += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (i + 1 < text.size())
            lines.emplace_back();
    }

    PlainRun run;
    bool maj = false;
    Lines entry;
    std::int64_t characters = 0;
    std::optional<int> gauge;
    const auto label = [&] {
        return name
               + (bbs   ? " fichier type BBS"
                  : maj ? " fichier type DP Tool Club, section MAJ"
                        : " fichier type DP Tool Club, section NEWS");
    };
    const auto store = [&](const std::string& line) {
        if (!bbs) {
            if (!line.empty())
                entry.push_back(line);
            return;
        }
        if (entry.empty() && !line.empty())
            entry.push_back(line.substr(0, 31));
        if (line.size() > 31)
            entry.push_back(line.substr(31));
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        characters += static_cast<std::int64_t>(line.size()) + 2;
        run.lines = i + 1;
        if (i > 0) {
            const bool starts = bbs ? !line.empty() && line[0] != ' '
                                    : line.size() >= 3 && line[0] == ' ' && line[1] == ' '
                                          && (line[2] == '\xCD' || line[2] == '\xFE');
            if (starts) {
                gauge = PlainPercent(characters, static_cast<std::int64_t>(bytes.size()));
                run.gauges.push_back(*gauge);
                if (!bbs && line[2] == '\xFE')
                    maj = true;
                if (!entry.empty() && PlainMatches(criteria, ignoreCase, entry))
                    run.shows.push_back({label(), entry, i, gauge, {}});
                entry.clear();
            } else if (entry.size() >= 200) {
                run.invalid = true;
                return run;
            }
        }
        store(line);
        if (!run.shows.empty() && run.shows.back().line == i)
            run.shows.back().after = entry;
        run.gathered.push_back(entry);
        run.gaugeAfter.push_back(gauge);
    }
    if (!entry.empty() && PlainMatches(criteria, ignoreCase, entry))
        run.shows.push_back({label(), entry, lines.size(), gauge, {}});
    return run;
}

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

TEST(ReaderMatchingTest, FastReaderAgreesWithPlainEvaluationOnLargeRandomFiles)
{
    fendix::testing::TempDir dir;
    std::mt19937 random(7);
    const Pacing pacings[] = {Pacing::EveryLine, Pacing::EveryEntry, Pacing::NowAndThen, Pacing::Unobserved};
    for (int round = 0; round < 8; ++round) {
        const bool bbs = round % 2 == 0;
        // Larger than the reader's buffer, so that lines and entries cross its refills.
        const std::string bytes =
            FileMaker(round).Make(bbs, (std::size_t{300} << 10) + 1000 * round, round >= 6);
        const std::string name = bbs ? "RANDOM.BBS" : "RANDOM.ASC";
        dir.Write(name, bytes);
        platform::SetCurrentDirectory(dir.Path());
        for (int set = 0; set < 6; ++set) {
            const Criteria criteria = RandomCriteria(random);
            const bool ignoreCase = random() % 2 == 0;
            const PlainRun plain = PlainRead(bytes, name, bbs, criteria, ignoreCase);
            for (const Pacing pacing : pacings) {
                const std::string what =
                    "round " + std::to_string(round) + " " + Describe(criteria, ignoreCase, pacing);
                SearchState state;
                AgreementWindows windows(state, criteria, pacing);
                ScanFile(name, KindOfFile(name), state, ignoreCase, windows);
                const Observed& seen = windows.seen;

                ASSERT_EQ(seen.shows.size(), plain.shows.size()) << what;
                for (std::size_t i = 0; i < plain.shows.size(); ++i) {
                    EXPECT_EQ(seen.shows[i].label, plain.shows[i].label) << what << " show " << i;
                    ASSERT_EQ(seen.shows[i].lines, plain.shows[i].lines) << what << " show " << i;
                }
                EXPECT_EQ(seen.invalid, plain.invalid) << what;
                if (pacing == Pacing::EveryLine || pacing == Pacing::EveryEntry) {
                    EXPECT_EQ(seen.gauges, plain.gauges) << what;
                } else if (pacing == Pacing::Unobserved) {
                    EXPECT_TRUE(seen.gauges.empty()) << what;
                }
                for (std::size_t i = 0; pacing != Pacing::Unobserved && i < plain.shows.size(); ++i)
                    EXPECT_EQ(seen.shows[i].gauge, plain.shows[i].gauge) << what << " gauge at show " << i;
                if (pacing == Pacing::EveryLine)
                    EXPECT_EQ(seen.passes, static_cast<int>(plain.lines) - 1) << what;
                else if (pacing == Pacing::Unobserved)
                    EXPECT_EQ(seen.passes, 0) << what;
                else
                    EXPECT_LE(seen.passes, static_cast<int>(bytes.size() >> 17) + 2) << what;
            }
        }
    }
}

TEST(ReaderMatchingTest, EntriesLargerThanTheBufferAgreeToo)
{
    fendix::testing::TempDir dir;
    std::mt19937 random(3);
    for (int round = 0; round < 2; ++round) {
        const bool bbs = round == 0;
        const std::string bytes = FileMaker(50 + round, 300000).Make(bbs, std::size_t{6} << 20);
        const std::string name = bbs ? "WIDE.BBS" : "WIDE.ASC";
        dir.Write(name, bytes);
        platform::SetCurrentDirectory(dir.Path());
        for (int set = 0; set < 3; ++set) {
            Criteria criteria = RandomCriteria(random);
            if (set == 0)
                criteria.texts = {"ww", "", ""}; // in nearly every entry
            const PlainRun plain = PlainRead(bytes, name, bbs, criteria, true);
            for (const Pacing pacing : {Pacing::EveryLine, Pacing::NowAndThen, Pacing::Unobserved}) {
                SearchState state;
                AgreementWindows windows(state, criteria, pacing);
                ScanFile(name, KindOfFile(name), state, true, windows);
                const std::string what = Describe(criteria, true, pacing);
                ASSERT_EQ(windows.seen.shows.size(), plain.shows.size()) << what;
                for (std::size_t i = 0; i < plain.shows.size(); ++i)
                    ASSERT_EQ(windows.seen.shows[i].lines, plain.shows[i].lines) << what << " show " << i;
                EXPECT_EQ(windows.seen.invalid, plain.invalid) << what;
            }
        }
    }
}

TEST(ReaderMatchingTest, ButtonsStopEveryPacingWhereThePlainReadingStops)
{
    fendix::testing::TempDir dir;
    std::mt19937 random(11);
    for (int round = 0; round < 6; ++round) {
        const bool bbs = round % 2 == 1;
        const std::string bytes = FileMaker(100 + round).Make(bbs, std::size_t{280} << 10);
        const std::string name = bbs ? "PRESS.BBS" : "PRESS.ASC";
        dir.Write(name, bytes);
        platform::SetCurrentDirectory(dir.Path());
        Criteria criteria;
        criteria.texts[0] = round < 3 ? "demo" : "zorglub";
        criteria.negated[0] = round == 5; // nearly every entry is shown
        const PlainRun plain = PlainRead(bytes, name, bbs, criteria, true);
        ASSERT_GE(plain.shows.size(), 3u);
        for (const Pacing pacing :
             {Pacing::EveryLine, Pacing::EveryEntry, Pacing::NowAndThen, Pacing::Unobserved}) {
            // "Menu" in the description window, after the second entry shown: the line that
            // ended it is stored, then the reading stops.
            SearchState state;
            AgreementWindows windows(state, criteria, pacing);
            windows.pressAtShow = 2;
            ScanFile(name, KindOfFile(name), state, true, windows);
            ASSERT_EQ(windows.seen.shows.size(), 2u) << static_cast<int>(pacing);
            Lines kept;
            for (std::size_t i = 0; i < state.EntryLines.Count(); ++i)
                kept.emplace_back(state.EntryLines[i]);
            EXPECT_EQ(kept, plain.shows[1].after) << static_cast<int>(pacing);
        }
        // "Fichier suivant" pressed while a line is read: that line is dealt with in full.
        SearchState state;
        AgreementWindows windows(state, criteria, Pacing::EveryLine);
        windows.pressAtPass = static_cast<int>(random() % (plain.gathered.size() - 1)) + 1;
        ScanFile(name, KindOfFile(name), state, true, windows);
        const auto line = static_cast<std::size_t>(windows.pressAtPass);
        std::size_t expectedShows = 0;
        while (expectedShows < plain.shows.size() && plain.shows[expectedShows].line <= line)
            ++expectedShows;
        EXPECT_EQ(windows.seen.shows.size(), expectedShows);
        Lines kept;
        for (std::size_t i = 0; i < state.EntryLines.Count(); ++i)
            kept.emplace_back(state.EntryLines[i]);
        EXPECT_EQ(kept, plain.gathered[line]);
    }
}

// Where the windows process messages now and then, the file gauge they see at each pass is
// the one the plain reading shows after the line at which a button pressed there stops it:
// every line counted with two bytes of line end, the lines that end with a lone carriage
// return included.
TEST(ReaderMatchingTest, GaugeAtEveryPassNowAndThenIsThePlainGaugeWhereTheReadingStands)
{
    fendix::testing::TempDir dir;
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
            plain = PlainRead(bytes, "", bbs, criteria, false);
        }
        const std::string name = bbs ? "PASSES.BBS" : "PASSES.ASC";
        dir.Write(name, bytes);
        platform::SetCurrentDirectory(dir.Path());

        int passes = 0;
        {
            SearchState state;
            AgreementWindows windows(state, criteria, Pacing::NowAndThen);
            ScanFile(name, KindOfFile(name), state, false, windows);
            passes = windows.seen.passes;
            ASSERT_TRUE(plain.shows.empty() && windows.seen.shows.empty()) << round;
        }
        ASSERT_GE(passes, 3) << round;
        for (int pass = 1; pass <= passes; ++pass) {
            SearchState state;
            AgreementWindows windows(state, criteria, Pacing::NowAndThen);
            windows.pressAtPass = pass;
            ScanFile(name, KindOfFile(name), state, false, windows);
            Lines kept;
            for (std::size_t i = 0; i < state.EntryLines.Count(); ++i)
                kept.emplace_back(state.EntryLines[i]);
            // The lines after which the plain reading has gathered the same lines; the gauge
            // at the pass is the plain one after one of them.
            bool found = false;
            bool agrees = false;
            for (std::size_t line = 0; line < plain.gathered.size(); ++line) {
                if (plain.gathered[line] != kept)
                    continue;
                found = true;
                agrees = agrees || plain.gaugeAfter[line] == windows.gaugeAtPress;
            }
            EXPECT_TRUE(found) << "round " << round << " pass " << pass;
            EXPECT_TRUE(agrees) << "round " << round << " pass " << pass << " gauge "
                                << windows.gaugeAtPress.value_or(-1);
        }
    }
}

} // namespace
} // namespace fendix::engine
