#include "ui/Gauge.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace fendix::ui {

Gauge::Gauge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    text_.setTextFormat(Qt::PlainText);
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
    return QString::number(progress_) + QLatin1Char('%');
}

void Gauge::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        textProgress_ = -1; // laid out again in the new font
    QWidget::changeEvent(event);
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The border, one pixel wide, and the bar inside it: plain fills, the cheapest drawing
    // there is.
    const QRect outer = rect();
    const QColor border = palette().color(QPalette::Dark);
    painter.fillRect(outer.left(), outer.top(), outer.width(), 1, border);
    painter.fillRect(outer.left(), outer.bottom(), outer.width(), 1, border);
    painter.fillRect(outer.left(), outer.top() + 1, 1, outer.height() - 2, border);
    painter.fillRect(outer.right(), outer.top() + 1, 1, outer.height() - 2, border);

    const QRect inner = outer.adjusted(1, 1, -1, -1);
    const int filledWidth = inner.width() * progress_ / 100;
    const QRect filled(inner.left(), inner.top(), filledWidth, inner.height());
    const QRect empty(inner.left() + filledWidth, inner.top(), inner.width() - filledWidth, inner.height());
    painter.fillRect(filled, Qt::black);
    painter.fillRect(empty, Qt::white);

    // The text, centred as a single line is, drawn black over the empty part and white over
    // the filled one.
    if (textProgress_ != progress_) {
        text_.setText(Text());
        text_.prepare(QTransform(), font());
        textProgress_ = progress_;
    }
    const QFontMetricsF metrics(font());
    const QPointF at(inner.left() + (inner.width() - metrics.horizontalAdvance(text_.text())) / 2,
                     inner.top() + (inner.height() - metrics.height()) / 2);
    painter.setFont(font());
    painter.setClipRect(empty);
    painter.setPen(Qt::black);
    painter.drawStaticText(at, text_);
    painter.setClipRect(filled);
    painter.setPen(Qt::white);
    painter.drawStaticText(at, text_);
}

} // namespace fendix::ui
