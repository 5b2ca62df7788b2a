#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace fendix::ui {

// The description files are DOS code page 437 text. The windows show their bytes decoded,
// and what the user types is encoded back to those bytes before it is matched, so that what
// the user reads is what the user can find.

// The character that a code page 437 byte stands for. The bytes 0x01 to 0x1F and 0x7F are
// the graphic characters that DOS screens drew for them (☺, ♥, ◙, ►, ⌂ ...), 0x00 a blank.
char32_t Cp437ToUnicode(unsigned char byte) noexcept;

// A line of a description file as the description window shows it: every byte through the
// table above, except the tab, which stays a tab so that the text box lays it out on its
// tab stops, as a text box showing DOS text always did.
QString DecodeCp437Line(std::string_view bytes);

// A byte that can never stand inside a stored line (a carriage return always ends one);
// what the user typed and code page 437 lacks becomes this byte, so that the criterion takes
// part and matches nowhere.
constexpr char UnmatchableByte = '\x0D';

// What the user typed, as code page 437 bytes: the text is composed first (an "e" followed
// by a combining accent becomes "é"), then every character becomes its byte, or
// UnmatchableByte when the code page lacks it.
std::string EncodeCp437(const QString& text);

} // namespace fendix::ui
