#include "engine/Criteria.h"

#include "engine/EntryReader.h"
#include "engine/Highlight.h"
#include "platform/ByteSource.h"
#include "tests/engine/RecordingWindows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using Lines = std::vector<std::string>;

Criteria Texts(std::string c1, std::string c2 = "", std::string c3 = "")
{
    Criteria criteria;
    criteria.texts = {std::move(c1), std::move(c2), std::move(c3)};
    return criteria;
}

// Whether a search shows an entry of these lines: one catalogue entry, read by the reader
// and judged by the matcher as a search judges it.
bool Shown(const Criteria& criteria, bool ignoreCase, const Lines& lines)
{
    std::string bytes;
    for (const auto& line : lines)
        bytes += line + "\r\n";
    SearchState state;
    fendix::testing::RecordingWindows windows(state);
    windows.criteria = criteria;
    platform::MemorySource source(bytes);
    ScanFile(source, "E.ASC", dkNews, state, ignoreCase, windows);
    return windows.shown == 1;
}

bool Found(const std::string& text, bool ignoreCase, const Lines& lines)
{
    return Shown(Texts(text), ignoreCase, lines);
}

TEST(CriteriaTest, IgnoreCaseFoldsOnlyTheLettersAToZ)
{
    const Lines lines = {"xABCx", "caf\x90"}; // 0x90 is a capital E acute in code page 437
    EXPECT_TRUE(Found("abc", true, lines));
    EXPECT_FALSE(Found("abc", false, lines));
    EXPECT_FALSE(Found("CAF\x82", true, lines)); // 0x82, the small e acute, is not folded
    EXPECT_TRUE(Found("CAF\x90", true, lines));
    EXPECT_EQ(UpperAscii("az{@`\x82"), "AZ{@`\x82");
}

TEST(CriteriaTest, EmptyTextAndEmptyEntryNeverMatch)
{
    EXPECT_FALSE(Found("", false, {"anything"}));
    EXPECT_FALSE(Found("a", false, {}));
    // Negated, a text that occurs nowhere accepts every entry, one without lines included
    // (which the reader passes over).
    Criteria criteria = Texts("needle");
    criteria.negated[0] = true;
    EXPECT_TRUE(CriteriaMatcher(criteria, false).Verdict(0));
    EXPECT_TRUE(Shown(criteria, false, {"hay"}));
    EXPECT_FALSE(Shown(criteria, false, {"a needle"}));
}

TEST(CriteriaTest, JoinsApplyStrictlyFromLeftToRight)
{
    const Lines lines = {"alpha"};
    // true OR false, then AND false: false.
    Criteria criteria = Texts("alpha", "beta", "gamma");
    criteria.EtRadio2 = false;
    criteria.EtRadio3 = true;
    EXPECT_FALSE(Shown(criteria, false, lines));
    // false AND true, then OR true: true.
    criteria = Texts("beta", "alpha", "alph");
    criteria.EtRadio2 = true;
    criteria.EtRadio3 = false;
    EXPECT_TRUE(Shown(criteria, false, lines));
}

TEST(CriteriaTest, ThirdTextCountsOnlyWithASecond)
{
    Criteria criteria = Texts("alpha", "", "missing");
    EXPECT_TRUE(Shown(criteria, false, {"alpha"}));
    EXPECT_EQ(CriteriaMatcher(criteria, false).Active(), 1u);
}

TEST(CriteriaTest, NegatedSecondCriterionExcludesEntries)
{
    Criteria criteria = Texts("jeu", "demo");
    criteria.negated[1] = true;
    EXPECT_TRUE(Shown(criteria, false, {"un jeu complet"}));
    EXPECT_FALSE(Shown(criteria, false, {"un jeu", "version demo"}));
    EXPECT_FALSE(Shown(criteria, false, {"un utilitaire"}));
}

TEST(CriteriaTest, TextsAreUsedExactlyAsTyped)
{
    const std::string longLine = std::string(700, 'x') + "Needle";
    EXPECT_TRUE(Found("needle", true, {longLine}));
    EXPECT_TRUE(Found("Needle", false, {longLine}));
    EXPECT_TRUE(Found("doom ", false, {"doom 2"}));
    EXPECT_FALSE(Found("doom ", false, {"doom2", "doom"}));
    EXPECT_FALSE(Found("a\rb", false, {"a", "b"}));
}

// A plain search, to check the fast one against.
std::size_t NaiveFind(std::string_view hay, std::string_view needle, bool ignoreCase)
{
    if (needle.empty())
        return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        bool equal = true;
        for (std::size_t k = 0; k < needle.size() && equal; ++k) {
            auto a = static_cast<unsigned char>(hay[i + k]);
            auto b = static_cast<unsigned char>(needle[k]);
            if (ignoreCase) {
                a = (a >= 'a' && a <= 'z') ? static_cast<unsigned char>(a - 32) : a;
                b = (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b;
            }
            equal = a == b;
        }
        if (equal)
            return i;
    }
    return std::string_view::npos;
}

// What the windows mark: the texts that take part and are not negated, compared as the
// search compares them, overlapping occurrences joined.
TEST(HighlighterTest, MarksWhatTheSearchCouldHaveFound)
{
    struct Case {
        const char* what;
        Criteria criteria;
        bool ignoreCase;
        std::string line;
        std::vector<ByteRange> marks;
    };
    Criteria negatedFirst = Texts("ab", "cd");
    negatedFirst.negated[0] = true;
    Criteria orJoined = Texts("ab", "cd");
    orJoined.EtRadio2 = false;
    const std::vector<Case> cases = {
        {"case kept", Texts("ab"), false, "ab AB xab", {{0, 2}, {7, 9}}},
        {"case ignored", Texts("ab"), true, "ab AB xaB", {{0, 2}, {3, 5}, {7, 9}}},
        {"only a to z folded", Texts("\x82t\x82"), true, "\x90T\x90 \x82T\x82", {{4, 7}}},
        {"negated text unmarked", negatedFirst, false, "ab cd", {{3, 5}}},
        {"or joins mark both", orJoined, false, "cd ab", {{0, 2}, {3, 5}}},
        {"third text without a second", Texts("ab", "", "cd"), false, "ab cd", {{0, 2}}},
        {"overlaps joined", Texts("aa"), false, "aaa b aa", {{0, 3}, {6, 8}}},
        {"overlapping occurrences, the whole line", Texts("aa"), false, "aaa", {{0, 3}}},
        {"an occurrence that is the whole line", Texts("DOOM", "DOOMSDAY"), false, "DOOM", {{0, 4}}},
        {"touching texts joined", Texts("ab", "cd"), false, "abcd", {{0, 4}}},
        {"nothing found", Texts("zz"), false, "ab", {}},
    };
    for (const auto& c : cases) {
        const Highlighter marker(c.criteria, c.ignoreCase);
        EXPECT_EQ(marker.In(c.line), c.marks) << c.what;
    }
    Criteria allNegated = Texts("ab");
    allNegated.negated[0] = true;
    EXPECT_TRUE(Highlighter(allNegated, false).Empty());
    // A limit keeps the first marks only, none past where a text stopped being looked for.
    EXPECT_EQ(Highlighter(Texts("a", "b"), false).In("a b a b a b", 2),
              (std::vector<ByteRange>{{0, 1}, {2, 3}}));
}

TEST(TextFinderTest, FindsWhatAPlainSearchFinds)
{
    std::mt19937 random(20261207);
    // A small alphabet with letters of both cases, their neighbours across bit 5 and bytes
    // from the upper half, so that near misses are frequent.
    const std::string alphabet = "aAbB@`[{zZ\x82\x90\xC1\xE1 ";
    auto pick = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string hay = pick(random() % 80);
        const std::string needle = pick(1 + random() % 4);
        const bool ignoreCase = (round % 2) == 0;
        const TextFinder finder(needle, ignoreCase);
        ASSERT_EQ(finder.Find(hay), NaiveFind(hay, needle, ignoreCase))
            << "needle '" << needle << "' in '" << hay << "' ignoreCase " << ignoreCase;
    }
}

} // namespace
} // namespace fendix::engine
