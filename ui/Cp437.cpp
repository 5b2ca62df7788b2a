#include "ui/Cp437.h"

#include <QList>
#include <QStringView>

#include <array>

namespace fendix::ui {

QString DecodeCp437Line(std::string_view bytes)
{
    // The table as the text box takes it, made once: every character of code page 437 is one
    // UTF-16 unit.
    static const std::array<char16_t, 256> shown = [] {
        std::array<char16_t, 256> table{};
        for (unsigned byte = 0; byte < table.size(); ++byte)
            table[byte] = static_cast<char16_t>(Cp437ToUnicode(static_cast<unsigned char>(byte)));
        table[0x09] = u'\t';
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
    const QString composed = text.normalized(QString::NormalizationForm_C);
    const QList<uint> characters = QStringView(composed).toUcs4();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(characters.size()));
    for (const uint character : characters)
        bytes += codepage::Cp437ByteOf(static_cast<char32_t>(character));
    return bytes;
}

} // namespace fendix::ui
