// The table of words to try in samples/README.md holds what fendix-search finds in the
// sample collection.

#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fendix {
namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The cells of a table row "| a | b | c |".
std::vector<std::string> Cells(std::string_view row)
{
    std::vector<std::string> cells;
    row = Trimmed(row);
    if (row.size() < 2 || row.front() != '|' || row.back() != '|')
        return cells;
    row = row.substr(1, row.size() - 2);
    for (std::size_t bar; (bar = row.find('|')) != std::string_view::npos; row.remove_prefix(bar + 1))
        cells.emplace_back(Trimmed(row.substr(0, bar)));
    cells.emplace_back(Trimmed(row));
    return cells;
}

// Command-line words as a shell splits them: at blanks, a double-quoted run kept whole.
// Each word is given to the program as typed, in UTF-8.
std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool any = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any)
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.push_back(word);
    return words;
}

struct Row {
    std::string search;
    std::string arguments;
    std::string entries;
};

// The rows of the table under "## Words to try".
std::vector<Row> WordsToTry(const std::string& readme)
{
    std::ifstream in(readme);
    std::vector<Row> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0)
            inSection = line == "## Words to try";
        const std::vector<std::string> cells = Cells(line);
        if (!inSection || cells.size() != 4 || cells[0] == "search" || cells[0].rfind("---", 0) == 0)
            continue;
        std::string arguments = cells[1];
        if (arguments.size() >= 2 && arguments.front() == '`' && arguments.back() == '`')
            arguments = arguments.substr(1, arguments.size() - 2);
        rows.push_back({cells[0], arguments, cells[3]});
    }
    return rows;
}

TEST(SamplesReadmeTest, WordsToTryGiveTheCountsTheTableSays)
{
    const std::vector<Row> rows = WordsToTry(FENDIX_SAMPLES "/README.md");
    ASSERT_GE(rows.size(), 10u);
    testing::TempDir scratch;
    for (const Row& row : rows) {
        std::vector<std::string> args = Words(row.arguments);
        ASSERT_FALSE(args.empty()) << row.search;
        args.push_back("--count");
        args.push_back(FENDIX_SAMPLES);
        const testing::Outcome run = testing::RunProgram(FENDIX_SEARCH, args, scratch.Path(), scratch.Path());
        EXPECT_EQ(run.status, 0) << row.search;
        EXPECT_EQ(run.out, row.entries + "\n") << row.search << " (" << row.arguments << ")";
    }
}

} // namespace
} // namespace fendix
