// The pieces of the command line's output: the output block, the colours GREP_COLORS asks
// for, file names made fit for a terminal.

#include "tools/TerminalText.h"
#include "tests/common/TempDir.h"
#include "tools/OutputBuffer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fendix::tools {
namespace {

TEST(OutputBuffer, WritesEverythingInOrderWhateverTheSizesOfThePieces)
{
    testing::TempDir dir;
    const std::string path = dir / "out.txt";
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(descriptor, 0);
    std::string expected;
    {
        OutputBuffer out(descriptor, 16);
        for (const std::string& piece : {std::string("short "), std::string(15, 'a'), std::string(16, 'b'),
                                         std::string(100, 'c'), std::string(""), std::string("end")}) {
            out.Append(piece);
            out.Append('\n');
            expected += piece + "\n";
        }
        // Room, filled in part: what is held goes out first when the room asked is missing.
        const std::span<char> room = out.Room(10);
        ASSERT_GE(room.size(), 10u);
        std::memcpy(room.data(), "0123456789", 4);
        out.Commit(4);
        expected += "0123";
        EXPECT_TRUE(out.Flush());
        EXPECT_EQ(out.Error(), 0);
    }
    ::close(descriptor);
    EXPECT_EQ(testing::ReadFile(path), expected);
}

TEST(OutputBuffer, KeepsTheFirstFailureAndWritesNothingMore)
{
    OutputBuffer out(-1, 16);
    out.Append(std::string(40, 'x'));
    EXPECT_FALSE(out.Flush());
    EXPECT_EQ(out.Error(), EBADF);
    out.Append("more");
    EXPECT_FALSE(out.Flush());
    EXPECT_EQ(out.Error(), EBADF);
}

TEST(ColorsFrom, ReadsGrepColorsAsGrepDoes)
{
    struct Case {
        const char* grepColors;
        std::string match;
        bool eraseLine;
    };
    for (const Case& c :
         std::vector<Case>{{nullptr, "01;31", true},
                           {"", "01;31", true},
                           {"ms=01;32", "01;32", true},
                           {"mt=01;34", "01;34", true},
                           {"ms=01;32:mt=01;34", "01;34", true}, // the later one wins
                           {"mt=01;34:ms=4", "4", true},
                           {"sl=1:cx=2:fn=35:ln=32:bn=32:se=36:mc=33:rv", "01;31", true}, // grep's others
                           {"ms=", "", true}, // empty: occurrences unmarked
                           {"ne", "01;31", false},
                           {"ms=7:ne:", "7", false},
                           {"::ms=7", "7", true},          // empty capabilities are passed over
                           {"zz=9:ms=7", "7", true},       // unknown ones too
                           {"ms=1;x", "01;31", true},      // not a parameter: the reading stops
                           {"ms=7:mt=\x1B[5m", "7", true}, // ... keeping what came before
                           {"ms=7=8:mt=2", "01;31", true},
                           {"=5:ms=7", "01;31", true}}) {
        const Colors colors = ColorsFrom(c.grepColors);
        EXPECT_EQ(colors.match, c.match) << (c.grepColors ? c.grepColors : "(unset)");
        EXPECT_EQ(colors.eraseLine, c.eraseLine) << (c.grepColors ? c.grepColors : "(unset)");
    }
    EXPECT_EQ(Colors{}.Start("1"), "\x1B[1m\x1B[K");
    EXPECT_EQ(Colors{}.End(), "\x1B[m\x1B[K");
    EXPECT_EQ((Colors{"4", false}.Start("4")), "\x1B[4m");
    EXPECT_EQ((Colors{"4", false}.End()), "\x1B[m");
}

TEST(ReadableName, KeepsUtf8AndReplacesWhatCouldSteerTheTerminal)
{
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    struct Case {
        std::string bytes;
        std::string shown;
    };
    for (const Case& c :
         std::vector<Case>{{"NEWS.BBS fichier type BBS", "NEWS.BBS fichier type BBS"},
                           {"/cd/Caf\xC3\xA9 \xE2\x95\x90.BBS", "/cd/Caf\xC3\xA9 \xE2\x95\x90.BBS"},
                           {"\xF0\x9F\x92\xBE", "\xF0\x9F\x92\xBE"},       // four bytes
                           {"CAF\xC9.BBS", "CAF" + r + ".BBS"},            // Latin-1
                           {"\x1B[2Jx\x07\x7F\t", r + "[2Jx" + r + r + r}, // C0 controls and DEL
                           {"\xC2\x9B"
                            "2J",
                            r + "2J"},                          // C1 control (CSI)
                           {"\xC0\xAF", r + r},                 // overlong
                           {"\xED\xA0\x80", r + r + r},         // surrogate
                           {"\xF4\x90\x80\x80", r + r + r + r}, // past U+10FFFF
                           {"ab\xE2\x95", "ab" + r + r},        // cut short at the end
                           {"\xE2x\x95", r + "x" + r}}) {
        EXPECT_EQ(ReadableName(c.bytes), c.shown) << c.bytes;
    }
}

} // namespace
} // namespace fendix::tools
