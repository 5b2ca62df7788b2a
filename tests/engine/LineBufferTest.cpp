// The reader's buffer over a byte source: its window, what a refill keeps, and the lines a
// plain line reading cuts from it.

#include "engine/LineBuffer.h"

#include "platform/ByteSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fendix::engine {
namespace {

using Lines = std::vector<std::string>;

constexpr std::size_t Buffer = LineBuffer::InitialCapacity;

// The lines of the bytes, cut from the window one after the other; the window is refilled
// whenever a line, or the byte after its carriage return, is not in it yet.
Lines Read(const std::string& bytes, std::size_t chunk = SIZE_MAX)
{
    platform::MemorySource source(bytes, chunk);
    LineBuffer buffer(source);
    buffer.Refill(0);
    Lines lines;
    std::uint64_t pos = 0;
    for (;;) {
        const std::uint64_t cr = buffer.NextReturn(pos, buffer.End());
        if (cr + 1 >= buffer.End() && !buffer.Complete()) {
            buffer.Refill(pos);
            continue;
        }
        lines.emplace_back(buffer.Bytes(pos, cr)); // the first line is read whatever the file holds
        pos = cr < buffer.End() ? buffer.AfterLineEnd(cr) : cr;
        while (pos >= buffer.End() && buffer.Refill(pos)) {
        }
        if (pos >= buffer.End())
            return lines;
    }
}

TEST(LineBufferTest, CarriageReturnEndsALineAndALineFeedAfterItBelongsToIt)
{
    for (const std::size_t chunk : {SIZE_MAX, std::size_t{1}}) {
        EXPECT_EQ(Read("a\r\nb\rc\r\n", chunk), (Lines{"a", "b", "c"}));
        EXPECT_EQ(Read("a\r\r\nb", chunk), (Lines{"a", "", "b"}));
        EXPECT_EQ(Read("a\r\n\r\n", chunk), (Lines{"a", ""}));
        EXPECT_EQ(Read("a\n\nb\n", chunk), (Lines{"a\n\nb\n"}));
        EXPECT_EQ(Read("\n", chunk), (Lines{"\n"}));
    }
}

TEST(LineBufferTest, EmptyFileGivesOneEmptyLine)
{
    EXPECT_EQ(Read(""), (Lines{""}));
    EXPECT_EQ(Read("\r\n"), (Lines{""}));
}

TEST(LineBufferTest, EndOfFileMarkEndsTheFile)
{
    EXPECT_EQ(Read("a\r\nbc\x1A"
                   "d\r\ne\r\n"),
              (Lines{"a", "bc"}));
    EXPECT_EQ(Read("a\r\n\x1A"), (Lines{"a"}));
    EXPECT_EQ(Read("\x1A\r\nrest"), (Lines{""}));
}

TEST(LineBufferTest, LinesAcrossAndBeyondTheBufferAreReadWhole)
{
    // A CR as the buffer's last byte with its LF in the next fill.
    std::string first(Buffer - 1, 'x');
    std::string bytes = first + "\r\n" + "next\r\n";
    EXPECT_EQ(Read(bytes), (Lines{first, "next"}));
    // The end-of-file mark as the first byte of a fill.
    const std::string full(Buffer - 2, 'z');
    EXPECT_EQ(Read(full + "\r\n\x1A"), (Lines{full}));
    // A line several buffers long, then a 0x1A in a later fill.
    const std::string huge(3 * Buffer + 17, 'y');
    EXPECT_EQ(Read("a\r\n" + huge + "\r\nb\x1A" + "c"), (Lines{"a", huge, "b"}));
}

TEST(LineBufferTest, WindowKeepsWhatTheReaderAsksFor)
{
    const std::string bytes = std::string(Buffer + 100, 'a') + "\r\nbc\x1A" + "hidden";
    platform::MemorySource source(bytes);
    LineBuffer buffer(source);
    EXPECT_EQ(buffer.End(), 0u);
    EXPECT_TRUE(buffer.Refill(0));
    EXPECT_EQ(buffer.Bytes(0, buffer.End()), std::string(Buffer, 'a'));
    EXPECT_FALSE(buffer.Complete());
    // Keeping what follows offset 18: the window goes on from 10, a few bytes before it.
    EXPECT_TRUE(buffer.Refill(18));
    EXPECT_EQ(buffer.Offset(), 18u - LineBuffer::Context);
    EXPECT_EQ(buffer.Bytes(buffer.Offset(), buffer.End()), bytes.substr(10, bytes.find('\x1A') - 10));
    EXPECT_TRUE(buffer.Complete());
    EXPECT_EQ(*buffer.At(buffer.End()), '\0'); // a zero byte follows it
    EXPECT_FALSE(buffer.Refill(0));
    // A window kept whole grows rather than lose bytes.
    const std::string huge(3 * Buffer + 17, 'y');
    platform::MemorySource big(huge);
    LineBuffer whole(big);
    while (whole.Refill(0)) {
    }
    EXPECT_EQ(whole.Bytes(0, whole.End()), huge);
}

} // namespace
} // namespace fendix::engine
