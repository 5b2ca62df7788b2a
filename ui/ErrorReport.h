#pragma once

#include <QString>

#include <exception>
#include <utility>

class QMessageBox;
class QWidget;

namespace fendix::ui {

// The caption of the main window and of the error report, and the application's name.
inline const QString ApplicationTitle = QStringLiteral("Dorvan Fendix v1.01");

// The one place where an error is shown: a message box with the application title as
// caption, the message followed by ".", an OK button and the stop icon. Returns when the
// user has closed it.
void ShowErrorReport(QWidget* parent, const QString& message);

// Reports the error being handled (inside a catch block), with its message as
// platform::ErrorMessage gives it: a file the program cannot take (platform::EInvalidFile)
// in the box of an invalid file, any other error in the error report. Never fails itself:
// when even the report cannot be shown, it is given up.
void ReportCurrentError(QWidget* parent) noexcept;

// Runs an event handler; an error that escapes it is reported and the handler ends there.
// Returns false when it ended so.
template <typename Handler> bool ReportErrors(QWidget* parent, Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        ReportCurrentError(parent);
    }
    return false;
}

// The width that a window needs to show its caption whole in its title bar.
int CaptionWidth(const QWidget& window);

// Makes a message box at least as wide as its caption needs (every box of the program is
// shown so).
void WidenForCaption(QMessageBox& box);

// The box of an invalid description file: the message, the caption "Erreur format", an OK
// button, no icon. Returns when the user has closed it.
void ShowInvalidFileBox(QWidget* parent, const QString& message);

} // namespace fendix::ui
