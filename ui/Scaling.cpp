#include "ui/Scaling.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace fendix::ui {

namespace {

constexpr double DesignDpi = 120.0;

} // namespace

double DesignScale()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi / DesignDpi : 96.0 / DesignDpi;
}

int Scaled(int designPixels)
{
    return static_cast<int>(std::lround(designPixels * DesignScale()));
}

QRect ScaledRect(int left, int top, int width, int height)
{
    return QRect(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

QFont SansFont(int designPixelSize, bool bold)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, Scaled(designPixelSize)));
    font.setBold(bold);
    return font;
}

QFont MonoFont(int designPixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, Scaled(designPixelSize)));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

void FitFontToButtons(QWidget* window, int smallestDesignPixelSize)
{
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    // The room a caption needs: its text, and the box or the button's margins beside it.
    const auto needed = [](const QAbstractButton* button) {
        const QStyle* style = button->style();
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        const int textWidth = button->fontMetrics().horizontalAdvance(text);
        if (qobject_cast<const QCheckBox*>(button) != nullptr)
            return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                   + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button) + textWidth;
        if (qobject_cast<const QRadioButton*>(button) != nullptr)
            return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button)
                   + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button) + textWidth;
        return textWidth + 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
               + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    };
    const auto fits = [&] {
        for (const QAbstractButton* button : buttons)
            if (needed(button) > button->width())
                return false;
        return true;
    };
    const int smallest = std::max(1, Scaled(smallestDesignPixelSize));
    QFont font = window->font();
    while (!fits() && font.pixelSize() > smallest) {
        font.setPixelSize(font.pixelSize() - 1);
        window->setFont(font);
    }
}

} // namespace fendix::ui
