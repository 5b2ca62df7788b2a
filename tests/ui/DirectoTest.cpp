// The directory chooser: its window, its buttons and keys, its drive list.

#include "ui/Directo.h"
#include "tests/common/CdImages.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/FileViews.h"
#include "ui/Scaling.h"

#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWindow>

#include <functional>

using namespace fendix;
using namespace fendix::uitest;
using fendix::testing::TempDir;

class DirectoTest : public QObject {
    Q_OBJECT

private slots:
    void chooserHasItsControlsCaptionAndPlaces();
    void chooserGrowsWithItsWindowAndNeverCutsItsControls();
    void chooserButtonsEnterAndEscape();
    void chooserDriveListMovesItsDirectoryList();
    void chooserAndAnnexPageWalkIntoAnImageAndBackOut();
};

void DirectoTest::chooserHasItsControlsCaptionAndPlaces()
{
    ui::TRepForm rep;
    QCOMPARE(rep.windowTitle(), QStringLiteral("Choisissez un répertoire"));
    QVERIFY(rep.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(rep.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(rep.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(rep.minimumSize() != rep.maximumSize());
    // The designed size is the window's outer one, its frame included.
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));
    QCOMPARE(rep.frameGeometry().size(), QSize(ui::Scaled(380), ui::Scaled(359)));
    // Shown again, the window keeps the size the user gave it.
    rep.resize(rep.size() + QSize(30, 20));
    rep.hide();
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));
    QCOMPARE(rep.frameGeometry().size(), QSize(ui::Scaled(380) + 30, ui::Scaled(359) + 20));
    rep.resize(rep.size() - QSize(30, 20));
    CheckShapes(rep, {
                         {"DirectoryBox", "RepForm", ui::ScaledRect(10, 10, 135, 301), ""},
                         {"Drive", "RepForm", ui::ScaledRect(168, 10, 191, 26), ""},
                         {"Button1", "RepForm", ui::ScaledRect(168, 218, 191, 41), "&Ok"},
                         {"Button2", "RepForm", ui::ScaledRect(168, 268, 191, 41), "&Annule"},
                         {"FileList", "RepForm", ui::ScaledRect(168, 50, 191, 151), ""},
                     });
    QVERIFY(rep.Button1->isDefault());
    QVERIFY(!rep.Button2->isDefault());
    QCOMPARE(rep.FileList->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(rep.FileList->Mask(), std::string("*.asc;*.bbs"));
}

void DirectoTest::chooserGrowsWithItsWindowAndNeverCutsItsControls()
{
    ui::TRepForm rep;
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));
    rep.resize(rep.width() + 100, rep.height() + 60);
    QCOMPARE(rep.DirectoryBox->geometry(), ui::ScaledRect(10, 10, 135, 301).adjusted(0, 0, 100, 60));
    QCOMPARE(rep.Button2->geometry(), ui::ScaledRect(168, 268, 191, 41).translated(100, 60));
    QCOMPARE(rep.Drive->geometry(), ui::ScaledRect(168, 10, 191, 26).translated(100, 0));
    QCOMPARE(rep.FileList->geometry(),
             ui::ScaledRect(168, 50, 191, 151).translated(100, 0).adjusted(0, 0, 0, 60));

    rep.resize(10, 10);
    for (QWidget* control : {static_cast<QWidget*>(rep.DirectoryBox), static_cast<QWidget*>(rep.Drive),
                             static_cast<QWidget*>(rep.Button1), static_cast<QWidget*>(rep.Button2),
                             static_cast<QWidget*>(rep.FileList)})
        QVERIFY2(rep.rect().contains(control->geometry()), qPrintable(control->objectName()));
}

void DirectoTest::chooserButtonsEnterAndEscape()
{
    TempDir dir;
    WriteCollection(dir);
    ui::TRepForm rep;
    rep.DirectoryBox->SetDirectory(dir.Path());

    struct Way {
        const char* name;
        std::function<void()> act;
        int result;
    };
    bool shownAfterEscape = false;
    const Way ways[] = {
        {"&Ok", [&] { rep.Button1->click(); }, 1},
        {"&Annule", [&] { rep.Button2->click(); }, 2},
        {"close box", [&] { rep.windowHandle()->close(); }, 2},
        {"Escape does nothing, Enter presses &Ok",
         [&] {
             rep.FileList->setFocus();
             KeyTo(Qt::Key_Escape);
             shownAfterEscape = rep.isVisible();
             KeyTo(Qt::Key_Return);
         },
         1},
        {"Enter presses the focused button",
         [&] {
             rep.Button2->setFocus();
             KeyTo(Qt::Key_Return);
         },
         2},
        {"Enter in the directory list presses &Ok",
         [&] {
             rep.DirectoryBox->setFocus();
             rep.DirectoryBox->setCurrentRow(0);
             KeyTo(Qt::Key_Return);
         },
         1},
    };
    for (const Way& way : ways) {
        Script script;
        script.When(&rep, way.act);
        const int result = rep.exec();
        QVERIFY2(script.Finished(), way.name);
        QCOMPARE(result, way.result);
        QCOMPARE(rep.DirectoryBox->Directory(), dir.Path());
    }
    QVERIFY(shownAfterEscape);
}

void DirectoTest::chooserDriveListMovesItsDirectoryList()
{
    TempDir dir;
    dir.Write("vol/DISQUE.BBS", "x\r\n");
    ui::TRepForm rep;
    rep.DirectoryBox->SetDirectory(dir.Path());
    rep.Drive->SetVolumes({{"/", {}, ui::Volume::Disk}, {dir / "vol", {}, ui::Volume::Disk}});
    rep.Drive->SelectVolumeOf(dir.Path());
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));

    QTest::keyClick(rep.Drive, Qt::Key_Down);
    QCOMPARE(rep.DirectoryBox->Directory(), dir / "vol");
    QCOMPARE(Texts(rep.FileList), QStringList{"DISQUE.BBS"});
    QTest::keyClick(rep.Drive, Qt::Key_Up);
    QCOMPARE(rep.DirectoryBox->Directory(), std::string("/"));
}

void DirectoTest::chooserAndAnnexPageWalkIntoAnImageAndBackOut()
{
    TempDir dir;
    dir.Write("src/FILES.BBS", "x\r\n");
    dir.Write("src/FICHIERS/news.bbs", "x\r\n");
    dir.Write("src/FICHIERS/NOTES.TXT", "x\r\n");
    testing::MakeIso(dir / "src", dir / "shelf/CLUB.ISO", testing::IsoNames::Both);
    dir.Write("shelf/NOTE.ISO", "not an image");
    dir.MakeDir("shelf/Sub");
    ui::TRepForm rep;
    QVERIFY(ShowChooserOn(rep, dir / "shelf"));
    ui::DirectoryListBox* list = rep.DirectoryBox;

    // The image stands beside the folders with a disc; a file that only bears the name does not.
    QCOMPARE(Texts(list).mid(Texts(list).indexOf("shelf") + 1), (QStringList{"CLUB.ISO", "Sub"}));
    const auto iconOf = [](const QListWidgetItem* line) { return line->icon().pixmap(16).toImage(); };
    const QImage disc = rep.style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(16).toImage();
    QCOMPARE(iconOf(Line(list, "CLUB.ISO")), disc);
    QVERIFY(iconOf(Line(list, "Sub")) != disc);

    // Enter on its line opens it, as a double-click does, and leaves the chooser open.
    QSignalSpy finished(&rep, &QDialog::finished);
    list->setFocus();
    list->setCurrentItem(Line(list, "CLUB.ISO"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->Directory(), dir / "shelf/CLUB.ISO");
    QCOMPARE(finished.count(), 0);
    QCOMPARE(Texts(list).mid(Texts(list).indexOf("CLUB.ISO") + 1), QStringList{"FICHIERS"});
    QCOMPARE(iconOf(Line(list, "CLUB.ISO")), disc);
    QCOMPARE(Texts(rep.FileList), QStringList{"FILES.BBS"});
    DoubleClick(list, Line(list, "FICHIERS"));
    QCOMPARE(Texts(rep.FileList), QStringList{"news.bbs"});
    // Up out of the image, to the folder that holds it.
    list->SetDirectory(list->Directory() + "/../..");
    QCOMPARE(list->Directory(), dir / "shelf");
    QCOMPARE(rep.FileList->count(), 0);

    // The annex page picks files inside the image by their whole path.
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    form.DirectoryList->SetDirectory(dir / "shelf/CLUB.ISO/fichiers");
    QCOMPARE(Texts(form.FileList), QStringList{"news.bbs"});
    form.FileList->item(0)->setSelected(true);
    form.AddAnnexes();
    QCOMPARE(Annexes(form), std::vector<std::string>{dir / "shelf/CLUB.ISO/fichiers/news.bbs"});
}

QTEST_MAIN(DirectoTest)
#include "DirectoTest.moc"
