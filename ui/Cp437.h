#pragma once

#include "codepage/Cp437.h"

#include <QString>

#include <string>
#include <string_view>

namespace fendix::ui {

using codepage::Cp437ToUnicode;
using codepage::UnmatchableByte;

// A line of a description file as the description window shows it: every byte through the
// code page 437 table, except the tab, which stays a tab so that the text box lays it out
// on its tab stops, as a text box showing DOS text always did.
QString DecodeCp437Line(std::string_view bytes);

// What the user typed, as code page 437 bytes: the text is composed first (an "e" followed
// by a combining accent becomes "é"), then every character becomes its byte, or
// UnmatchableByte when the code page lacks it.
std::string EncodeCp437(const QString& text);

} // namespace fendix::ui
