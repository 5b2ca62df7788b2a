#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace fendix::ui {

// Places, sizes and font heights of the windows are given as designed at 120 pixels per
// inch; these turn them into logical pixels of the screen the program runs on.
double DesignScale();
int Scaled(int designPixels);
QRect ScaledRect(int left, int top, int width, int height);

// The platform's default sans-serif font, at a pixel height as designed.
QFont SansFont(int designPixelSize, bool bold);

// The monospace font that shows the description files, box-drawing glyphs included.
QFont MonoFont(int designPixelSize);

// Sans-serif fonts run wider on some systems than on others: when a caption of the
// window's buttons, check boxes or radio buttons does not fit the place designed for it,
// the window's font is made smaller, a pixel at a time, down to the smallest size given,
// so that no caption is cut.
void FitFontToButtons(QWidget* window, int smallestDesignPixelSize);

} // namespace fendix::ui
