#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace fendix::ui {

// File names and paths are the file system's bytes. The windows show them decoded in the
// local 8-bit encoding of file names, and give back the bytes of what the user typed.
QString DecodeName(std::string_view bytes);
std::string EncodeName(const QString& text);

} // namespace fendix::ui
