// The options dialog and the directory chooser driven as a user drives them, and the drive,
// directory and file lists they are made of.

#include "ui/Option.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/Settings.h"
#include "tests/common/CdImages.h"
#include "tests/common/OrdinaryUser.h"
#include "tests/common/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"
#include "ui/FileViews.h"
#include "ui/Scaling.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <deque>
#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace fendix;
using fendix::testing::TempDir;

namespace {

constexpr int StepTimeoutMs = 10000;

struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Plays the user through modal windows. Each step runs once its window is the active modal
// window (any message box, for a box step), in the order given. A step that does not come
// within a few seconds is noted as missed, and from then on every modal window is closed as
// it comes, so that no test is left waiting.
class Script : public QObject {
public:
    Script()
    {
        since_.start();
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &Script::Tick);
        timer_.start();
    }

    Script& When(QWidget* window, std::function<void()> action)
    {
        steps_.push_back({window, false, std::move(action)});
        return *this;
    }

    // Notes the message box that comes next and answers it with OK.
    Script& Box()
    {
        steps_.push_back({nullptr, true, nullptr});
        return *this;
    }

    // True when every step ran.
    bool Finished() const { return steps_.empty() && !busy_ && missed.isEmpty(); }

    std::vector<ShownBox> boxes;
    QStringList missed;

private:
    struct Step {
        QWidget* window;
        bool box;
        std::function<void()> action;
    };

    static void Close(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(2);
        else
            modal->close();
    }

    void Tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (givenUp_) {
            if (modal != nullptr)
                Close(modal);
            return;
        }
        if (steps_.empty() || busy_)
            return;
        Step& step = steps_.front();
        auto* box = qobject_cast<QMessageBox*>(modal);
        const bool ready =
            modal != nullptr && modal->isVisible() && (step.box ? box != nullptr : modal == step.window);
        if (ready) {
            since_.restart();
            if (step.box) {
                boxes.push_back({box->windowTitle(), box->text(), box->icon()});
                steps_.pop_front();
                box->button(QMessageBox::Ok)->click();
                return;
            }
            // The action runs from its own timer: when it opens a modal window in turn, this
            // timer goes on ticking inside that window's loop.
            std::function<void()> action = std::move(step.action);
            steps_.pop_front();
            busy_ = true;
            QTimer::singleShot(0, this, [this, action] {
                busy_ = false;
                action();
            });
            return;
        }
        if (since_.elapsed() > StepTimeoutMs) {
            missed << QStringLiteral("step %1 never came (modal window: %2)")
                          .arg(steps_.size())
                          .arg(modal != nullptr
                                   ? modal->objectName() + QLatin1Char(' ') + modal->windowTitle()
                                   : QStringLiteral("none"));
            steps_.clear();
            givenUp_ = true;
        }
    }

    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer since_;
    bool busy_ = false;
    bool givenUp_ = false;
};

// A program directory whose settings make the current directory the default one, so that
// the windows created over it start where the test stands.
const uitest::Collection& StandingIn(const uitest::Collection& home)
{
    std::string here = home.dir.Path();
    try {
        here = platform::CurrentDirectory();
    } catch (const std::exception&) {
        // The current directory has gone: the windows start in the program's directory.
    }
    home.dir.Write("fendix.ini", "[WinFendix]\r\nRepertoireDefaut=" + here
                                     + "\r\nIgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n");
    return home;
}

// The program's windows, created in the program's order: the options dialog and the
// directory chooser over the main window's settings.
struct Dialogs {
    uitest::Collection home;
    uitest::Windows windows{StandingIn(home)};
    settings::Settings& settings = windows.main->SettingsValues();
    ui::TRepForm& rep = *windows.rep;
    ui::TOptionForm& options = *windows.option;

    // The main window's "&Option", as the user presses it. Returns true when the catalogue
    // was built again, the default directory having changed.
    bool OpenOptions()
    {
        QSignalSpy rebuilt(windows.main->ListeBox->model(), &QAbstractItemModel::modelReset);
        windows.main->OptBtn->click();
        return rebuilt.count() > 0;
    }

    // Shows the options dialog without a modal loop, active, on a page.
    bool ShowOptions(int page)
    {
        options.Onglet->setCurrentIndex(page);
        options.show();
        options.activateWindow();
        return QTest::qWaitForWindowActive(&options);
    }
};

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

std::vector<std::string> Annexes(const ui::TOptionForm& form)
{
    std::vector<std::string> lines;
    for (int row = 0; row < form.ListBox->count(); ++row)
        lines.push_back(ui::TOptionForm::AnnexOf(form.ListBox->item(row)));
    return lines;
}

QListWidgetItem* Line(const QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

QPoint Centre(const QListWidget* list, const QListWidgetItem* item)
{
    return list->visualItemRect(item).center();
}

void Click(QListWidget* list, const QListWidgetItem* item, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, Centre(list, item));
}

// A plain double-click, as the window system delivers it: a click, then the double-click.
void DoubleClick(QListWidget* list, const QListWidgetItem* item)
{
    const QPoint where = Centre(list, item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
}

void KeyTo(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = QApplication::activeModalWidget();
    QTest::keyClick(target, key, modifiers);
}

QString Q(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

// The parts of a full path, from the root down: "/", then each name.
QStringList Chain(const std::string& path)
{
    QStringList chain{QStringLiteral("/")};
    for (const QString& part : Q(path).split(QLatin1Char('/'), Qt::SkipEmptyParts))
        chain << part;
    return chain;
}

// A folder with description files in all cases, other files, hidden entries and
// subdirectories, one of them with a description-file name.
void WriteCollection(const TempDir& dir)
{
    for (const char* name :
         {"b.Asc", "A.BBS", "c.asc", "zz.bbs", "NOTE.TXT", "x.asc.bak", ".cache.asc", "VRAC.BBSX"})
        dir.Write(name, "TAROT.ZIP 12345 Jeu de tarot\r\n");
    for (const char* name : {"beta", "Alpha", ".git", "DIR.ASC"})
        dir.MakeDir(name);
}

int CodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const platform::EInOutError& error) {
        return error.Code();
    }
    return 0;
}

struct Shape {
    const char* name;
    const char* parent;
    QRect place;
    const char* caption;
};

void CheckShapes(QWidget& form, std::initializer_list<Shape> shapes)
{
    for (const Shape& shape : shapes) {
        auto* control = form.findChild<QWidget*>(QString::fromLatin1(shape.name));
        QVERIFY2(control != nullptr, shape.name);
        QCOMPARE(control->parentWidget()->objectName(), QString::fromLatin1(shape.parent));
        QCOMPARE(control->geometry(), shape.place);
        QString caption;
        if (auto* box = qobject_cast<QGroupBox*>(control))
            caption = box->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            caption = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            caption = edit->text();
        QCOMPARE(caption, QString::fromUtf8(shape.caption));
    }
}

} // namespace

class OptionTest : public QObject {
    Q_OBJECT

private slots:
    // The lists.
    void fileListShowsMatchingOrdinaryFilesSortedWithoutRegardToCase();
    void fileListKeepsTheBytesOfNamesItCannotDecode();
    void directoryListShowsItsChainThenVisibleSubdirectories();
    void directoryListNamesTheRootWithASlashAndNoOtherDirectory();
    void setDirectoryWithEmptyTextOrTheShownDirectoryChangesNothing();
    void setDirectoryToAnUnreachablePathRaisesItsCodeAndStays_data();
    void setDirectoryToAnUnreachablePathRaisesItsCodeAndStays();
    void directoryListMovesOnDoubleClickAndEnterPressesOk();
    void directoryListReportsAMoveThatFailsAndStays();
    void driveListShowsTheVolumesAndStartsOnTheCurrentOne();
    void annexPathPutsTheSlashAlsoAfterTheRoot();

    // The options dialog.
    void optionFormHasItsControlsCaptionsAndPlaces();
    void optionFormHasNoCloseBoxAndAFixedSize();
    void tabOrderFollowsTheDesignOnEachPage();
    void bothDialogsStartOnTheCurrentDirectoryAndStayWhereLeft();
    void alwaysOpensOnPageOption();
    void fillPutsTheStoredValuesIntoTheSwitchesAndTheField();
    void cancelButtonsApplyNothing_data();
    void cancelButtonsApplyNothing();
    void eitherOkAppliesBothPages_data();
    void eitherOkAppliesBothPages();
    void catalogueIsRebuiltOnlyWhenTheDirectoryTextChanged();
    void directoryFieldKeepsLetterCaseAndUndecodableBytes();
    void escapeDoesNothingAndEnterPressesTheDefaultOfThePageInFront();
    void acceleratorsPressTheControlsOfThePageInFront();

    void ajouterAddsSelectedFilesInListOrderAndNotTwice();
    void doubleClickInFileListAddsTheClickedFileAlone();
    void supprimerRemovesEverySelectedLine();
    void doubleClickInListBoxRemovesThatLine();
    void repeatedLinesGoAndTheFirstOfEachStays();
    void longAnnexPathsAreShortenedInTheirMiddle();
    void emptiedAnnexListIsNoLongerRefilled();
    void driveBoxMovesTheDirectoryListAndAFailedChangeIsUndone();

    // "&Parcourir" and the directory chooser.
    void parcourirWithEmptyFieldOpensWhereTheChooserWasLeft();
    void parcourirWithUnreachablePathReportsAndShowsNoChooser_data();
    void parcourirWithUnreachablePathReportsAndShowsNoChooser();
    void parcourirCancelledKeepsTheField_data();
    void parcourirCancelledKeepsTheField();
    void parcourirOkGivesTheChosenDirectoryWithItsLetterCase();
    void chooserHasItsControlsCaptionAndPlaces();
    void chooserGrowsWithItsWindowAndNeverCutsItsControls();
    void chooserButtonsEnterAndEscape();
    void chooserDriveListMovesItsDirectoryList();
    void chooserAndAnnexPageWalkIntoAnImageAndBackOut();
};

// The lists.

void OptionTest::fileListShowsMatchingOrdinaryFilesSortedWithoutRegardToCase()
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

void OptionTest::fileListKeepsTheBytesOfNamesItCannotDecode()
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

void OptionTest::directoryListShowsItsChainThenVisibleSubdirectories()
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

void OptionTest::directoryListNamesTheRootWithASlashAndNoOtherDirectory()
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

void OptionTest::setDirectoryWithEmptyTextOrTheShownDirectoryChangesNothing()
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

void OptionTest::setDirectoryToAnUnreachablePathRaisesItsCodeAndStays_data()
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

void OptionTest::setDirectoryToAnUnreachablePathRaisesItsCodeAndStays()
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

void OptionTest::directoryListMovesOnDoubleClickAndEnterPressesOk()
{
    TempDir dir;
    WriteCollection(dir);
    ui::TRepForm rep;
    rep.DirectoryBox->SetDirectory(dir.Path());
    rep.show();
    rep.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rep));
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

void OptionTest::directoryListReportsAMoveThatFailsAndStays()
{
    TempDir dir;
    WriteCollection(dir);
    ui::TRepForm rep;
    rep.DirectoryBox->SetDirectory(dir.Path());
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));
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

void OptionTest::driveListShowsTheVolumesAndStartsOnTheCurrentOne()
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

void OptionTest::annexPathPutsTheSlashAlsoAfterTheRoot()
{
    QCOMPARE(ui::AnnexPath("/", "DESC.ASC"), std::string("//DESC.ASC"));
    QCOMPARE(ui::AnnexPath("/cd/desc", "DESC.ASC"), std::string("/cd/desc/DESC.ASC"));
}

// The options dialog.

void OptionTest::optionFormHasItsControlsCaptionsAndPlaces()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    QCOMPARE(form.windowTitle(), QStringLiteral("Option de WinFendix v1.0"));
    QCOMPARE(form.Onglet->geometry(), QRect(0, 0, ui::Scaled(524), ui::Scaled(336)));
    QCOMPARE(form.Onglet->count(), 2);
    QCOMPARE(form.Onglet->tabText(0), QStringLiteral("Option"));
    QCOMPARE(form.Onglet->tabText(1), QStringLiteral("Fichiers annexes"));
    const QString page0 = form.Onglet->widget(0)->objectName();
    const QString page1 = form.Onglet->widget(1)->objectName();
    QVERIFY(!page0.isEmpty() && !page1.isEmpty());

    const std::string p0 = page0.toStdString();
    const std::string p1 = page1.toStdString();
    CheckShapes(
        form,
        {
            {"GroupBox1", p0.c_str(), ui::ScaledRect(10, 10, 501, 141), "Configuration "},
            {"TotalCheck", "GroupBox1", ui::ScaledRect(10, 28, 411, 21),
             "&Charger configuration au démarage"},
            {"Bevel1", "GroupBox1", ui::ScaledRect(10, 56, 481, 9), ""},
            {"DifCheck", "GroupBox1", ui::ScaledRect(10, 74, 391, 21), "&Ignorer différence MAJ/min"},
            {"AnnexeCheck", "GroupBox1", ui::ScaledRect(10, 107, 371, 21), "&Traiter les annexes d'abord"},
            {"GroupBox3", p0.c_str(), ui::ScaledRect(10, 160, 501, 81), "Répertoire par défaut "},
            {"RepEdit", "GroupBox3", ui::ScaledRect(10, 30, 291, 28), ""},
            {"ParcoursBtn", "GroupBox3", ui::ScaledRect(310, 30, 181, 31), "&Parcourir"},
            {"Ok2Btn", p0.c_str(), ui::ScaledRect(10, 250, 239, 41), "&Ok"},
            {"AnnuleBtn", p0.c_str(), ui::ScaledRect(264, 250, 247, 41), "&Annuler"},
            {"FileList", p1.c_str(), ui::ScaledRect(10, 10, 151, 151), ""},
            {"DirectoryList", p1.c_str(), ui::ScaledRect(170, 10, 151, 151), ""},
            {"DriveBox", p1.c_str(), ui::ScaledRect(340, 10, 161, 26), ""},
            {"AjouteBtn", p1.c_str(), ui::ScaledRect(340, 50, 69, 31), "&Ajouter"},
            {"SupBtn", p1.c_str(), ui::ScaledRect(416, 50, 89, 31), "&Supprimer"},
            {"OkBtn", p1.c_str(), ui::ScaledRect(340, 90, 165, 31), "&Ok"},
            {"ListBox", p1.c_str(), ui::ScaledRect(10, 170, 495, 121), ""},
            {"Annule2Btn", p1.c_str(), ui::ScaledRect(340, 128, 165, 33), "Annuler"},
        });
    QCOMPARE(form.Bevel1->frameShape(), QFrame::HLine);
    QCOMPARE(form.FileList->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(form.ListBox->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(form.FileList->Mask(), std::string("*.asc;*.bbs"));
    QVERIFY(form.font().bold());
    // Every caption can be read whole on its button.
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        QVERIFY2(button->fontMetrics().horizontalAdvance(caption) < button->width(), qPrintable(caption));
    }
    // The default button is the "&Ok" of the page in front.
    QVERIFY(form.Ok2Btn->isDefault());
    form.Onglet->setCurrentIndex(1);
    QVERIFY(form.OkBtn->isDefault());
    QVERIFY(!form.Ok2Btn->isDefault());
}

void OptionTest::optionFormHasNoCloseBoxAndAFixedSize()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowSystemMenuHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(form.minimumSize(), QSize(ui::Scaled(524), ui::Scaled(336)));
    QCOMPARE(form.maximumSize(), form.minimumSize());

    // Closing it otherwise than through its buttons is refused.
    bool stillShown = false;
    Script script;
    script.When(&form, [&] {
        form.close();
        form.windowHandle()->close();
        stillShown = form.isVisible();
        form.AnnuleBtn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QVERIFY(stillShown);
    QCOMPARE(form.result(), 2);
}

void OptionTest::tabOrderFollowsTheDesignOnEachPage()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    QVERIFY(dialogs.ShowOptions(0));
    // Each opening starts at the first control of the page in front.
    QCOMPARE(QApplication::focusWidget(), form.TotalCheck);
    const std::vector<QWidget*> page0{form.TotalCheck,  form.DifCheck, form.AnnexeCheck, form.RepEdit,
                                      form.ParcoursBtn, form.Ok2Btn,   form.AnnuleBtn};
    for (std::size_t i = 1; i < page0.size(); ++i) {
        KeyTo(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), page0[i]->objectName());
    }

    form.Onglet->setCurrentIndex(1);
    form.FileList->setFocus();
    const std::vector<QWidget*> page1{form.FileList, form.DirectoryList, form.DriveBox, form.AjouteBtn,
                                      form.SupBtn,   form.OkBtn,         form.ListBox,  form.Annule2Btn};
    for (std::size_t i = 1; i < page1.size(); ++i) {
        KeyTo(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), page1[i]->objectName());
    }
}

void OptionTest::bothDialogsStartOnTheCurrentDirectoryAndStayWhereLeft()
{
    TempDir dir;
    WriteCollection(dir);
    TempDir other;
    platform::SetCurrentDirectory(dir.Path());
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    QCOMPARE(form.DirectoryList->Directory(), dir.Path());
    QCOMPARE(form.FileList->Directory(), dir.Path());
    QCOMPARE(Texts(form.FileList), (QStringList{"A.BBS", "b.Asc", "c.asc", "zz.bbs"}));
    QCOMPARE(form.DriveBox->Drive(), QStorageInfo(Q(dir.Path())).rootPath().toStdString());
    QCOMPARE(dialogs.rep.DirectoryBox->Directory(), dir.Path());
    QCOMPARE(dialogs.rep.FileList->Directory(), dir.Path());
    QCOMPARE(dialogs.rep.FileList->count(), 4);

    // The user moves the annex page's lists; the current directory changes (a new
    // catalogue); the next opening shows the lists where the user left them.
    form.DirectoryList->SetDirectory(dir / "Alpha");
    platform::SetCurrentDirectory(other.Path());
    Script script;
    script.When(&form, [&] { form.Annule2Btn->click(); });
    dialogs.settings.DefaultDir = other.Path();
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.DirectoryList->Directory(), dir / "Alpha");
    QCOMPARE(form.FileList->Directory(), dir / "Alpha");
    QCOMPARE(dialogs.rep.DirectoryBox->Directory(), dir.Path());
}

void OptionTest::alwaysOpensOnPageOption()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    int pageAtFirstOpening = -1;
    int pageAtSecondOpening = -1;
    QWidget* focusAtSecondOpening = nullptr;
    Script script;
    script.When(&form, [&] {
        pageAtFirstOpening = form.Onglet->currentIndex();
        form.Onglet->setCurrentIndex(1);
        form.ListBox->setFocus();
        form.Annule2Btn->click();
    });
    dialogs.OpenOptions();
    script.When(&form, [&] {
        pageAtSecondOpening = form.Onglet->currentIndex();
        focusAtSecondOpening = QApplication::focusWidget();
        form.Onglet->setCurrentIndex(1);
        form.OkBtn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(pageAtFirstOpening, 0);
    QCOMPARE(pageAtSecondOpening, 0);
    // The opening starts at the first control of page "Option", and "&Ok" is its default.
    QCOMPARE(focusAtSecondOpening, form.TotalCheck);
}

void OptionTest::fillPutsTheStoredValuesIntoTheSwitchesAndTheField()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    for (const bool on : {false, true}) {
        settings::Settings values;
        values.DefaultDir = on ? "/cd/Desc" : "";
        values.IgnoreCase = on;
        values.LoadAtStart = !on;
        values.AnnexeFirst = on;
        form.FillOptionForm(values);
        QCOMPARE(form.RepEdit->text(), Q(values.DefaultDir));
        QCOMPARE(form.DifCheck->isChecked(), on);
        QCOMPARE(form.TotalCheck->isChecked(), !on);
        QCOMPARE(form.AnnexeCheck->isChecked(), on);
    }
}

void OptionTest::cancelButtonsApplyNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("&Annuler") << "AnnuleBtn";
    QTest::newRow("Annuler") << "Annule2Btn";
}

void OptionTest::cancelButtonsApplyNothing()
{
    QFETCH(QString, button);
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.DefaultDir = dir.Path();
    dialogs.settings.IgnoreCase = true;
    dialogs.settings.AnnexeFiles = {dir / "A.BBS", dir / "c.asc"};
    const settings::Settings stored = dialogs.settings;
    form.DirectoryList->SetDirectory(dir.Path());

    Script script;
    script.When(&form, [&] {
        form.TotalCheck->click();
        form.DifCheck->click();
        form.AnnexeCheck->click();
        form.RepEdit->setFocus();
        QTest::keyClicks(form.RepEdit, "/Alpha");
        form.Onglet->setCurrentIndex(1);
        form.ListBox->item(0)->setSelected(true);
        form.SupBtn->click();
        form.FileList->item(3)->setSelected(true);
        form.AjouteBtn->click();
        form.findChild<QPushButton*>(button)->click();
    });
    const bool rebuilt = dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.result(), 2);
    QVERIFY(!rebuilt);
    QCOMPARE(dialogs.settings.DefaultDir, stored.DefaultDir);
    QCOMPARE(dialogs.settings.IgnoreCase, stored.IgnoreCase);
    QCOMPARE(dialogs.settings.LoadAtStart, stored.LoadAtStart);
    QCOMPARE(dialogs.settings.AnnexeFirst, stored.AnnexeFirst);
    QVERIFY(dialogs.settings.AnnexeFiles == stored.AnnexeFiles);

    // The next opening shows the stored values again.
    script.When(&form, [&] { form.AnnuleBtn->click(); });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.RepEdit->text(), Q(dir.Path()));
    QVERIFY(form.DifCheck->isChecked());
    QVERIFY(!form.TotalCheck->isChecked());
    QVERIFY(!form.AnnexeCheck->isChecked());
    QVERIFY(Annexes(form) == stored.AnnexeFiles);
}

void OptionTest::eitherOkAppliesBothPages_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("page");
    QTest::newRow("&Ok of page Option") << "Ok2Btn" << 0;
    QTest::newRow("&Ok of page Fichiers annexes") << "OkBtn" << 1;
}

void OptionTest::eitherOkAppliesBothPages()
{
    QFETCH(QString, button);
    QFETCH(int, page);
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.DefaultDir = dir.Path();
    dialogs.settings.AnnexeFiles = {dir / "c.asc"};
    form.DirectoryList->SetDirectory(dir.Path());

    Script script;
    script.When(&form, [&] {
        form.TotalCheck->click();
        form.DifCheck->click();
        form.AnnexeCheck->click();
        form.FileList->item(0)->setSelected(true);
        form.AjouteBtn->click();
        form.Onglet->setCurrentIndex(page);
        form.findChild<QPushButton*>(button)->click();
    });
    const bool rebuilt = dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.result(), 1);
    QVERIFY(dialogs.settings.LoadAtStart);
    QVERIFY(dialogs.settings.IgnoreCase);
    QVERIFY(dialogs.settings.AnnexeFirst);
    QVERIFY(dialogs.settings.AnnexeFiles == (std::vector<std::string>{dir / "c.asc", dir / "A.BBS"}));
    // The directory did not change: no new catalogue.
    QCOMPARE(dialogs.settings.DefaultDir, dir.Path());
    QVERIFY(!rebuilt);
}

void OptionTest::catalogueIsRebuiltOnlyWhenTheDirectoryTextChanged()
{
    // Two directories whose names differ in letter case only.
    TempDir dir;
    dir.Write("cd/desc/ASC01.ASC", "x\r\n");
    dir.Write("cd/DESC/VRAC01.BBS", "x\r\n");
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.DefaultDir = dir / "cd/desc";

    // Another text, even in letter case only: the catalogue of the other directory.
    Script script;
    script.When(&form, [&] {
        form.RepEdit->selectAll();
        QTest::keyClicks(form.RepEdit, Q(dir / "cd/DESC"));
        form.Ok2Btn->click();
    });
    QVERIFY(dialogs.OpenOptions());
    QVERIFY(script.Finished());
    QCOMPARE(dialogs.settings.DefaultDir, dir / "cd/DESC");
    QCOMPARE(Texts(dialogs.windows.main->ListeBox), QStringList{"VRAC01.BBS"});

    // The same text, typed again: nothing to rebuild.
    script.When(&form, [&] {
        form.RepEdit->clear();
        QTest::keyClicks(form.RepEdit, Q(dir / "cd/DESC"));
        form.Ok2Btn->click();
    });
    QVERIFY(!dialogs.OpenOptions());
    QVERIFY(script.Finished());

    // An empty field is stored as it is (whatever the catalogue then makes of it).
    uitest::BoxAnswerer answerer(StepTimeoutMs);
    script.When(&form, [&] {
        form.RepEdit->clear();
        form.OkBtn->click();
    });
    QVERIFY(dialogs.OpenOptions());
    QVERIFY(script.Finished());
    QCOMPARE(dialogs.settings.DefaultDir, std::string());
}

void OptionTest::directoryFieldKeepsLetterCaseAndUndecodableBytes()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;

    // Typed in small letters, shown and stored in small letters.
    TempDir dir;
    dir.MakeDir("CD");
    dir.MakeDir("cd/desc");
    dialogs.settings.DefaultDir = dir / "CD";
    Script script;
    script.When(&form, [&] {
        form.RepEdit->clear();
        form.RepEdit->setFocus();
        QTest::keyClicks(form.RepEdit, Q(dir / "cd/desc"));
        form.Ok2Btn->click();
    });
    QVERIFY(dialogs.OpenOptions());
    QVERIFY(script.Finished());
    QCOMPARE(form.RepEdit->text(), Q(dir / "cd/desc"));
    QCOMPARE(dialogs.settings.DefaultDir, dir / "cd/desc");

    // Left alone, a directory in small letters is given back unchanged: no new catalogue.
    script.When(&form, [&] { form.Ok2Btn->click(); });
    QVERIFY(!dialogs.OpenOptions());
    QVERIFY(script.Finished());
    QCOMPARE(dialogs.settings.DefaultDir, dir / "cd/desc");

    // So is a directory whose name is not in the encoding of file names, and the annex paths.
    const std::string latin1 = "/cd/caf\xE9";
    dialogs.settings.DefaultDir = latin1;
    dialogs.settings.AnnexeFiles = {latin1 + "/D\xC9J\xC0.ASC"};
    script.When(&form, [&] { form.OkBtn->click(); });
    QVERIFY(!dialogs.OpenOptions());
    QVERIFY(script.Finished());
    QCOMPARE(dialogs.settings.DefaultDir, latin1);
    QVERIFY(dialogs.settings.AnnexeFiles == std::vector<std::string>{latin1 + "/D\xC9J\xC0.ASC"});
}

void OptionTest::escapeDoesNothingAndEnterPressesTheDefaultOfThePageInFront()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    bool shownAfterEscape = false;

    // Page "Option": Escape, then Enter in a check box presses its "&Ok".
    Script script;
    script.When(&form, [&] {
        form.TotalCheck->setFocus();
        KeyTo(Qt::Key_Escape);
        shownAfterEscape = form.isVisible();
        form.TotalCheck->click();
        KeyTo(Qt::Key_Return);
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QVERIFY(shownAfterEscape);
    QCOMPARE(form.result(), 1);
    QVERIFY(dialogs.settings.LoadAtStart);

    // Page "Fichiers annexes": Enter in the file list presses its "&Ok".
    script.When(&form, [&] {
        form.Onglet->setCurrentIndex(1);
        form.FileList->setFocus();
        form.AnnexeCheck->setChecked(true);
        KeyTo(Qt::Key_Enter, Qt::KeypadModifier);
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.result(), 1);
    QVERIFY(dialogs.settings.AnnexeFirst);

    // So does Enter in each other list of the page, which stays as it was.
    for (QWidget* list : std::initializer_list<QWidget*>{form.DirectoryList, form.ListBox, form.DriveBox}) {
        std::string listedBefore;
        std::string listedAfter;
        script.When(&form, [&] {
            form.Onglet->setCurrentIndex(1);
            list->setFocus();
            form.DirectoryList->setCurrentRow(0);
            listedBefore = form.DirectoryList->Directory();
            form.TotalCheck->setChecked(!dialogs.settings.LoadAtStart);
            KeyTo(Qt::Key_Return);
            listedAfter = form.DirectoryList->Directory();
        });
        const bool loadAtStart = dialogs.settings.LoadAtStart;
        dialogs.OpenOptions();
        QVERIFY(script.Finished());
        QCOMPARE(form.result(), 1);
        QCOMPARE(dialogs.settings.LoadAtStart, !loadAtStart);
        QCOMPARE(listedAfter, listedBefore);
    }

    // Enter presses the button that has the focus.
    script.When(&form, [&] {
        form.DifCheck->setChecked(true);
        form.AnnuleBtn->setFocus();
        KeyTo(Qt::Key_Return);
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(form.result(), 2);
    QVERIFY(!dialogs.settings.IgnoreCase);
}

void OptionTest::acceleratorsPressTheControlsOfThePageInFront()
{
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    form.DirectoryList->SetDirectory(dir.Path());

    bool totalAfterAltC = false;
    int linesAfterAltA = -1;
    Script script;
    script.When(&form, [&] {
        // A button pressed by its letter is clicked a moment later, as a click would show.
        KeyTo(Qt::Key_C, Qt::AltModifier);
        totalAfterAltC = QTest::qWaitFor([&] { return form.TotalCheck->isChecked(); }, 2000);
        form.Onglet->setCurrentIndex(1);
        form.FileList->setFocus();
        form.FileList->item(1)->setSelected(true);
        KeyTo(Qt::Key_A, Qt::AltModifier); // "&Ajouter" on this page
        linesAfterAltA =
            QTest::qWaitFor([&] { return form.ListBox->count() > 0; }, 2000) ? form.ListBox->count() : 0;
        form.Onglet->setCurrentIndex(0);
        KeyTo(Qt::Key_A, Qt::AltModifier); // "&Annuler" on this one
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QVERIFY(totalAfterAltC);
    QCOMPARE(linesAfterAltA, 1);
    QCOMPARE(form.result(), 2);
    QVERIFY(!dialogs.settings.LoadAtStart);
}

void OptionTest::ajouterAddsSelectedFilesInListOrderAndNotTwice()
{
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.AnnexeFiles = {"/cd/NEWS.BBS"};
    form.FillOptionForm(dialogs.settings);
    form.DirectoryList->SetDirectory(dir.Path());
    QVERIFY(dialogs.ShowOptions(1));

    // The user picks "c.asc", then "A.BBS" with Ctrl.
    Click(form.FileList, Line(form.FileList, "c.asc"));
    Click(form.FileList, Line(form.FileList, "A.BBS"), Qt::ControlModifier);
    QTest::mouseClick(form.AjouteBtn, Qt::LeftButton);
    const std::vector<std::string> expected{"/cd/NEWS.BBS", dir / "A.BBS", dir / "c.asc"};
    QVERIFY(Annexes(form) == expected);
    QCOMPARE(Texts(form.ListBox), (QStringList{"/cd/NEWS.BBS", Q(dir / "A.BBS"), Q(dir / "c.asc")}));

    QTest::mouseClick(form.AjouteBtn, Qt::LeftButton);
    QVERIFY(Annexes(form) == expected);

    // A range with Shift.
    Click(form.FileList, Line(form.FileList, "b.Asc"));
    Click(form.FileList, Line(form.FileList, "zz.bbs"), Qt::ShiftModifier);
    QTest::mouseClick(form.AjouteBtn, Qt::LeftButton);
    QVERIFY(Annexes(form)
            == (std::vector<std::string>{"/cd/NEWS.BBS", dir / "A.BBS", dir / "c.asc", dir / "b.Asc",
                                         dir / "zz.bbs"}));
}

void OptionTest::doubleClickInFileListAddsTheClickedFileAlone()
{
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    form.DirectoryList->SetDirectory(dir.Path());
    QVERIFY(dialogs.ShowOptions(1));

    Click(form.FileList, Line(form.FileList, "A.BBS"));
    Click(form.FileList, Line(form.FileList, "zz.bbs"), Qt::ControlModifier);
    DoubleClick(form.FileList, Line(form.FileList, "b.Asc"));
    QVERIFY(Annexes(form) == std::vector<std::string>{dir / "b.Asc"});
}

void OptionTest::supprimerRemovesEverySelectedLine()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.AnnexeFiles = {"/a/1.ASC", "/a/2.ASC", "/a/3.ASC", "/a/4.ASC", "/a/5.ASC"};
    form.FillOptionForm(dialogs.settings);
    QVERIFY(dialogs.ShowOptions(1));

    Click(form.ListBox, form.ListBox->item(1));
    Click(form.ListBox, form.ListBox->item(2), Qt::ControlModifier);
    Click(form.ListBox, form.ListBox->item(4), Qt::ControlModifier);
    QTest::mouseClick(form.SupBtn, Qt::LeftButton);
    QVERIFY(Annexes(form) == (std::vector<std::string>{"/a/1.ASC", "/a/4.ASC"}));

    // Nothing selected: nothing goes.
    form.ListBox->clearSelection();
    QTest::mouseClick(form.SupBtn, Qt::LeftButton);
    QCOMPARE(form.ListBox->count(), 2);
    // The settings change only with "&Ok".
    QCOMPARE(dialogs.settings.AnnexeFiles.size(), std::size_t(5));
}

void OptionTest::doubleClickInListBoxRemovesThatLine()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.AnnexeFiles = {"/a/1.ASC", "/a/2.ASC", "/a/3.ASC"};
    form.FillOptionForm(dialogs.settings);
    QVERIFY(dialogs.ShowOptions(1));

    Click(form.ListBox, form.ListBox->item(0));
    DoubleClick(form.ListBox, form.ListBox->item(1));
    QVERIFY(Annexes(form) == (std::vector<std::string>{"/a/1.ASC", "/a/3.ASC"}));
}

void OptionTest::repeatedLinesGoAndTheFirstOfEachStays()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    // A, B, A, A, as a settings file edited by hand can hold them; "&Ajouter" with no file
    // selected.
    dialogs.settings.AnnexeFiles = {"/cd/A.ASC", "/cd/B.BBS", "/cd/A.ASC", "/cd/A.ASC"};
    form.FillOptionForm(dialogs.settings);
    QCOMPARE(form.ListBox->count(), 4);
    form.FileList->clearSelection();
    form.AjouteBtn->click();
    QVERIFY(Annexes(form) == (std::vector<std::string>{"/cd/A.ASC", "/cd/B.BBS"}));

    // Equal means byte for byte: lines that differ in letter case only both stay.
    dialogs.settings.AnnexeFiles = {"/cd/a.asc", "/cd/B.BBS", "/cd/A.ASC", "/cd/a.asc", "/cd/B.BBS"};
    form.FillOptionForm(dialogs.settings);
    form.RemoveDuplicates();
    QVERIFY(Annexes(form) == (std::vector<std::string>{"/cd/a.asc", "/cd/B.BBS", "/cd/A.ASC"}));
}

void OptionTest::longAnnexPathsAreShortenedInTheirMiddle()
{
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    std::string path = "/media/cdrom";
    for (int i = 0; i < 20; ++i)
        path += "/dossier" + std::to_string(i);
    path += "/DESC01.ASC";
    dialogs.settings.AnnexeFiles = {"/cd/A.ASC", path};
    form.FillOptionForm(dialogs.settings);
    QVERIFY(dialogs.ShowOptions(1));

    // The long line is no wider than the list, so it is drawn shortened in its middle, and
    // the list does not scroll sideways; its hint gives the whole path.
    QListWidget* list = form.ListBox;
    const QListWidgetItem* line = list->item(1);
    QVERIFY(list->fontMetrics().horizontalAdvance(line->text()) > list->viewport()->width());
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(line)));
    QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QCOMPARE(line->toolTip(), Q(path));
}

void OptionTest::emptiedAnnexListIsNoLongerRefilled()
{
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.settings.AnnexeFiles = {dir / "A.BBS", dir / "c.asc"};
    form.DirectoryList->SetDirectory(dir.Path());

    // Every line removed, "&Ok": the annex list is empty.
    Script script;
    script.When(&form, [&] {
        form.Onglet->setCurrentIndex(1);
        form.ListBox->selectAll();
        form.SupBtn->click();
        form.OkBtn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QVERIFY(dialogs.settings.AnnexeFiles.empty());

    // A line added and abandoned stays in the dialog, since there is nothing to refill it
    // with; an "&Ok" then applies it.
    int linesAtOpening = -1;
    script.When(&form, [&] {
        linesAtOpening = form.ListBox->count();
        form.Onglet->setCurrentIndex(1);
        form.FileList->item(2)->setSelected(true);
        form.AjouteBtn->click();
        form.Annule2Btn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(linesAtOpening, 0);
    QVERIFY(dialogs.settings.AnnexeFiles.empty());

    QStringList linesAtNextOpening;
    script.When(&form, [&] {
        linesAtNextOpening = Texts(form.ListBox);
        form.Ok2Btn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(linesAtNextOpening, QStringList{Q(dir / "c.asc")});
    QVERIFY(dialogs.settings.AnnexeFiles == std::vector<std::string>{dir / "c.asc"});
}

void OptionTest::driveBoxMovesTheDirectoryListAndAFailedChangeIsUndone()
{
    TempDir dir;
    WriteCollection(dir);
    dir.Write("vol/DISQUE.ASC", "x\r\n");
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    form.DirectoryList->SetDirectory(dir.Path());
    form.DriveBox->SetVolumes({{"/", {}, ui::Volume::Disk},
                               {dir / "vol", "CD", ui::Volume::Disc},
                               {dir / "parti", {}, ui::Volume::Disk}});
    form.DriveBox->SelectVolumeOf(dir.Path());
    QCOMPARE(form.DriveBox->Drive(), std::string("/"));
    QVERIFY(dialogs.ShowOptions(1));

    // Down to the next volume: the directory list goes to its root, the file list follows.
    form.DriveBox->setFocus();
    QTest::keyClick(form.DriveBox, Qt::Key_Down);
    QCOMPARE(form.DriveBox->Drive(), dir / "vol");
    QCOMPARE(form.DirectoryList->Directory(), dir / "vol");
    QCOMPARE(Texts(form.FileList), QStringList{"DISQUE.ASC"});

    // A volume that cannot be reached: the report, and both lists stay where they were.
    Script script;
    script.Box();
    QTest::keyClick(form.DriveBox, Qt::Key_Down);
    QTRY_VERIFY(script.Finished());
    QCOMPARE(script.boxes.size(), std::size_t(1));
    QCOMPARE(script.boxes[0].text, QStringLiteral("Fichier introuvable."));
    QCOMPARE(form.DirectoryList->Directory(), dir / "vol");
    QCOMPARE(form.DriveBox->Drive(), dir / "vol");
    QCOMPARE(Texts(form.FileList), QStringList{"DISQUE.ASC"});

    // The list never goes back from the directory list to the drive list.
    form.DirectoryList->SetDirectory(dir.Path());
    QCOMPARE(form.DriveBox->Drive(), dir / "vol");
}

// "&Parcourir" and the directory chooser.

void OptionTest::parcourirWithEmptyFieldOpensWhereTheChooserWasLeft()
{
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.rep.DirectoryBox->SetDirectory(dir / "beta");
    const std::string stored = dialogs.settings.DefaultDir;

    std::string chooserAt;
    Script script;
    script.When(&form, [&] {
        form.RepEdit->clear();
        form.ParcoursBtn->click();
    });
    script.When(&dialogs.rep, [&] {
        chooserAt = dialogs.rep.DirectoryBox->Directory();
        dialogs.rep.Button1->click();
    });
    script.When(&form, [&] { form.AnnuleBtn->click(); });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(chooserAt, dir / "beta");
    QCOMPARE(form.RepEdit->text(), Q(dir / "beta"));
    // The settings change only with the options dialog's "&Ok".
    QCOMPARE(dialogs.settings.DefaultDir, stored);
}

void OptionTest::parcourirWithUnreachablePathReportsAndShowsNoChooser_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "absent"
                             << "Fichier introuvable.";
    QTest::newRow("a file") << "A.BBS"
                            << "Nom de fichier incorrect.";
}

void OptionTest::parcourirWithUnreachablePathReportsAndShowsNoChooser()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    dialogs.rep.DirectoryBox->SetDirectory(dir / "beta");
    const QString typed = Q(dir.Path()) + QLatin1Char('/') + name;

    bool chooserShown = false;
    bool optionsShown = false;
    QString fieldAfter;
    Script script;
    script.When(&form, [&] {
        form.RepEdit->setText(typed);
        form.ParcoursBtn->click();
    });
    script.Box();
    script.When(&form, [&] {
        chooserShown = dialogs.rep.isVisible();
        optionsShown = form.isVisible();
        fieldAfter = form.RepEdit->text();
        form.AnnuleBtn->click();
    });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(script.boxes.size(), std::size_t(1));
    QCOMPARE(script.boxes[0].caption, ui::ApplicationTitle);
    QCOMPARE(script.boxes[0].text, message);
    QCOMPARE(script.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(!chooserShown);
    QVERIFY(optionsShown);
    QCOMPARE(fieldAfter, typed);
    QCOMPARE(dialogs.rep.DirectoryBox->Directory(), dir / "beta");
}

void OptionTest::parcourirCancelledKeepsTheField_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("&Annule") << "Button2";
    QTest::newRow("close box") << "close";
    QTest::newRow("Escape, then &Annule") << "Escape";
}

void OptionTest::parcourirCancelledKeepsTheField()
{
    QFETCH(QString, way);
    TempDir dir;
    WriteCollection(dir);
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    ui::TRepForm& rep = dialogs.rep;
    dialogs.settings.DefaultDir = dir.Path();

    std::string chooserAt;
    bool shownAfterEscape = true;
    Script script;
    script.When(&form, [&] { form.ParcoursBtn->click(); });
    script.When(&rep, [&] {
        chooserAt = rep.DirectoryBox->Directory();
        DoubleClick(rep.DirectoryBox, Line(rep.DirectoryBox, "Alpha"));
        if (way == QLatin1String("close")) {
            rep.windowHandle()->close();
            return;
        }
        if (way == QLatin1String("Escape")) {
            KeyTo(Qt::Key_Escape);
            shownAfterEscape = rep.isVisible();
        }
        rep.Button2->click();
    });
    script.When(&form, [&] { form.AnnuleBtn->click(); });
    dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(chooserAt, dir.Path());
    QCOMPARE(rep.result(), 2);
    QVERIFY(shownAfterEscape);
    QCOMPARE(form.RepEdit->text(), Q(dir.Path()));
    // The chooser stays where the user left it.
    QCOMPARE(rep.DirectoryBox->Directory(), dir / "Alpha");
}

void OptionTest::parcourirOkGivesTheChosenDirectoryWithItsLetterCase()
{
    TempDir dir;
    dir.MakeDir("Mixed/SousRep");
    dir.Write("Mixed/DESC01.ASC", "x\r\n");
    Dialogs dialogs;
    ui::TOptionForm& form = dialogs.options;
    ui::TRepForm& rep = dialogs.rep;
    dialogs.settings.DefaultDir = dir / "Mixed";

    std::string chooserAt;
    QStringList chooserFiles;
    Script script;
    script.When(&form, [&] { form.ParcoursBtn->click(); });
    script.When(&rep, [&] {
        chooserAt = rep.DirectoryBox->Directory();
        chooserFiles = Texts(rep.FileList);
        DoubleClick(rep.DirectoryBox, Line(rep.DirectoryBox, "SousRep"));
        rep.Button1->click();
    });
    script.When(&form, [&] { form.Ok2Btn->click(); });
    const bool rebuilt = dialogs.OpenOptions();
    QVERIFY(script.Finished());
    QCOMPARE(chooserAt, dir / "Mixed");
    QCOMPARE(chooserFiles, QStringList{"DESC01.ASC"});
    QCOMPARE(form.RepEdit->text(), Q(dir / "Mixed/SousRep"));
    QCOMPARE(dialogs.settings.DefaultDir, dir / "Mixed/SousRep");
    QVERIFY(rebuilt);
}

void OptionTest::chooserHasItsControlsCaptionAndPlaces()
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

void OptionTest::chooserGrowsWithItsWindowAndNeverCutsItsControls()
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

void OptionTest::chooserButtonsEnterAndEscape()
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

void OptionTest::chooserDriveListMovesItsDirectoryList()
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

void OptionTest::chooserAndAnnexPageWalkIntoAnImageAndBackOut()
{
    TempDir dir;
    dir.Write("src/FILES.BBS", "x\r\n");
    dir.Write("src/FICHIERS/news.bbs", "x\r\n");
    dir.Write("src/FICHIERS/NOTES.TXT", "x\r\n");
    testing::MakeIso(dir / "src", dir / "shelf/CLUB.ISO", testing::IsoNames::Both);
    dir.Write("shelf/NOTE.ISO", "not an image");
    dir.MakeDir("shelf/Sub");
    ui::TRepForm rep;
    rep.DirectoryBox->SetDirectory(dir / "shelf");
    rep.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rep));
    ui::DirectoryListBox* list = rep.DirectoryBox;

    // The image stands beside the folders with a disc; a file that only bears the name does not.
    QCOMPARE(Texts(list).mid(Texts(list).indexOf("shelf") + 1), (QStringList{"CLUB.ISO", "Sub"}));
    const auto iconOf = [](const QListWidgetItem* line) { return line->icon().pixmap(16).toImage(); };
    const QImage disc = rep.style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(16).toImage();
    QCOMPARE(iconOf(Line(list, "CLUB.ISO")), disc);
    QVERIFY(iconOf(Line(list, "Sub")) != disc);

    DoubleClick(list, Line(list, "CLUB.ISO"));
    QCOMPARE(list->Directory(), dir / "shelf/CLUB.ISO");
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

QTEST_MAIN(OptionTest)
#include "OptionTest.moc"
