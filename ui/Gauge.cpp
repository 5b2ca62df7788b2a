#include "ui/Gauge.h"

#include <QPainter>

#include <algorithm>

namespace fendix::ui {

Gauge::Gauge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Gauge::SetProgress(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == progress_)
        return;
    progress_ = value;
    update();
}

QString Gauge::Text() const
{
    return QStringLiteral("%1%").arg(progress_);
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect outer = rect();
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outer.adjusted(0, 0, -1, -1));

    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const int filledWidth = inner.width() * progress_ / 100;
    const QRect filled(inner.left(), inner.top(), filledWidth, inner.height());
    const QRect empty(inner.left() + filledWidth, inner.top(), inner.width() - filledWidth, inner.height());
    painter.fillRect(filled, Qt::black);
    painter.fillRect(empty, Qt::white);

    const QString text = Text();
    painter.setFont(font());
    painter.setClipRect(empty);
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipRect(filled);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::AlignCenter, text);
}

} // namespace fendix::ui
