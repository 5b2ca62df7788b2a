// The options dialog driven as a user drives it: its two pages, its buttons and keys, the
// annex list, and "&Parcourir" with the directory chooser it opens.

#include "ui/Option.h"
#include "platform/FileSystem.h"
#include "settings/Settings.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"
#include "ui/FileViews.h"
#include "ui/Scaling.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

using namespace fendix;
using namespace fendix::uitest;
using fendix::testing::TempDir;

class OptionTest : public QObject {
    Q_OBJECT

private slots:
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
};

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

QTEST_MAIN(OptionTest)
#include "OptionTest.moc"
