#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

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

} // namespace fendix::ui
