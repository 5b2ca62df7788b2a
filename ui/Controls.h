#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <exception>
#include <utility>

namespace fendix::ui {

// Creates a control with its object name, inside its parent, at its place.
template <typename Widget, typename... Args>
Widget* MakeControl(const char* name, QWidget* parent, QRect place, Args&&... args)
{
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(place);
    return widget;
}

// What a window does while it is being created and nobody sees it: filling a list from the
// file system. Should that fail (a current directory gone, a volume unreadable), the list
// starts empty or where it could, and nothing is said: the user hears of the error when acting
// on the list. Returns false when the action failed.
template <typename Action> bool TryWhileCreating(Action&& action) noexcept
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace fendix::ui
