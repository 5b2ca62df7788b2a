#include "ui/Artwork.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace fendix::ui {

namespace {

// A compact disc centred at `centre`: a silver face with a rainbow sheen, a clear ring and
// the hole in the middle.
void DrawDisc(QPainter& painter, QPointF centre, qreal radius, const QColor& hole)
{
    painter.save();
    painter.setPen(QPen(QColor(70, 70, 90), radius / 30.0));
    QConicalGradient sheen(centre, 30);
    sheen.setColorAt(0.00, QColor(230, 230, 240));
    sheen.setColorAt(0.10, QColor(255, 190, 210));
    sheen.setColorAt(0.20, QColor(200, 220, 255));
    sheen.setColorAt(0.35, QColor(240, 240, 245));
    sheen.setColorAt(0.50, QColor(190, 255, 210));
    sheen.setColorAt(0.62, QColor(255, 245, 180));
    sheen.setColorAt(0.75, QColor(235, 235, 245));
    sheen.setColorAt(0.88, QColor(200, 200, 255));
    sheen.setColorAt(1.00, QColor(230, 230, 240));
    painter.setBrush(sheen);
    painter.drawEllipse(centre, radius, radius);
    painter.setBrush(QColor(215, 220, 230, 200));
    painter.drawEllipse(centre, radius * 0.34, radius * 0.34);
    // A clear hole lets what lies under the disc show through.
    if (hole.alpha() == 0)
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(hole.alpha() == 0 ? QColor(Qt::black) : hole);
    painter.drawEllipse(centre, radius * 0.16, radius * 0.16);
    painter.restore();
}

// A magnifying glass whose lens is centred at `centre`, its handle going down to the right.
void DrawMagnifier(QPainter& painter, QPointF centre, qreal radius)
{
    painter.save();
    const QPointF handleStart = centre + QPointF(radius * 0.72, radius * 0.72);
    const QPointF handleEnd = centre + QPointF(radius * 1.75, radius * 1.75);
    painter.setPen(QPen(QColor(60, 35, 20), radius * 0.42, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(handleStart, handleEnd);
    painter.setPen(QPen(QColor(40, 40, 50), radius * 0.22));
    QRadialGradient glass(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.2);
    glass.setColorAt(0, QColor(255, 255, 255, 170));
    glass.setColorAt(1, QColor(170, 210, 255, 90));
    painter.setBrush(glass);
    painter.drawEllipse(centre, radius, radius);
    painter.restore();
}

} // namespace

QPixmap SplashPicture(QSize size, qreal devicePixelRatio)
{
    QPixmap picture(size * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 300.0, size.height() / 100.0);

    const QColor night(10, 28, 70);
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0, night);
    sky.setColorAt(1, QColor(24, 100, 130));
    painter.fillRect(QRectF(0, 0, 300, 100), sky);

    // A few lines of a listing scrolling by behind the title, as on a DOS screen.
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(7);
    painter.setFont(mono);
    painter.setPen(QColor(90, 150, 190, 110));
    const char* const listing[] = {
        "DOOM2DEM.ZIP  1.203.882  Demo de Doom II", "TAROT22.ZIP      88.104  Jeu de tarot",
        "PKZ204G.EXE     202.574  Compresseur",     "MANDEL.ZIP       61.337  Fractales",
        "FONTES.ZIP     412.090  Polices TrueType", "MODEM14.ZIP      74.812  Terminal",
        "SCRSAV.ZIP      156.455  Economiseurs",    "EDUCMATH.ZIP     98.020  Educatif"};
    qreal y = 9;
    for (const char* line : listing) {
        painter.drawText(QPointF(96, y), QString::fromLatin1(line));
        y += 11.5;
    }

    DrawDisc(painter, QPointF(50, 50), 40, night);
    DrawMagnifier(painter, QPointF(64, 40), 15);

    QFont title(QStringLiteral("Sans Serif"));
    title.setStyleHint(QFont::SansSerif);
    title.setBold(true);
    title.setPixelSize(23);
    painter.setFont(title);
    painter.setPen(QColor(0, 0, 0, 120));
    painter.drawText(QPointF(106, 45), QStringLiteral("Dorvan Fendix"));
    painter.setPen(Qt::white);
    painter.drawText(QPointF(104, 43), QStringLiteral("Dorvan Fendix"));

    // A double rule under the title, like the frames of the catalogues it reads.
    painter.setPen(QPen(QColor(255, 214, 90), 1.2));
    painter.drawLine(QPointF(105, 51), QPointF(290, 51));
    painter.drawLine(QPointF(105, 54), QPointF(290, 54));

    QFont small = title;
    small.setPixelSize(11);
    small.setBold(false);
    painter.setFont(small);
    painter.setPen(QColor(220, 235, 255));
    painter.drawText(QPointF(105, 70), QStringLiteral("Recherche dans les descriptions"));
    painter.drawText(QPointF(105, 84), QStringLiteral("des CD-ROM de shareware"));
    small.setBold(true);
    painter.setFont(small);
    painter.setPen(QColor(255, 214, 90));
    painter.drawText(QRectF(105, 76, 185, 18), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("v1.01"));
    return picture;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 64.0, side / 64.0);
        DrawDisc(painter, QPointF(28, 28), 26, QColor(0, 0, 0, 0));
        DrawMagnifier(painter, QPointF(38, 36), 12);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace fendix::ui
