#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace fendix::ui {

// The splash picture, designed at 300 x 100 pixels and drawn at `size` logical pixels for a
// screen of the given device pixel ratio.
QPixmap SplashPicture(QSize size, qreal devicePixelRatio);

// The program's icon: a compact disc under a magnifying glass.
QIcon ProgramIcon();

} // namespace fendix::ui
