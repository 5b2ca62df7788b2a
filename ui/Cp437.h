#pragma once

#include "codepage/Cp437.h"

#include <QString>

#include <string>
#include <string_view>

namespace fendix::ui {

using codepage::Cp437ToUnicode;
using codepage::UnmatchableByte;

// A line of a description file as the description window shows it: every byte as
// codepage::LineCharacter shows it (the tab stays a tab, which the text box lays out on its
// tab stops, as a text box showing DOS text always did).
QString DecodeCp437Line(std::string_view bytes);

// What the user typed, as code page 437 bytes, as codepage::EncodeTypedText encodes it.
std::string EncodeCp437(const QString& text);

} // namespace fendix::ui
