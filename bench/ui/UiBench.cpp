// fendix-uibench: a whole search run through the real windows, timed.
//
//   fendix-uibench [--text TEXT] [--cancel-after MS] DIR
//
// Builds the main, progress and description windows (run it on Qt's offscreen platform),
// opens DIR as the collection, types TEXT into the first criterion box (by default a text
// that the benchmark corpus never holds), clicks "Recherche" and waits for the run to end.
// With --cancel-after, "Annuler" is clicked that many milliseconds after "Recherche".
// Prints one line of figures, in milliseconds:
//
//   run_ms=... max_gap_ms=... passes=... shown=... [cancel_ms=...]
//
// run_ms is the time from the click on "Recherche" to the end of the run; max_gap_ms the
// longest time during the run in which no event was processed (from the progress window's
// appearance to the first pass, between two passes, from the last pass to the end);
// passes the number of event-processing passes; shown the number of entries shown (each
// is answered with "Continuer" at once); cancel_ms the time from the moment "Annuler" was
// clicked (when the click was due, since a click waits for the next pass to be seen) to
// the end of the run.

#include "ui/Affiche.h"
#include "ui/Main.h"
#include "ui/Scan.h"
#include "ui/Start.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace fendix;

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: fendix-uibench [--text TEXT] [--cancel-after MS] DIR\n");
    return 2;
}

// Types a text key by key into a line edit.
void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(edit, &press);
        QCoreApplication::sendEvent(edit, &release);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::SetUpApplication(application);

    QString text = QStringLiteral("Xylophonique");
    long cancelAfter = -1;
    long interval = -1;
    QString directory;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--text") == 0 && i + 1 < argc) {
            text = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--interval-us") == 0 && i + 1 < argc) {
            interval = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--cancel-after") == 0 && i + 1 < argc) {
            char* end = nullptr;
            cancelAfter = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || cancelAfter < 0)
                return Usage();
        } else if (argv[i][0] != '-' && directory.isEmpty()) {
            directory = QDir(QString::fromLocal8Bit(argv[i])).absolutePath();
        } else {
            return Usage();
        }
    }
    if (directory.isEmpty() || text.isEmpty())
        return Usage();
    if (!QDir(directory).exists()) {
        std::fprintf(stderr, "fendix-uibench: no folder %s\n", qPrintable(directory));
        return 2;
    }

    // A settings file of its own, which opens the collection with the case kept.
    QTemporaryDir home;
    const QString ini = home.filePath(QStringLiteral("fendix.ini"));
    QFile file(ini);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[WinFendix]\r\nRepertoireDefaut=" + QFile::encodeName(directory)
               + "\r\nIgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n");
    file.close();

    ui::TMainForm main(QFile::encodeName(ini).toStdString(),
                       QFile::encodeName(home.path()).toStdString() + "/");
    ui::TScanForm scan(main.State());
    ui::TDescForm desc(main.State());
    main.SetRunWindows(&scan, &desc);
    if (interval >= 0)
        main.SetMessageInterval(std::chrono::microseconds(interval));
    main.show();
    QCoreApplication::processEvents();
    Type(main.TexteCritere1, text);

    // Every pass of event processing fires this timer once: the gaps between its firings
    // are the gaps in which no input would have been seen.
    QElapsedTimer clock;
    qint64 lastPass = 0; // the click on "Recherche": no event is processed until the first pass
    qint64 maxGap = 0;
    long passes = 0;
    long shown = 0;
    QTimer pass;
    pass.setTimerType(Qt::PreciseTimer);
    pass.setInterval(0);
    QObject::connect(&pass, &QTimer::timeout, [&] {
        if (!clock.isValid())
            return;
        const qint64 now = clock.nsecsElapsed();
        if (QApplication::activeModalWidget() == &desc) {
            // An entry is up: the time it stays on the screen is the user's, not a gap.
            ++shown;
            desc.ContBtn->click();
            lastPass = clock.nsecsElapsed();
            return;
        }
        maxGap = std::max(maxGap, now - lastPass);
        lastPass = now;
        ++passes;
    });
    pass.start();

    qint64 cancelDue = -1;
    QTimer cancel;
    cancel.setTimerType(Qt::PreciseTimer);
    cancel.setSingleShot(true);
    QObject::connect(&cancel, &QTimer::timeout, [&] { scan.CancelBtn->click(); });

    clock.start();
    if (cancelAfter >= 0) {
        cancel.start(static_cast<int>(cancelAfter));
        cancelDue = cancelAfter * 1000000;
    }
    main.RechercheBtn->click();
    const qint64 end = clock.nsecsElapsed();
    pass.stop();
    maxGap = std::max(maxGap, end - lastPass);

    std::printf("run_ms=%.1f max_gap_ms=%.2f passes=%ld shown=%ld", end / 1e6, maxGap / 1e6, passes, shown);
    if (cancelAfter >= 0) {
        if (cancel.isActive())
            std::printf(" cancel_ms=-");
        else
            std::printf(" cancel_ms=%.2f", (end - cancelDue) / 1e6);
    }
    std::printf("\n");
    return 0;
}
