// Pictures of the options dialog (both pages) and of the directory chooser, to be compared
// with their design: fendix-dialog-screenshots FOLDER writes option-page0.png,
// option-page1.png, directory-chooser.png and directory-chooser-keys.png (the chooser walked
// from the keyboard: into JEUX, then back up) into FOLDER. The dialogs are filled from a
// small collection of our own written into a temporary folder.

#include "settings/Settings.h"
#include "ui/Directo.h"
#include "ui/FileViews.h"
#include "ui/Option.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

using namespace fendix;

namespace {

bool WriteFile(const QString& path, const char* text)
{
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool Save(QWidget& window, const QString& path)
{
    window.show();
    QApplication::processEvents();
    const QPixmap picture = window.grab();
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", QFile::encodeName(path).constData());
        return false;
    }
    std::printf("%s\n", QFile::encodeName(path).constData());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Without a display the pictures are drawn off the screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fendix-dialog-screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    // A collection to look at: description files, other files, subdirectories.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    const QString collection = scratch.path() + QStringLiteral("/CDROM");
    if (!QDir().mkpath(collection + QStringLiteral("/JEUX"))
        || !QDir().mkpath(collection + QStringLiteral("/Utilitaires")))
        return 1;
    for (const char* name : {"ASC01.ASC", "ASC02.ASC", "NEWS.BBS", "UTILS.BBS", "VRAC01.BBS", "lisezmoi.txt"})
        if (!WriteFile(collection + QLatin1Char('/') + QLatin1String(name), "\r\n"))
            return 1;
    // The dialogs open on the current directory, as they do at start-up.
    QDir::setCurrent(collection);

    settings::Settings values;
    values.DefaultDir = QFile::encodeName(collection).toStdString();
    values.IgnoreCase = true;
    values.LoadAtStart = true;
    values.AnnexeFirst = false;
    values.AnnexeFiles = {values.DefaultDir + "/NEWS.BBS", "/media/cdrom/DESC/Vrac02.bbs"};

    ui::TRepForm chooser;
    ui::TOptionForm options(values, &chooser);
    options.FillOptionForm(values);

    bool written = true;
    options.Onglet->setCurrentIndex(0);
    written = Save(options, folder + QStringLiteral("/option-page0.png")) && written;
    options.Onglet->setCurrentIndex(1);
    options.FileList->item(0)->setSelected(true);
    options.FileList->item(2)->setSelected(true);
    written = Save(options, folder + QStringLiteral("/option-page1.png")) && written;
    options.hide();
    written = Save(chooser, folder + QStringLiteral("/directory-chooser.png")) && written;

    // Right on JEUX goes into it, Backspace back up, JEUX highlighted again.
    const QList<QListWidgetItem*> games =
        chooser.DirectoryBox->findItems(QStringLiteral("JEUX"), Qt::MatchExactly);
    if (!games.isEmpty())
        chooser.DirectoryBox->setCurrentItem(games.front());
    chooser.DirectoryBox->setFocus();
    for (const int key : {Qt::Key_Right, Qt::Key_Backspace}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(chooser.DirectoryBox, &press);
    }
    written = Save(chooser, folder + QStringLiteral("/directory-chooser-keys.png")) && written;
    return written ? 0 : 1;
}
