#include "ui/ErrorReport.h"

#include <QMessageBox>
#include <QWidget>

namespace fendix::ui {

namespace {

// A box whose parent is not on the screen (the main window during a run or before it is
// first shown) is kept above every window, so that the splash cannot hide it.
void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QWidget* owner = parent != nullptr && parent->isVisible() ? parent : nullptr;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    if (owner == nullptr)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void ShowErrorReport(QWidget* parent, const QString& message)
{
    ShowBox(parent, QMessageBox::Critical, ApplicationTitle, message + QLatin1Char('.'));
}

QString ErrorMessage(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

void ShowInvalidFileBox(QWidget* parent, const QString& message)
{
    ShowBox(parent, QMessageBox::NoIcon, QStringLiteral("Erreur format"), message);
}

} // namespace fendix::ui
