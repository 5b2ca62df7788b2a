// The drive, directory and file lists through which the dialogs walk the file system.

#include "ui/FileViews.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "tests/common/OrdinaryUser.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"

#include <QSignalSpy>
#include <QStorageInfo>
#include <QTest>

#include <algorithm>
#include <filesystem>

using namespace fendix;
using namespace fendix::uitest;
using fendix::testing::TempDir;

class FileViewsTest : public QObject {
    Q_OBJECT

private slots:
    void fileListShowsMatchingOrdinaryFilesSortedWithoutRegardToCase();
    void fileListKeepsTheBytesOfNamesItCannotDecode();
    void directoryListShowsItsChainThenVisibleSubdirectories();
    void directoryListNamesTheRootWithASlashAndNoOtherDirectory();
    void setDirectoryWithEmptyTextOrTheShownDirectoryChangesNothing();
    void setDirectoryToAnUnreachablePathRaisesItsCodeAndStays_data();
    void setDirectoryToAnUnreachablePathRaisesItsCodeAndStays();
    void directoryListMovesOnDoubleClickAndEnterPressesOk();
    void directoryListIsWalkedFromTheKeyboard_data();
    void directoryListIsWalkedFromTheKeyboard();
    void directoryListReportsAMoveThatFailsAndStays();
    void driveListShowsTheVolumesAndStartsOnTheCurrentOne();
    void annexPathPutsTheSlashAlsoAfterTheRoot();
};

void FileViewsTest::fileListShowsMatchingOrdinaryFilesSortedWithoutRegardToCase()
{
    TempDir dir;
    WriteCollection(dir);
    platform::Places places;
    ui::FileListBox list(ui::DescriptionMask, places);
    list.ShowDirectory(dir.Path());
    QCOMPARE(Texts(&list), (QStringList{"A.BBS", "b.Asc", "c.asc", "zz.bbs"}));
    QCOMPARE(list.Directory(), dir.Path());
    QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);

    // Patterns are separated by ";", blanks around them do not count.
    ui::FileListBox others(" *.TXT ; *.BAK;", places);
    others.ShowDirectory(dir.Path() + "/");
    QCOMPARE(Texts(&others), (QStringList{"NOTE.TXT", "x.asc.bak"}));

    // Another directory replaces the lines; a directory that is not there shows nothing.
    list.item(0)->setSelected(true);
    list.ShowDirectory(dir / "Alpha");
    QCOMPARE(list.count(), 0);
    list.ShowDirectory(dir / "absent");
    QCOMPARE(list.count(), 0);
}

void FileViewsTest::fileListKeepsTheBytesOfNamesItCannotDecode()
{
    TempDir dir;
    const std::string latin1 = "caf\xE9.ASC"; // not UTF-8
    dir.Write(latin1, "x\r\n");
    dir.Write("d\xC3\xA9j\xC3\xA0.bbs", "x\r\n"); // "déjà.bbs" in UTF-8
    platform::Places places;
    ui::FileListBox list(ui::DescriptionMask, places);
    list.ShowDirectory(dir.Path());
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.FileName(0), latin1);
    QCOMPARE(list.item(1)->text(), QStringLiteral("déjà.bbs"));
    QCOMPARE(list.FileName(1), std::string("d\xC3\xA9j\xC3\xA0.bbs"));
}

void FileViewsTest::directoryListShowsItsChainThenVisibleSubdirectories()
{
    TempDir dir;
    WriteCollection(dir);
    std::filesystem::create_directory_symlink(dir / "beta", dir / "lien");
    platform::Places places;
    ui::DirectoryListBox list(places);
    list.SetDirectory(dir.Path());

    QStringList expected = Chain(dir.Path());
    const int current = static_cast<int>(expected.size()) - 1;
    expected << "Alpha"
             << "beta"
             << "DIR.ASC"
             << "lien";
    QCOMPARE(Texts(&list), expected);
    QCOMPARE(list.currentRow(), current);
    QCOMPARE(list.Directory(), dir.Path());
    QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list.PathOf(list.item(0)), std::string("/"));
    QCOMPARE(list.PathOf(list.item(current)), dir.Path());
    QCOMPARE(list.PathOf(list.item(current + 1)), dir / "Alpha");
}

void FileViewsTest::directoryListNamesTheRootWithASlashAndNoOtherDirectory()
{
    TempDir dir;
    dir.MakeDir("sub/deeper");
    platform::Places places;
    ui::DirectoryListBox list(places);

    list.SetDirectory("/");
    QCOMPARE(list.Directory(), std::string("/"));
    QCOMPARE(list.item(0)->text(), QStringLiteral("/"));
    QCOMPARE(list.currentRow(), 0);

    list.SetDirectory(dir / "sub/");
    QCOMPARE(list.Directory(), dir / "sub");
    list.SetDirectory(dir.Path() + "//sub/./deeper/..//..");
    QCOMPARE(list.Directory(), dir.Path());
    list.SetDirectory("/..");
    QCOMPARE(list.Directory(), std::string("/"));

    // A relative path is taken from the process's current directory; the list does not
    // change that directory.
    platform::SetCurrentDirectory(dir.Path());
    list.SetDirectory("sub/deeper");
    QCOMPARE(list.Directory(), dir / "sub/deeper");
    QCOMPARE(platform::CurrentDirectory(), dir.Path());
}

void FileViewsTest::setDirectoryWithEmptyTextOrTheShownDirectoryChangesNothing()
{
    TempDir dir;
    WriteCollection(dir);
    platform::Places places;
    ui::DirectoryListBox list(places);
    list.SetDirectory(dir.Path());
    const QStringList shown = Texts(&list);
    list.setCurrentRow(0);
    QSignalSpy changed(&list, &ui::DirectoryListBox::DirectoryChanged);

    list.SetDirectory("");
    list.SetDirectory(dir.Path());
    list.SetDirectory(dir.Path() + "/");
    list.SetDirectory(dir.Path() + "/Alpha/..");
    QCOMPARE(changed.count(), 0);
    QCOMPARE(Texts(&list), shown);
    QCOMPARE(list.currentRow(), 0);

    list.SetDirectory(dir / "Alpha");
    QCOMPARE(changed.count(), 1);
}

void FileViewsTest::setDirectoryToAnUnreachablePathRaisesItsCodeAndStays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("missing") << "absent" << 2;
    QTest::newRow("missing below a missing one") << "absent/sub" << 2;
    QTest::newRow("a file") << "A.BBS" << 3;
    QTest::newRow("below a file") << "A.BBS/sub" << 3;
    QTest::newRow("a link looping on itself") << "boucle" << 3;
    QTest::newRow("a name too long") << QString(300, QLatin1Char('n')) << 3;
    QTest::newRow("not readable") << "ferme" << 5;
}

void FileViewsTest::setDirectoryToAnUnreachablePathRaisesItsCodeAndStays()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    TempDir dir;
    WriteCollection(dir);
    std::filesystem::create_directory_symlink(dir / "boucle", dir / "boucle");
    dir.MakeDir("ferme");
    std::filesystem::permissions(dir / "ferme", std::filesystem::perms::none);

    platform::Places places;
    ui::DirectoryListBox list(places);
    list.SetDirectory(dir.Path());
    const QStringList shown = Texts(&list);
    QSignalSpy changed(&list, &ui::DirectoryListBox::DirectoryChanged);

    // A directory closed by its permissions closes it to an ordinary user, which the tests
    // become for it.
    const auto unreachable = [&]() -> std::string {
        const int got = CodeOf([&] { list.SetDirectory(dir / name.toStdString()); });
        if (got != code)
            return "code " + std::to_string(got);
        // The message is the one of the code.
        try {
            list.SetDirectory(dir / name.toStdString());
        } catch (const platform::EInOutError& error) {
            return error.what() == platform::InOutMessage(code) ? "" : error.what();
        }
        return "the list moved";
    };
    QCOMPARE(name == QLatin1String("ferme") ? testing::AsOrdinaryUser(dir.Path(), unreachable)
                                            : unreachable(),
             std::string());
    QCOMPARE(list.Directory(), dir.Path());
    QCOMPARE(Texts(&list), shown);
    QCOMPARE(changed.count(), 0);
}

void FileViewsTest::directoryListMovesOnDoubleClickAndEnterPressesOk()
{
    TempDir dir;
    WriteCollection(dir);
    ui::TRepForm rep;
    QVERIFY(ShowChooserOn(rep, dir.Path()));
    ui::DirectoryListBox* list = rep.DirectoryBox;
    QSignalSpy changed(list, &ui::DirectoryListBox::DirectoryChanged);

    DoubleClick(list, Line(list, "beta"));
    QCOMPARE(list->Directory(), dir / "beta");
    QCOMPARE(changed.count(), 1);

    // Enter does not move: it presses the chooser's "&Ok".
    list->setFocus();
    list->setCurrentRow(list->row(Line(list, "beta")) - 1);
    QSignalSpy finished(&rep, &QDialog::finished);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->Directory(), dir / "beta");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(rep.result(), ui::TRepForm::OkResult);
    QVERIFY(!rep.isVisible());

    // The file list of the chooser follows the directory list.
    list->SetDirectory(dir.Path());
    QCOMPARE(rep.FileList->Directory(), dir.Path());
    QCOMPARE(Texts(rep.FileList), (QStringList{"A.BBS", "b.Asc", "c.asc", "zz.bbs"}));
}

void FileViewsTest::directoryListIsWalkedFromTheKeyboard_data()
{
    QTest::addColumn<int>("into");
    QTest::addColumn<int>("back");
    QTest::newRow("Space, Backspace") << int(Qt::Key_Space) << int(Qt::Key_Backspace);
    QTest::newRow("Right, Left") << int(Qt::Key_Right) << int(Qt::Key_Left);
}

void FileViewsTest::directoryListIsWalkedFromTheKeyboard()
{
    QFETCH(int, into);
    QFETCH(int, back);
    TempDir dir;
    WriteCollection(dir);
    dir.MakeDir("beta/deeper");
    ui::TRepForm rep;
    QVERIFY(ShowChooserOn(rep, dir.Path()));
    ui::DirectoryListBox* list = rep.DirectoryBox;
    list->setFocus();
    QSignalSpy finished(&rep, &QDialog::finished);
    const auto press = [&](int key, const std::string& expected) {
        QTest::keyClick(list, static_cast<Qt::Key>(key));
        return list->Directory() == expected;
    };

    // Into the highlighted directory, the file list following; up to the parent, the
    // directory left highlighted, so that the way back is one key.
    list->setCurrentItem(Line(list, "beta"));
    QVERIFY(press(into, dir / "beta"));
    QCOMPARE(rep.FileList->Directory(), dir / "beta");
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(press(into, dir / "beta/deeper"));
    QVERIFY(press(back, dir / "beta"));
    QCOMPARE(list->PathOf(list->currentItem()), dir / "beta/deeper");
    QVERIFY(press(into, dir / "beta/deeper"));
    QVERIFY(press(back, dir / "beta") && press(back, dir.Path()));

    // Entering the directory shown, by its line, reads it afresh: both lists show what was
    // made in it since. Setting it changes nothing, as before.
    dir.MakeDir("gamma");
    dir.Write("NEW.BBS", "x\r\n");
    list->SetDirectory(dir.Path());
    QVERIFY(Line(list, "gamma") == nullptr);
    list->setCurrentRow(static_cast<int>(Chain(dir.Path()).size()) - 1);
    QVERIFY(press(into, dir.Path()));
    QVERIFY(Line(list, "gamma") != nullptr);
    QVERIFY(Texts(rep.FileList).contains("NEW.BBS"));

    // A line of the chain moves up to it; at the root, up goes nowhere. Enter was never
    // pressed: the chooser is still open.
    list->setCurrentRow(0);
    QVERIFY(press(into, "/") && press(back, "/"));
    QCOMPARE(finished.count(), 0);
}

void FileViewsTest::directoryListReportsAMoveThatFailsAndStays()
{
    TempDir dir;
    WriteCollection(dir);
    ui::TRepForm rep;
    QVERIFY(ShowChooserOn(rep, dir.Path()));
    const QStringList shown = Texts(rep.DirectoryBox);

    // The directory went away after it was listed.
    std::filesystem::remove(dir / "Alpha");
    Script script;
    script.Box();
    DoubleClick(rep.DirectoryBox, Line(rep.DirectoryBox, "Alpha"));
    QTRY_VERIFY(script.Finished());
    QCOMPARE(script.boxes.size(), std::size_t(1));
    QCOMPARE(script.boxes[0].caption, ui::ApplicationTitle);
    QCOMPARE(script.boxes[0].text, QStringLiteral("Fichier introuvable."));
    QCOMPARE(script.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(rep.DirectoryBox->Directory(), dir.Path());
    QCOMPARE(Texts(rep.DirectoryBox), shown);
}

void FileViewsTest::driveListShowsTheVolumesAndStartsOnTheCurrentOne()
{
    TempDir dir;
    const std::vector<ui::Volume> volumes = ui::MountedVolumes();
    QVERIFY(std::any_of(volumes.begin(), volumes.end(), [](const ui::Volume& v) { return v.root == "/"; }));
    QVERIFY(std::is_sorted(volumes.begin(), volumes.end(),
                           [](const ui::Volume& a, const ui::Volume& b) { return a.root < b.root; }));

    platform::SetCurrentDirectory(dir.Path());
    ui::DriveComboBox drives;
    QCOMPARE(drives.Drive(), QStorageInfo(Q(dir.Path())).rootPath().toStdString());
    QCOMPARE(drives.count(), static_cast<int>(volumes.size()));

    // The volume of a path is the one mounted deepest above it.
    drives.SetVolumes({{"/", {}, ui::Volume::Disk},
                       {dir.Path(), "CDROM", ui::Volume::Disc},
                       {dir / "c", {}, ui::Volume::Disk}});
    QCOMPARE(drives.itemText(1), Q(dir.Path()) + QStringLiteral("  [CDROM]"));
    drives.SelectVolumeOf(dir / "cd/x");
    QCOMPARE(drives.Drive(), dir.Path());
    drives.SelectVolumeOf(dir / "c/x");
    QCOMPARE(drives.Drive(), dir / "c");
    drives.SelectVolumeOf(dir.Path() + "x");
    QCOMPARE(drives.Drive(), std::string("/"));
}

void FileViewsTest::annexPathPutsTheSlashAlsoAfterTheRoot()
{
    QCOMPARE(ui::AnnexPath("/", "DESC.ASC"), std::string("//DESC.ASC"));
    QCOMPARE(ui::AnnexPath("/cd/desc", "DESC.ASC"), std::string("/cd/desc/DESC.ASC"));
}

QTEST_MAIN(FileViewsTest)
#include "FileViewsTest.moc"
