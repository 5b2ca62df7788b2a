#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fendix::codepage {

// The description files are DOS code page 437 text. What shows them (the description
// window, the command line's readable output) decodes their bytes through this table, and
// what the user types is encoded back to those bytes before it is matched, so that what the
// user reads is what the user can find.

// The character that a code page 437 byte stands for. The bytes 0x01 to 0x1F and 0x7F are
// the graphic characters that DOS screens drew for them (☺, ♥, ◙, ►, ⌂ ...), 0x00 a blank.
char32_t Cp437ToUnicode(unsigned char byte) noexcept;

// A byte that can never stand inside a stored line (a carriage return always ends one);
// what the user typed and code page 437 lacks becomes this byte, so that the criterion takes
// part and matches nowhere.
constexpr char UnmatchableByte = '\x0D';

// The code page 437 byte of a character, or UnmatchableByte when the code page lacks it.
// The tab is 0x09; beta, the ohm sign and the element sign give the bytes DOS fonts drew
// them with (sharp s, omega, epsilon).
char Cp437ByteOf(char32_t character) noexcept;

// Characters as code page 437 bytes, each through Cp437ByteOf.
std::string EncodeCp437(std::u32string_view characters);

// How the bytes of a stored line are decoded: for the eye (the description window, the
// terminal), or as data, where no two bytes may give the same character.
enum class LineDecoding { Shown, OneToOne };

// The character of a byte of a stored line: its character in the table, except the tab,
// which stays a tab so that what shows the line lays it out on its tab stops. One to one,
// 0x00 is U+0000 rather than the blank that 0x20 also gives.
char32_t LineCharacter(unsigned char byte, LineDecoding decoding = LineDecoding::Shown) noexcept;

// A text the user typed, as the code page 437 bytes it is looked for as. Valid UTF-8 that
// holds a character beyond ASCII is composed first (NFC: an "e" followed by a combining
// accent becomes "é"), then every character becomes its byte, or UnmatchableByte when the
// code page lacks it. Anything else, ASCII or bytes that are not UTF-8 (code page 437 bytes
// given as they are), is taken as the bytes it is.
std::string EncodeTypedText(std::string_view typed);

// Appends a character in UTF-8.
void AppendUtf8(std::string& out, char32_t character);

// The length of the valid UTF-8 character at the start of `bytes`, its code point in
// `character`; 0 when there is none (an empty text, a stray byte, a cut character, an
// overlong form, a surrogate).
std::size_t Utf8CharacterAt(std::string_view bytes, char32_t& character) noexcept;

// The characters of a UTF-8 text; nothing when it is not valid UTF-8 (a stray byte, an
// overlong form, a surrogate).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

} // namespace fendix::codepage
