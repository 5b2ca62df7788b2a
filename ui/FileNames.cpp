#include "ui/FileNames.h"

#include <QByteArray>
#include <QFile>

namespace fendix::ui {

QString DecodeName(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string EncodeName(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace fendix::ui
