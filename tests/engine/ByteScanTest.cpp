// The block-wise passes of every instruction set against plain loops over the same bytes.

#include "engine/ByteScan.h"
#include "engine/TextFinder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace fendix::engine::scan {
namespace {

// Random bytes rich in line ends, spaces and the bytes that start catalogue entries, with
// margins of readable bytes around them, as the reader's window has.
struct Bytes {
    static constexpr std::size_t Margin = 128;
    std::string block;
    const char* Data() const { return block.data() + Margin; }
    std::size_t Size() const { return block.size() - 2 * Margin; }
};

Bytes RandomBytes(std::mt19937& random, std::size_t size, std::size_t meanLine)
{
    const std::string alphabet = "\r\n  \xCD\xFE"
                                 "aAbBzZ1\t.";
    Bytes bytes;
    bytes.block.assign(Bytes::Margin, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        const auto dice = random() % (meanLine + alphabet.size());
        bytes.block += dice < meanLine ? static_cast<char>('a' + dice % 26) : alphabet[dice - meanLine];
    }
    bytes.block.append(Bytes::Margin, '\r'); // nothing past the end may count
    return bytes;
}

TEST(ByteScanTest, LineEndsAndEntryStartsAsPlainLoopsFindThem)
{
    std::mt19937 random(5);
    for (const Passes& passes : AvailablePasses()) {
        for (int round = 0; round < 300; ++round) {
            const Bytes bytes = RandomBytes(random, 1 + random() % 2000, round % 3 == 0 ? 2 : 40);
            const char* data = bytes.Data();
            const std::size_t size = bytes.Size();
            const std::size_t from = random() % size;
            const std::uint64_t budget = 1 + random() % 300;
            const bool lone = round % 2 == 0;
            const std::string what = std::string(passes.name) + " round " + std::to_string(round);

            // Plainly: the returns, and the lone ones, of [from, to).
            const auto plainCounts = [&](std::size_t to) {
                LineEndCounts plain;
                for (std::size_t i = from; i < to; ++i) {
                    plain.returns += data[i] == '\r' ? 1 : 0;
                    plain.lone += lone && data[i] == '\r' && data[i + 1] != '\n' ? 1 : 0;
                }
                return plain;
            };
            const auto reached = [&](const Stopped& stopped) {
                return static_cast<std::size_t>(stopped.at - data);
            };

            // Counting stops only once the budget is spent, at most 64 returns past it.
            LineEndCounts counts;
            const Stopped counted = passes.countLineEnds(data + from, data + size, budget, lone, counts);
            const LineEndCounts plain = plainCounts(reached(counted));
            EXPECT_EQ(counts.returns, plain.returns) << what;
            EXPECT_EQ(counts.lone, plain.lone) << what;
            if (counted.why == Stop::Budget) {
                EXPECT_LT(reached(counted), size) << what;
                EXPECT_GE(counts.returns, budget) << what;
                EXPECT_LT(counts.returns, budget + 64) << what;
            } else {
                EXPECT_EQ(reached(counted), size) << what;
            }

            for (const StartRule rule : {StartRule::Bbs, StartRule::Catalogue}) {
                // Plainly: the first place after a line end whose line starts an entry.
                std::size_t start = size;
                for (std::size_t i = from; i < size && start == size; ++i) {
                    const bool lineStart = (data[i - 1] == '\r' && data[i] != '\n')
                                           || (data[i - 1] == '\n' && data[i - 2] == '\r');
                    const bool starts = rule == StartRule::Bbs
                                            ? data[i] != ' ' && data[i] != '\r'
                                            : data[i] == ' ' && data[i + 1] == ' '
                                                  && (data[i + 2] == '\xCD' || data[i + 2] == '\xFE');
                    if (lineStart && starts)
                        start = i;
                }
                LineEndCounts found;
                const Stopped stopped =
                    passes.findEntryStart(data + from, data + size, rule, budget, lone, found);
                const LineEndCounts before = plainCounts(reached(stopped));
                EXPECT_EQ(found.returns, before.returns) << what;
                EXPECT_EQ(found.lone, before.lone) << what;
                if (stopped.why == Stop::EntryStart) {
                    EXPECT_EQ(reached(stopped), start) << what;
                } else if (stopped.why == Stop::End) {
                    EXPECT_EQ(start, size) << what;
                } else {
                    EXPECT_LT(reached(stopped), start) << what;
                    EXPECT_GE(found.returns, budget) << what;
                    EXPECT_LT(found.returns, budget + 64) << what;
                }

                // All the starts in one pass, a few at a time, as one pass after the other
                // finds them.
                std::vector<EntryStartAt> starts(3);
                const char* at = data + from;
                const char* one = data + from;
                LineEndCounts inPasses;
                LineEndCounts oneByOne;
                while (at < data + size) {
                    LineEndCounts passed;
                    const char* stop = nullptr;
                    const std::size_t count = passes.findEntryStarts(
                        at, data + size, rule, lone, starts.data(), starts.size(), stop, passed);
                    for (std::size_t k = 0; k < count; ++k) {
                        LineEndCounts next;
                        const Stopped single =
                            passes.findEntryStart(one, data + size, rule, UINT64_MAX, lone, next);
                        ASSERT_EQ(single.why, Stop::EntryStart) << what;
                        ASSERT_EQ(single.at, at + starts[k].at) << what;
                        EXPECT_EQ(next.returns, starts[k].returns + inPasses.returns - oneByOne.returns)
                            << what;
                        EXPECT_EQ(next.lone, starts[k].lone + inPasses.lone - oneByOne.lone) << what;
                        oneByOne.returns += next.returns;
                        oneByOne.lone += next.lone;
                        one = single.at + 1;
                    }
                    inPasses.returns += passed.returns;
                    inPasses.lone += passed.lone;
                    at = stop;
                    if (count < starts.size()) {
                        ASSERT_EQ(stop, data + size) << what;
                    }
                }
                EXPECT_EQ(passes.findEntryStart(one, data + size, rule, UINT64_MAX, lone, oneByOne).why,
                          Stop::End)
                    << what;
                EXPECT_EQ(inPasses.returns, oneByOne.returns) << what;
                EXPECT_EQ(inPasses.lone, oneByOne.lone) << what;
            }
        }
    }
}

TEST(ByteScanTest, NeedlesAreFoundWhereAPlainSearchFindsThem)
{
    std::mt19937 random(9);
    const std::vector<std::string> texts = {
        "ab",
        "Zb",
        "a",
        "\nab",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbba",
        "\xCD\xCD",
        "1.",
        "z\tA"};
    for (const Passes& passes : AvailablePasses()) {
        for (int round = 0; round < 400; ++round) {
            const Bytes bytes = RandomBytes(random, 1 + random() % 1500, 6);
            const bool ignoreCase = round % 2 == 0;
            std::vector<std::string> chosen;
            std::vector<TextFinder> finders;
            NeedleSet set;
            set.count = 1 + random() % 3;
            for (std::size_t k = 0; k < set.count; ++k) {
                chosen.push_back(texts[random() % texts.size()]);
                finders.emplace_back(chosen.back(), ignoreCase);
            }
            for (std::size_t k = 0; k < set.count; ++k) {
                set.needles[k] = finders[k].AsNeedle(1U << k);
                set.longest = std::max(set.longest, set.needles[k].length);
                set.farthestRare =
                    std::max({set.farthestRare, set.needles[k].rareAt[0], set.needles[k].rareAt[1]});
            }
            const std::size_t size = bytes.Size();
            const std::size_t from = random() % size;
            const std::size_t stop = from + random() % (size - from + 1);
            const bool rawLines = round % 3 != 0;
            unsigned which = 0;
            const std::size_t at = passes.findNeedles(bytes.Data(), from, stop, size, size + Bytes::Margin,
                                                      set, rawLines, which);
            // Plainly: the first place in [from, stop) where some text occurs whole by the end.
            std::size_t expected = stop;
            unsigned expectedWhich = 0;
            for (std::size_t p = from; p < stop && expected == stop; ++p) {
                for (std::size_t k = 0; k < set.count; ++k) {
                    const std::string wanted = ignoreCase ? UpperAscii(chosen[k]) : chosen[k];
                    if (p + wanted.size() > size)
                        continue;
                    std::string here(bytes.Data() + p, wanted.size());
                    if (ignoreCase)
                        here = UpperAscii(here);
                    if (here != wanted || (rawLines && wanted[0] == '\n' && bytes.Data()[p - 1] == '\r'))
                        continue;
                    expected = p;
                    expectedWhich |= 1U << k;
                }
            }
            const std::string what = std::string(passes.name) + " round " + std::to_string(round);
            ASSERT_EQ(at, expected) << what;
            if (at != stop) {
                EXPECT_EQ(which, expectedWhich) << what;
            }
            // Every place, a few at a time, as the first place of one search after the other.
            std::vector<NeedleAt> all(2);
            std::size_t next = from;
            std::size_t single = from;
            while (next < stop) {
                std::size_t searched = 0;
                const std::size_t count =
                    passes.findAllNeedles(bytes.Data(), next, stop, size, size + Bytes::Margin, set, rawLines,
                                          all.data(), all.size(), searched);
                for (std::size_t k = 0; k < count; ++k) {
                    unsigned one = 0;
                    single = passes.findNeedles(bytes.Data(), single, stop, size, size + Bytes::Margin, set,
                                                rawLines, one);
                    ASSERT_EQ(all[k].at, single) << what;
                    EXPECT_EQ(all[k].which, one) << what;
                    ++single;
                }
                if (count < all.size()) {
                    ASSERT_EQ(searched, stop) << what;
                }
                next = searched;
            }
            unsigned none = 0;
            EXPECT_EQ(passes.findNeedles(bytes.Data(), single, stop, size, size + Bytes::Margin, set,
                                         rawLines, none),
                      stop)
                << what;
        }
    }
}

} // namespace
} // namespace fendix::engine::scan
