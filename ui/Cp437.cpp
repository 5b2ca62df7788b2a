#include "ui/Cp437.h"

#include <QList>
#include <QStringView>

namespace fendix::ui {

QString DecodeCp437Line(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = byte == 0x09 ? QChar(u'\t') : QChar(static_cast<char16_t>(Cp437ToUnicode(byte)));
    }
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
