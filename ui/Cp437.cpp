#include "ui/Cp437.h"

#include <array>

namespace fendix::ui {

QString DecodeCp437Line(std::string_view bytes)
{
    // The table as the text box takes it, made once: every character of code page 437 is one
    // UTF-16 unit.
    static const std::array<char16_t, 256> shown = [] {
        std::array<char16_t, 256> table{};
        for (unsigned byte = 0; byte < table.size(); ++byte)
            table[byte] = static_cast<char16_t>(codepage::LineCharacter(static_cast<unsigned char>(byte)));
        return table;
    }();
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char c : bytes)
        *out++ = shown[static_cast<unsigned char>(c)];
    return text;
}

std::string EncodeCp437(const QString& text)
{
    return codepage::EncodeTypedText(text.toStdString());
}

} // namespace fendix::ui
