// Code page 437: the character each byte stands for, how a stored line is decoded, and
// what a typed text becomes before it is matched.

#include "codepage/Cp437.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::codepage {
namespace {

TEST(Cp437Test, BoxDrawingBlocksAndAccentsShowAsDosDrewThem)
{
    EXPECT_EQ(Cp437ToUnicode(0xCD), U'═');
    EXPECT_EQ(Cp437ToUnicode(0xFE), U'■');
    EXPECT_EQ(Cp437ToUnicode(0x82), U'é');
    EXPECT_EQ(Cp437ToUnicode(0x90), U'É');
    EXPECT_EQ(Cp437ToUnicode(0xC9), U'╔');
    EXPECT_EQ(Cp437ToUnicode(0xB3), U'│');
    EXPECT_EQ(Cp437ToUnicode(0xDB), U'█');
    EXPECT_EQ(Cp437ToUnicode(0xB0), U'░');
    EXPECT_EQ(Cp437ToUnicode(0xF8), U'°');
    EXPECT_EQ(Cp437ToUnicode(0x01), U'☺');
    EXPECT_EQ(Cp437ToUnicode(0x7F), U'⌂');
}

TEST(Cp437Test, EveryByteHasItsOwnCharacter)
{
    std::set<char32_t> seen;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char32_t c = Cp437ToUnicode(static_cast<unsigned char>(byte));
        if (byte >= 0x20 && byte < 0x7F) {
            EXPECT_EQ(c, static_cast<char32_t>(byte));
        }
        seen.insert(c);
    }
    // 0x00 is drawn as a blank, the only character that two bytes share.
    EXPECT_EQ(Cp437ToUnicode(0x00), U' ');
    EXPECT_EQ(seen.size(), 255u);
}

// The C library's table for code page 437 gives control characters for 0x00 to 0x1F and
// 0x7F, where DOS screens drew the glyphs below (0x00 as a blank); every other byte must be
// the character that the C library gives.
TEST(Cp437Test, EveryByteIsTheCLibrarysCharacterOrTheDosGlyph)
{
    const std::u32string_view glyphs = U" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
    ASSERT_EQ(glyphs.size(), std::size_t{32});
    for (unsigned byte = 0; byte < 0x20; ++byte)
        EXPECT_EQ(Cp437ToUnicode(static_cast<unsigned char>(byte)), glyphs[byte]);
    EXPECT_EQ(Cp437ToUnicode(0x7F), U'⌂');

    const iconv_t toUtf32 = ::iconv_open("UTF-32LE", "CP437");
    ASSERT_NE(toUtf32, reinterpret_cast<iconv_t>(-1));
    int compared = 0;
    for (unsigned byte = 0x20; byte < 0x100; ++byte) {
        if (byte == 0x7F)
            continue;
        char in = static_cast<char>(byte);
        unsigned char out[4] = {};
        char* from = &in;
        char* to = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        ASSERT_NE(::iconv(toUtf32, &from, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1)) << byte;
        const char32_t expected =
            out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
        EXPECT_EQ(static_cast<unsigned>(Cp437ToUnicode(static_cast<unsigned char>(byte))),
                  static_cast<unsigned>(expected))
            << "byte " << byte;
        ++compared;
    }
    ::iconv_close(toUtf32);
    EXPECT_EQ(compared, 223);
}

TEST(Cp437Test, StoredLinesKeepTheTabAndAsDataEveryByteIsItsOwnCharacter)
{
    EXPECT_EQ(LineCharacter('\t'), U'\t');
    EXPECT_EQ(LineCharacter('\n'), U'◙'); // a lone line feed is a character of the line
    EXPECT_EQ(LineCharacter(0x1A), U'→');
    EXPECT_EQ(LineCharacter(0x00), U' ');
    std::set<char32_t> seen;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<unsigned char>(byte);
        const char32_t c = LineCharacter(b, LineDecoding::OneToOne);
        if (byte != 0x00 && byte != 0x09) {
            EXPECT_EQ(c, Cp437ToUnicode(b));
        }
        seen.insert(c);
    }
    EXPECT_EQ(LineCharacter(0x00, LineDecoding::OneToOne), U'\0');
    EXPECT_EQ(seen.size(), 256u);
}

TEST(EncodeTypedTextTest, EveryShownCharacterTypesBackToItsByte)
{
    for (unsigned byte = 1; byte < 256; ++byte) {
        std::string typed;
        AppendUtf8(typed, Cp437ToUnicode(static_cast<unsigned char>(byte)));
        EXPECT_EQ(EncodeTypedText(typed), std::string(1, static_cast<char>(byte))) << byte;
    }
}

TEST(EncodeTypedTextTest, Utf8IsComposedAndEncodedAndOtherBytesAreKept)
{
    struct Case {
        std::string typed;
        std::string bytes;
    };
    for (const Case& c :
         std::vector<Case>{{"jeu", "jeu"},
                           {"", ""},
                           {"a\tb", "a\tb"},
                           {"caf\xC3\xA9", "caf\x82"},
                           {"\xC3\xA9"
                            "ducatif",
                            "\x82"
                            "ducatif"},
                           {"\xC3\x89"
                            "DUCATIF \xC3\xA0 No\xC3\xABl",
                            "\x90"
                            "DUCATIF \x85 No\x89l"},
                           {"\xE2\x95\x90 DISQUE", "\xCD DISQUE"},
                           {"\xC3\x9F \xCE\xB2", "\xE1 \xE1"},  // sharp s and beta: the same DOS glyph
                           {"e\xCC\x81t\xC3\xA9", "\x82t\x82"}, // a combining accent is composed
                           {"n\xCC\x83", "\xA4"},
                           {"\xE2\x82\xAC", "\x0D"}, // no euro sign: matches nowhere
                           {"a\xE2\x82\xAC"
                            "b",
                            "a\rb"},
                           {"\xE6\x97\xA5\xE6\x9C\xAC", "\r\r"}, // 日本
                           {"x\xF0\x9F\x92\xBEy", "x\ry"},       // beyond the basic plane: one character
                           {"caf\x82", "caf\x82"},               // not UTF-8: the bytes as typed
                           {"\xC3", "\xC3"},
                           {"\xED\xA0\x80\xC3\xA9", "\xED\xA0\x80\xC3\xA9"}}) { // a surrogate is not UTF-8
        EXPECT_EQ(EncodeTypedText(c.typed), c.bytes) << c.typed;
    }
    EXPECT_EQ(UnmatchableByte, '\r');
}

} // namespace
} // namespace fendix::codepage
