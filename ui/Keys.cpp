#include "ui/Keys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace fendix::ui {

bool IsEnterKey(const QKeyEvent* event) noexcept
{
    const int key = event->key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter)
           && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool IsEscapeKey(const QKeyEvent* event) noexcept
{
    return event->key() == Qt::Key_Escape && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void PressFocusedButtonOr(const QWidget& window, QPushButton* fallback)
{
    auto* focused = qobject_cast<QPushButton*>(window.focusWidget());
    QPushButton* button =
        focused != nullptr && focused->isVisible() && focused->window() == &window ? focused : fallback;
    if (button != nullptr && button->isEnabled())
        button->click();
}

} // namespace fendix::ui
