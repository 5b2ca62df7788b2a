// fendix-screenshots OUTDIR SAMPLES_DIR: pictures of the real windows, for a look.
//
// Writes main.png (the main window with three criteria), progress.png (the progress window
// during a run), description.png (the description window showing a catalogue entry),
// highlight-{asc,bbs}-{case,nocase}.png (the description window with the places where
// "tarot" was found highlighted, in a catalogue entry and in a BBS entry, letter case kept
// and ignored) and splash.png. Each picture has a plain caption strip with the window's
// title above the window's client area, since the client area is all that a window can
// draw of itself.

#include "engine/DescFormat.h"
#include "platform/ImageVolume.h"
#include "ui/Affiche.h"
#include "ui/Gauge.h"
#include "ui/Main.h"
#include "ui/Scan.h"
#include "ui/Start.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>

using namespace fendix;

namespace {

// The window's picture under a caption strip bearing its title.
QImage WithCaption(QWidget& window, bool caption)
{
    const QPixmap client = window.grab();
    if (!caption)
        return client.toImage();
    const int strip = QFontMetrics(window.font()).height() + 8;
    const qreal ratio = client.devicePixelRatio();
    const QSize size = client.deviceIndependentSize().toSize();
    QImage image(QSize(size.width(), size.height() + strip) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width(), strip, QColor(0, 0, 128));
    painter.setPen(Qt::white);
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    const QPixmap icon = QApplication::windowIcon().pixmap(strip - 6);
    painter.drawPixmap(3, 3, icon);
    painter.drawText(QRect(strip, 0, size.width() - strip - 4, strip), Qt::AlignLeft | Qt::AlignVCenter,
                     window.windowTitle());
    painter.drawPixmap(0, strip, client);
    return image;
}

bool Save(QWidget& window, const QString& path, bool caption = true)
{
    const bool saved = WithCaption(window, caption).save(path);
    std::printf("%s %s (%s)\n", saved ? "wrote" : "could not write", qPrintable(path),
                qPrintable(window.windowTitle()));
    return saved;
}

void WaitExposed(QWidget& window)
{
    for (int i = 0; i < 200 && (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

void Hover(QWidget* widget)
{
    const QPointF local = widget->rect().center();
    QEnterEvent enter(local, widget->mapTo(widget->window(), local), widget->mapToGlobal(local));
    QCoreApplication::sendEvent(widget, &enter);
}

// True when some line of the description window is highlighted.
bool HasHighlight(const ui::TDescForm& desc)
{
    for (QTextBlock block = desc.ListeDesc->document()->begin(); block.isValid(); block = block.next())
        if (!block.layout()->formats().isEmpty())
            return true;
    return false;
}

// One search through the windows. At each entry shown, `shoot` may picture the windows and
// says whether the search is to go on ("Continuer") or to end ("Menu"); an invalid-file
// message is answered with OK.
void Run(ui::TMainForm& main, ui::TDescForm& desc, const std::function<bool()>& shoot)
{
    QTimer pilot;
    pilot.setInterval(0);
    QObject::connect(&pilot, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->isVisible()) {
            box->button(QMessageBox::Ok)->click();
            return;
        }
        if (modal != &desc || !desc.isVisible())
            return;
        WaitExposed(desc);
        (shoot() ? desc.ContBtn : desc.MenuBtn)->click();
    });
    pilot.start();
    main.RechercheBtn->click();
    pilot.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::SetUpApplication(application);
    if (argc != 3) {
        std::fprintf(stderr, "usage: fendix-screenshots OUTDIR SAMPLES_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString samples = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    // The samples may be a folder, or a CD image that holds them.
    const std::string samplesPath = QFile::encodeName(samples).toStdString();
    if (!QDir().mkpath(out) || !(QDir(samples).exists() || platform::IsImageFile(samplesPath))) {
        std::fprintf(stderr, "fendix-screenshots: no folder %s or %s\n", argv[1], argv[2]);
        return 2;
    }

    // A settings file of its own that opens the samples, so that nothing is written there.
    QTemporaryDir home;
    const QString ini = home.filePath(QStringLiteral("fendix.ini"));
    QFile file(ini);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[WinFendix]\r\nRepertoireDefaut=" + QFile::encodeName(samples)
               + "\r\nIgnoreMAJmin=1\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n");
    file.close();

    bool ok = true;
    {
        ui::TStartForm splash;
        splash.ShowAndPaint();
        ok = Save(splash, out + QStringLiteral("/splash.png"), false) && ok;
    }

    ui::TMainForm main(QFile::encodeName(ini).toStdString(),
                       QFile::encodeName(home.path()).toStdString() + "/");
    ui::TScanForm scan(main.State());
    ui::TDescForm desc(main.State());
    main.SetRunWindows(&scan, &desc);

    main.show();
    WaitExposed(main);
    main.TexteCritere1->setText(QStringLiteral("éducatif"));
    main.TexteCritere2->setText(QStringLiteral("jeu"));
    main.OuRadio2->setChecked(true);
    main.TexteCritere3->setText(QStringLiteral("démo"));
    main.NonCheck3->setChecked(true);
    // One list line deselected by hand, so that its group box shows grey.
    main.ListeBox->item(1)->setSelected(false);
    Hover(main.ListeBox);
    QCoreApplication::processEvents();
    ok = Save(main, out + QStringLiteral("/main.png")) && ok;

    // The run: the description window is pictured at the first entry with box-drawing
    // lines and accents, the progress window once both gauges have moved.
    bool descShot = false;
    bool progressShot = false;
    Run(main, desc, [&] {
        const QString text = desc.ListeDesc->toPlainText();
        if (!descShot && text.contains(QChar(u'═')) && text.contains(QChar(u'é'))) {
            descShot = true;
            ok = Save(desc, out + QStringLiteral("/description.png")) && ok;
        }
        if (!progressShot && scan.TotalGauge->Progress() > 0 && scan.FicGauge->Progress() > 0) {
            progressShot = true;
            ok = Save(scan, out + QStringLiteral("/progress.png")) && ok;
        }
        return !(descShot && progressShot);
    });
    if (!descShot || !progressShot) {
        std::fprintf(stderr, "fendix-screenshots: the run showed no entry to picture\n");
        return 1;
    }

    // "tarot" highlighted: the first catalogue entry and the first BBS entry, letter case
    // kept, then ignored.
    main.TexteCritere2->clear();
    main.TexteCritere1->setText(QStringLiteral("tarot"));
    for (const bool ignoreCase : {false, true}) {
        main.SettingsValues().IgnoreCase = ignoreCase;
        const QString suffix = ignoreCase ? QStringLiteral("-nocase.png") : QStringLiteral("-case.png");
        bool ascShot = false;
        bool bbsShot = false;
        Run(main, desc, [&] {
            const bool bbs =
                desc.DescLabel->text().endsWith(QString::fromUtf8(engine::LabelSuffix(engine::dkBbs)));
            bool& shot = bbs ? bbsShot : ascShot;
            if (!shot && HasHighlight(desc)) {
                shot = true;
                const QString name =
                    bbs ? QStringLiteral("/highlight-bbs") : QStringLiteral("/highlight-asc");
                ok = Save(desc, out + name + suffix) && ok;
            }
            return !(ascShot && bbsShot);
        });
        if (!ascShot || !bbsShot) {
            std::fprintf(stderr, "fendix-screenshots: the search for tarot showed no entry to picture\n");
            return 1;
        }
    }
    return ok ? 0 : 1;
}
