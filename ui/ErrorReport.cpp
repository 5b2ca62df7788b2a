#include "ui/ErrorReport.h"

#include "platform/ProgramError.h"

#include <QMessageBox>
#include <QWidget>

#include <new>

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

QString ErrorMessage(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const platform::EProgramError& programError) {
        return QString::fromUtf8(programError.what());
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Mémoire insuffisante");
    } catch (const std::exception& unexpected) {
        return QStringLiteral("Erreur inattendue (%1)").arg(QString::fromUtf8(unexpected.what()));
    } catch (...) {
    }
    return QStringLiteral("Erreur inattendue");
}

void ReportCurrentError(QWidget* parent) noexcept
{
    try {
        ShowErrorReport(parent, ErrorMessage(std::current_exception()));
    } catch (...) {
        // Memory is too short even for the box: the handler has ended all the same.
    }
}

void ShowInvalidFileBox(QWidget* parent, const QString& message)
{
    ShowBox(parent, QMessageBox::NoIcon, QStringLiteral("Erreur format"), message);
}

} // namespace fendix::ui
