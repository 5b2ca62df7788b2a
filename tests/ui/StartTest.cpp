// The start-up: the splash, the windows created in their order with the settings loaded,
// the message loop and the ways it ends.

#include "ui/Start.h"
#include "platform/InOutError.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"
#include "ui/FileViews.h"
#include "ui/Option.h"
#include "ui/Scaling.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

using namespace fendix;
using fendix::uitest::Collection;
using fendix::uitest::CrLf;
using fendix::uitest::Type;

namespace {

bool SplashOnScreen()
{
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("StartForm") && widget->isVisible())
            return true;
    return false;
}

bool SplashExists()
{
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("StartForm"))
            return true;
    return false;
}

// Notes, for every message box, whether the splash was up while it was shown.
struct BoxWatcher : QObject {
    std::vector<uitest::ShownBox> boxes;
    std::vector<bool> splashUp;
    std::vector<bool> onTop;
    QTimer timer;

    BoxWatcher()
    {
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            boxes.push_back({box->windowTitle(), box->text(), box->icon()});
            splashUp.push_back(SplashOnScreen());
            onTop.push_back(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            box->button(QMessageBox::Ok)->click();
        });
        timer.start();
    }
};

} // namespace

class StartTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void splashIsAFramedPictureCentredAndOnTop();
    void firstStartWritesTheSettingsBeforeTheSplashGoes();
    void splashStaysForCreationTimePlusTheHold();
    void unreadableSettingsAreReportedAtStartAndNeverSaved();
    void unreachableDefaultDirectoryIsReportedAndStartUpGoesOn();
    void closingTheMainWindowSavesAndEndsTheLoop();
};

void StartTest::initTestCase()
{
    ui::SetUpApplication(*qApp);
    QCOMPARE(QApplication::applicationName(), QStringLiteral("Dorvan Fendix v1.01"));
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void StartTest::splashIsAFramedPictureCentredAndOnTop()
{
    ui::TStartForm splash;
    QCOMPARE(splash.size(), QSize(ui::Scaled(304), ui::Scaled(104)));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(splash.Image1->geometry(), ui::ScaledRect(1, 1, 300, 100));
    QCOMPARE(splash.Image1->pixmap().deviceIndependentSize().toSize(), splash.Image1->size());
    QCOMPARE(splash.Bevel1->geometry(), ui::ScaledRect(1, 1, 302, 102));
    QCOMPARE(splash.Bevel1->frameShadow(), QFrame::Raised);
    splash.ShowAndPaint();
    QVERIFY(splash.isVisible());
    QCOMPARE(splash.frameGeometry().center(), QApplication::primaryScreen()->geometry().center());
}

void StartTest::firstStartWritesTheSettingsBeforeTheSplashGoes()
{
    Collection collection;
    collection.dir.Write("ASC01.ASC", CrLf({"  \xCD\xCD\xCD DISQUE 1", "   tarot"}));
    collection.dir.Write("NEWS.BBS", CrLf({"A.ZIP   1 x"}));
    QVERIFY(!std::filesystem::exists(collection.Ini()));

    ui::ProgramWindows program = ui::StartUp({collection.Ini(), collection.ProgramDir()}, {});
    QVERIFY(std::filesystem::exists(collection.Ini()));
    QVERIFY(!SplashExists());
    // Every window exists, none is shown yet: the message loop shows the main one.
    QVERIFY(program.MainForm && program.ScanForm && program.DescForm);
    QVERIFY(!program.MainForm->isVisible());
    QVERIFY(!program.ScanForm->isVisible());
    QVERIFY(!program.DescForm->isVisible());
    QCOMPARE(program.MainForm->ListeBox->count(), 2);
    // The dialogs' directory lists start where the catalogue was built.
    const std::string listed = program.MainForm->SettingsValues().DefaultDir;
    QCOMPARE(program.OptionForm->DirectoryList->Directory(), listed);
    QCOMPARE(program.RepForm->DirectoryBox->Directory(), listed);
    const std::string ini = testing::ReadFile(collection.Ini());
    QVERIFY(ini.find("[Fichiers standards]") != std::string::npos);
    // Freeing the splash did not end anything: the windows still work.
    program.MainForm->show();
    Type(program.MainForm->TexteCritere1, QStringLiteral("a"));
    QVERIFY(program.MainForm->RechercheBtn->isEnabled());
}

void StartTest::splashStaysForCreationTimePlusTheHold()
{
    Collection collection;
    QElapsedTimer clock;
    clock.start();
    ui::ProgramWindows program =
        ui::StartUp({collection.Ini(), collection.ProgramDir()}, std::chrono::milliseconds(300));
    QVERIFY(clock.elapsed() >= 300);
    QVERIFY(!SplashExists());
    QVERIFY(ui::SplashHold > std::chrono::seconds(1));
    QVERIFY(ui::SplashHold < std::chrono::milliseconds(1200));
}

void StartTest::unreachableDefaultDirectoryIsReportedAndStartUpGoesOn()
{
    Collection collection;
    collection.dir.Write("NEWS.BBS", CrLf({"A.ZIP   1 x"}));
    const std::string gone = collection.dir / "disque-absent";
    collection.dir.Write("fendix.ini", "[WinFendix]\r\nRepertoireDefaut=" + gone + "\r\nIgnoreMAJmin=1\r\n");

    BoxWatcher watcher;
    ui::ProgramWindows program = ui::StartUp({collection.Ini(), collection.ProgramDir()}, {});
    QCOMPARE(watcher.boxes.size(), std::size_t{1});
    QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Dorvan Fendix v1.01"));
    QCOMPARE(watcher.boxes[0].text, QString::fromUtf8(platform::EInOutError(2).what()) + ".");
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::Critical);
    // The box came up while the splash was on the screen, and above it.
    QVERIFY(watcher.splashUp[0]);
    QVERIFY(watcher.onTop[0]);

    // A usable, empty main window.
    ui::TMainForm& main = *program.MainForm;
    QCOMPARE(main.ListeBox->count(), 0);
    QVERIFY(main.CatalogueModel().items.empty());
    QVERIFY(main.SettingsValues().AnnexeFiles.empty());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseMove(main.ListeBox->viewport());
    QTRY_COMPARE(main.StatusLine->text(), QStringLiteral("Liste des fichiers de descriptions de CD-ROMS"));
    Type(main.TexteCritere1, QStringLiteral("tarot"));
    QVERIFY(main.RechercheBtn->isEnabled());
    // A search reports the directory again; the window stays.
    QTest::mouseClick(main.RechercheBtn, Qt::LeftButton);
    QCOMPARE(watcher.boxes.size(), std::size_t{2});
    QVERIFY(main.isVisible());

    // Closing saves, keeping the directory the user chose.
    QSignalSpy closed(program.MainForm.get(), &ui::TMainForm::Closed);
    main.close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(testing::ReadFile(collection.Ini()).find("RepertoireDefaut=" + gone + "\r\n")
            != std::string::npos);
}

void StartTest::unreadableSettingsAreReportedAtStartAndNeverSaved()
{
    Collection collection;
    collection.dir.Write("NEWS.BBS", CrLf({"A.ZIP   1 x"}));
    const std::string ini = collection.Ini();
    // A folder bears the name, then a file too large to read.
    for (const bool folder : {true, false}) {
        std::filesystem::remove_all(ini);
        if (folder)
            std::filesystem::create_directory(ini);
        else
            std::filesystem::resize_file(collection.dir.Write("fendix.ini", ""),
                                         (std::uintmax_t{64} << 20) + 1);
        BoxWatcher watcher;
        ui::ProgramWindows program = ui::StartUp({ini, collection.ProgramDir()}, {});
        program.MainForm->SauveBtn->click();
        QCOMPARE(watcher.boxes.size(), std::size_t{2});
        QCOMPARE(watcher.boxes[0].caption, folder ? ui::ApplicationTitle : QStringLiteral("Erreur format"));
        QCOMPARE(watcher.boxes[0].text, folder ? QStringLiteral("Accès au fichier refusé.")
                                               : QString::fromStdString("Fichier: " + ini + " invalide."));
        QCOMPARE(watcher.boxes[0].icon, folder ? QMessageBox::Critical : QMessageBox::NoIcon);
        QCOMPARE(program.MainForm->ListeBox->count(), 1); // as on a first start
        QCOMPARE(watcher.boxes[1].text, QString::fromStdString("Ne peut écrire dans " + ini + "."));
    }
}

void StartTest::closingTheMainWindowSavesAndEndsTheLoop()
{
    Collection collection;
    collection.dir.Write("VRAC01.BBS", CrLf({"A.ZIP   1 x"}));
    collection.dir.Write("VRAC02.BBS", CrLf({"B.ZIP   1 x"}));
    ui::ProgramWindows program = ui::StartUp({collection.Ini(), collection.ProgramDir()}, {});
    ui::TMainForm& main = *program.MainForm;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseClick(main.ListeBox->viewport(), Qt::LeftButton, {},
                      main.ListeBox->visualItemRect(main.ListeBox->item(1)).center());

    QTimer::singleShot(0, main.QuitterBtn, &QPushButton::click);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(60000);
    const int result = QApplication::exec();
    watchdog.stop();
    QCOMPARE(result, 0);
    QVERIFY(!main.isVisible());
    const std::string ini = testing::ReadFile(collection.Ini());
    QVERIFY(ini.find("Item1=VRAC01.BBS\r\n") != std::string::npos);
    QVERIFY(ini.find("Nombre=1\r\n") != std::string::npos);
}

QTEST_MAIN(StartTest)
#include "StartTest.moc"
