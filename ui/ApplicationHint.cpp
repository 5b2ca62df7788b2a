#include "ui/ApplicationHint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace fendix::ui {

ApplicationHint::ApplicationHint(QObject* parent) : QObject(parent)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

ApplicationHint::~ApplicationHint()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

QString ApplicationHint::HintOf(const QWidget* widget)
{
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (!widget->statusTip().isEmpty())
            return widget->statusTip();
        if (widget->isWindow())
            break;
    }
    return {};
}

bool ApplicationHint::eventFilter(QObject* watched, QEvent* event)
{
    // The pointer enters controls from the outside in, and leaves them from the inside out:
    // after an Enter it is over that control, after a Leave over the control's parent, or
    // over no window of the program when a window was left.
    if (watched->isWidgetType()) {
        const auto* widget = static_cast<const QWidget*>(watched);
        if (event->type() == QEvent::Enter)
            Update(HintOf(widget));
        else if (event->type() == QEvent::Leave)
            Update(widget->isWindow() ? QString() : HintOf(widget->parentWidget()));
    }
    return false;
}

void ApplicationHint::Update(const QString& hint)
{
    if (hint == current_)
        return;
    current_ = hint;
    emit HintChanged(current_);
}

} // namespace fendix::ui
