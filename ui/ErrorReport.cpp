#include "ui/ErrorReport.h"

#include "platform/ProgramError.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
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
    WidenForCaption(box);
    box.exec();
}

} // namespace

int CaptionWidth(const QWidget& window)
{
    // The window system writes the caption in the title bar, in a bold face often larger
    // than the window's, beside the window's icon and its buttons (each about as wide as the
    // bar is high, with some room between them).
    QFont font = window.font();
    font.setBold(true);
    if (font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() * 6 / 5);
    else
        font.setPointSizeF(font.pointSizeF() * 1.2);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(window.windowTitle()) + 8 * metrics.height();
}

void WidenForCaption(QMessageBox& box)
{
    // A box is as wide as its message, and a short message would leave too little room for
    // the caption: a blank row across the box keeps it wide enough.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    const QMargins margins = grid->contentsMargins();
    const int width = CaptionWidth(box) - margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

void ShowErrorReport(QWidget* parent, const QString& message)
{
    ShowBox(parent, QMessageBox::Critical, ApplicationTitle, message + QLatin1Char('.'));
}

void ReportCurrentError(QWidget* parent) noexcept
{
    try {
        const std::exception_ptr error = std::current_exception();
        const QString message = QString::fromStdString(platform::ErrorMessage(error));
        try {
            std::rethrow_exception(error);
        } catch (const platform::EInvalidFile&) {
            ShowInvalidFileBox(parent, message);
            return;
        } catch (...) {
        }
        ShowErrorReport(parent, message);
    } catch (...) {
        // Memory is too short even for the box: the handler has ended all the same.
    }
}

void ShowInvalidFileBox(QWidget* parent, const QString& message)
{
    ShowBox(parent, QMessageBox::NoIcon, QStringLiteral("Erreur format"), message);
}

} // namespace fendix::ui
