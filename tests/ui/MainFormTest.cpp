// The main window driven as a user drives it, its controls found by their names: the
// criterion boxes, the status line, the list and its group boxes, the configuration
// buttons, Enter, and closing.

#include "platform/InOutError.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ErrorReport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <vector>

using namespace fendix;
using fendix::uitest::Clear;
using fendix::uitest::Collection;
using fendix::uitest::CrLf;
using fendix::uitest::Find;
using fendix::uitest::Type;
using fendix::uitest::Windows;

namespace {

// Six files in three groups; in the list: ASC10, ASC02, ASC01, VRAC05, VRAC01, NEWS.
void WriteGroups(const Collection& collection)
{
    const std::string news = CrLf({"  \xCD\xCD\xCD DISQUE 1", "   Un jeu de tarot"});
    const std::string bbs = CrLf({"TAROT.ZIP      12345 Jeu de tarot"});
    for (const char* name : {"ASC01.ASC", "ASC02.ASC", "ASC10.ASC"})
        collection.dir.Write(name, news);
    for (const char* name : {"VRAC01.BBS", "VRAC05.BBS", "NEWS.BBS"})
        collection.dir.Write(name, bbs);
}

QStringList Selected(const QListWidget* list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            names << list->item(row)->text();
    return names;
}

// The selection as the search will read it.
QStringList SelectedInModel(ui::TMainForm& main)
{
    QStringList names;
    for (const auto& item : main.CatalogueModel().items)
        if (item.selected)
            names << QString::fromStdString(item.name);
    return names;
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row)).center());
}

QString HintAt(const ui::TMainForm& main, QWidget* widget, QPoint where)
{
    QTest::mouseMove(widget, where);
    QCoreApplication::processEvents();
    return Find<QLabel>(main, "StatusLine")->text();
}

QString HintAt(const ui::TMainForm& main, QWidget* widget)
{
    return HintAt(main, widget, widget->rect().center());
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void startsWithOnlyTheFirstBoxAndSearchDisabled();
    void tabOrderStartsAtFirstTextAndStopsOnceInEachPairOfRadios();
    void criterionBoxesFollowTheTextsAndKeepWhatTheyHold();
    void clearingSecondTextHidesThirdBoxWhichKeepsItsText();
    void statusLineShowsHintOfControlUnderPointerAndNothingPopsUp();
    void statusLineClearsOverAnotherWindowOfTheProgram();
    void listClicksAndKeysTurnGroupBoxesGreyOrClear();
    void groupBoxSelectsOrClearsItsRangeAndNeverTurnsGrey();
    void emptyGroupsHaveTheirBoxDisabledAndAnnexeBoxIsTheUsers();
    void chargerRestoresSelectionAndLeavesBoxesUntilNextListClick();
    void enterDoesNothingAtStartSearchesAfterOneBlankAndPressesFocusedButton();
    void closeBoxSavesExactlyAsQuitter();
    void failedSaveIsReportedAndAskedAboutNonKeepsWindowOpen();
    void readOnlySettingsBesideTheProgramAreReadAndOuiLeavesWithoutSaving();
    void errorReportTellsTheProgramsErrorsFromUnexpectedOnes();
};

void MainFormTest::startsWithOnlyTheFirstBoxAndSearchDisabled()
{
    Collection collection;
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    QCOMPARE(main.windowTitle(), QStringLiteral("Dorvan Fendix v1.01"));
    QCOMPARE(main.minimumSize(), main.maximumSize());
    for (const char* box : {"Critere2", "Critere3"}) {
        QVERIFY(!Find(main, box)->isVisible());
        QVERIFY(!Find(main, box)->isEnabled());
    }
    QVERIFY(!Find(main, "RechercheBtn")->isEnabled());
    QVERIFY(Find<QRadioButton>(main, "EtRadio2")->isChecked());
    QVERIFY(Find<QRadioButton>(main, "EtRadio3")->isChecked());
    QCOMPARE(QApplication::focusWidget(), Find(main, "TexteCritere1"));
    // The three lines at the right never take the focus.
    for (const char* line : {"Edit1", "Edit2", "Edit3"})
        QCOMPARE(Find(main, line)->focusPolicy(), Qt::NoFocus);
    QCOMPARE(Find<QLineEdit>(main, "Edit1")->text(), QStringLiteral(" Win Fendix  v1.01"));
}

void MainFormTest::tabOrderStartsAtFirstTextAndStopsOnceInEachPairOfRadios()
{
    Collection collection;
    WriteGroups(collection);
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    Type(Find(main, "TexteCritere1"), QStringLiteral("a"));
    Type(Find(main, "TexteCritere2"), QStringLiteral("b"));
    Find(main, "TexteCritere1")->setFocus();

    QStringList visited;
    for (int i = 0; i < 30 && !visited.contains(QApplication::focusWidget()->objectName()); ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    const QStringList designed{"TexteCritere1", "NonCheck1", "TexteCritere2", "NonCheck2",    "EtRadio2",
                               "TexteCritere3", "NonCheck3", "EtRadio3",      "RechercheBtn", "ListeBox",
                               "AscCheck",      "VracCheck", "AutreCheck",    "AnnexeCheck",  "ChargerBtn",
                               "SauveBtn",      "OptBtn",    "QuitterBtn"};
    QCOMPARE(visited, designed);
}

void MainFormTest::criterionBoxesFollowTheTextsAndKeepWhatTheyHold()
{
    Collection collection;
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    QWidget* critere2 = Find(main, "Critere2");
    QWidget* critere3 = Find(main, "Critere3");
    QWidget* recherche = Find(main, "RechercheBtn");

    // One blank is a text: nothing is trimmed.
    Type(Find(main, "TexteCritere1"), QStringLiteral(" "));
    QVERIFY(critere2->isVisible() && critere2->isEnabled() && recherche->isEnabled());
    QVERIFY(!critere3->isVisible());
    Type(Find(main, "TexteCritere2"), QStringLiteral(" modem"));
    QVERIFY(critere3->isVisible() && critere3->isEnabled());
    Type(Find(main, "TexteCritere3"), QStringLiteral("jeu"));
    for (const char* choice : {"NonCheck2", "OuRadio2", "OuRadio3", "NonCheck3"})
        QTest::mouseClick(Find(main, choice), Qt::LeftButton);

    Clear(Find(main, "TexteCritere1"));
    QVERIFY(!critere2->isVisible() && !critere2->isEnabled());
    QVERIFY(!critere3->isVisible());
    QVERIFY(!recherche->isEnabled());

    Type(Find(main, "TexteCritere1"), QStringLiteral("x"));
    QVERIFY(critere2->isVisible() && critere2->isEnabled() && recherche->isEnabled());
    QVERIFY(critere3->isVisible() && critere3->isEnabled());
    QCOMPARE(Find<QLineEdit>(main, "TexteCritere2")->text(), QStringLiteral(" modem"));
    QCOMPARE(Find<QLineEdit>(main, "TexteCritere3")->text(), QStringLiteral("jeu"));
    for (const char* choice : {"NonCheck2", "OuRadio2", "OuRadio3", "NonCheck3"})
        QVERIFY2(Find<QAbstractButton>(main, choice)->isChecked(), choice);
    QVERIFY(!Find<QRadioButton>(main, "EtRadio2")->isChecked());
}

void MainFormTest::clearingSecondTextHidesThirdBoxWhichKeepsItsText()
{
    Collection collection;
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    Type(Find(main, "TexteCritere1"), QStringLiteral("tarot"));
    Type(Find(main, "TexteCritere2"), QStringLiteral("modem"));
    Type(Find(main, "TexteCritere3"), QStringLiteral("jeu"));

    Clear(Find(main, "TexteCritere2"));
    QVERIFY(!Find(main, "Critere3")->isVisible());
    QVERIFY(!Find(main, "Critere3")->isEnabled());
    QVERIFY(Find(main, "Critere2")->isVisible());
    QVERIFY(Find(main, "RechercheBtn")->isEnabled());

    Type(Find(main, "TexteCritere2"), QStringLiteral("m"));
    QVERIFY(Find(main, "Critere3")->isVisible() && Find(main, "Critere3")->isEnabled());
    QCOMPARE(Find<QLineEdit>(main, "TexteCritere3")->text(), QStringLiteral("jeu"));
}

void MainFormTest::statusLineShowsHintOfControlUnderPointerAndNothingPopsUp()
{
    Collection collection;
    WriteGroups(collection);
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    auto* list = Find<QListWidget>(main, "ListeBox");
    QWidget* critere1 = Find(main, "Critere1");
    QWidget* workspace = Find(main, "Workspace");

    QCOMPARE(HintAt(main, list->viewport()), QStringLiteral("Liste des fichiers de descriptions de CD-ROMS"));
    QCOMPARE(HintAt(main, Find(main, "NonCheck1")), QString());
    QCOMPARE(HintAt(main, Find(main, "TexteCritere1")), QStringLiteral("Premier critère de recherche"));
    // The box around the text has no hint of its own, nor has the workspace.
    QCOMPARE(HintAt(main, critere1, QPoint(critere1->width() - 3, critere1->height() / 3)), QString());
    QCOMPARE(HintAt(main, Find(main, "AutreCheck")),
             QStringLiteral("Sélectionne l'ensemble des fichiers qui ne sont ni de type ASC ou VRAC"));
    QCOMPARE(HintAt(main, workspace, QPoint(workspace->width() - 5, workspace->height() - 5)), QString());
    // Disabled controls keep their hint.
    QCOMPARE(HintAt(main, Find(main, "RechercheBtn")),
             QStringLiteral("Lance la recherche avec le(s) critère(s) courant(s)"));
    QCOMPARE(HintAt(main, Find(main, "Edit1")), QStringLiteral("Le beau programme que voilà"));
    QCOMPARE(HintAt(main, Find(main, "SauveBtn")),
             QStringLiteral("Sauvegarde les fichiers sélectionnés dans le .INI"));
    QCOMPARE(HintAt(main, Find(main, "StatusLine")), QString());

    for (const QWidget* widget : main.findChildren<QWidget*>())
        QVERIFY2(widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
}

void MainFormTest::statusLineClearsOverAnotherWindowOfTheProgram()
{
    Collection collection;
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    QCOMPARE(HintAt(main, Find(main, "QuitterBtn")), QStringLiteral("Quitte cette fantastique application"));
    windows.scan->show();
    QVERIFY(QTest::qWaitForWindowExposed(windows.scan.get()));
    QCOMPARE(HintAt(main, Find(*windows.scan, "CancelBtn")), QString());
    windows.scan->hide();
}

void MainFormTest::listClicksAndKeysTurnGroupBoxesGreyOrClear()
{
    Collection collection;
    WriteGroups(collection);
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    auto* list = Find<QListWidget>(main, "ListeBox");
    auto* asc = Find<QCheckBox>(main, "AscCheck");
    auto* vrac = Find<QCheckBox>(main, "VracCheck");
    auto* autre = Find<QCheckBox>(main, "AutreCheck");
    QCOMPARE(Selected(list),
             (QStringList{"ASC10.ASC", "ASC02.ASC", "ASC01.ASC", "VRAC05.BBS", "VRAC01.BBS", "NEWS.BBS"}));
    QCOMPARE(asc->checkState(), Qt::Checked);

    ClickRow(list, 1, Qt::ControlModifier);
    QCOMPARE(asc->checkState(), Qt::PartiallyChecked);
    QVERIFY(!SelectedInModel(main).contains("ASC02.ASC"));
    ClickRow(list, 0, Qt::ControlModifier);
    ClickRow(list, 2, Qt::ControlModifier);
    QCOMPARE(asc->checkState(), Qt::Unchecked);
    QCOMPARE(vrac->checkState(), Qt::Checked);

    // A plain click selects one line alone, Shift adds a range; every box is refreshed.
    ClickRow(list, 3);
    QCOMPARE(SelectedInModel(main), QStringList{"VRAC05.BBS"});
    QCOMPARE(vrac->checkState(), Qt::PartiallyChecked);
    QCOMPARE(autre->checkState(), Qt::Unchecked);
    ClickRow(list, 5, Qt::ShiftModifier);
    QCOMPARE(SelectedInModel(main), (QStringList{"VRAC05.BBS", "VRAC01.BBS", "NEWS.BBS"}));
    QCOMPARE(vrac->checkState(), Qt::Checked);
    QCOMPARE(autre->checkState(), Qt::Checked);

    // The keyboard changes the selection as the mouse does.
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(SelectedInModel(main), QStringList{"ASC02.ASC"});
    QCOMPARE(Selected(list), QStringList{"ASC02.ASC"});
    QCOMPARE(asc->checkState(), Qt::PartiallyChecked);
    QCOMPARE(vrac->checkState(), Qt::Unchecked);
    QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(SelectedInModel(main), (QStringList{"ASC10.ASC", "ASC02.ASC"}));
}

void MainFormTest::groupBoxSelectsOrClearsItsRangeAndNeverTurnsGrey()
{
    Collection collection;
    WriteGroups(collection);
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    auto* list = Find<QListWidget>(main, "ListeBox");
    auto* asc = Find<QCheckBox>(main, "AscCheck");
    const QStringList others{"VRAC05.BBS", "VRAC01.BBS", "NEWS.BBS"};

    QTest::mouseClick(asc, Qt::LeftButton);
    QCOMPARE(asc->checkState(), Qt::Unchecked);
    QCOMPARE(Selected(list), others);
    QCOMPARE(SelectedInModel(main), others);

    ClickRow(list, 1, Qt::ControlModifier);
    QCOMPARE(asc->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(asc, Qt::LeftButton);
    QCOMPARE(asc->checkState(), Qt::Checked);
    QCOMPARE(SelectedInModel(main).size(), 6);
    // The space bar clicks as the mouse does; no click ever gives grey.
    asc->setFocus();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(asc, Qt::Key_Space);
        QVERIFY(asc->checkState() != Qt::PartiallyChecked);
    }
    QCOMPARE(SelectedInModel(main), others);

    // The accelerators click too.
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_V, Qt::AltModifier);
    QTRY_COMPARE(Find<QCheckBox>(main, "VracCheck")->checkState(), Qt::Unchecked);
    QTest::keyClick(&main, Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(Find<QCheckBox>(main, "AutreCheck")->checkState(), Qt::Unchecked);
    QTest::keyClick(&main, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(asc->checkState(), Qt::Checked);
    QCOMPARE(SelectedInModel(main), (QStringList{"ASC10.ASC", "ASC02.ASC", "ASC01.ASC"}));
}

void MainFormTest::emptyGroupsHaveTheirBoxDisabledAndAnnexeBoxIsTheUsers()
{
    Collection collection;
    collection.dir.Write("NEWS.BBS", CrLf({"A.ZIP   1 x"}));
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    QVERIFY(!Find(main, "AscCheck")->isEnabled());
    QVERIFY(!Find(main, "VracCheck")->isEnabled());
    QVERIFY(Find(main, "AutreCheck")->isEnabled());

    // No annex file: the box starts clear; the user may check it, and the search reads it.
    auto* annexe = Find<QCheckBox>(main, "AnnexeCheck");
    QVERIFY(!annexe->isChecked());
    QTest::keyClick(&main, Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(annexe->isChecked());
    QVERIFY(main.CatalogueModel().AnnexeCheck);
    // A change of the selection sets it from the annex list again.
    ClickRow(Find<QListWidget>(main, "ListeBox"), 0, Qt::ControlModifier);
    QVERIFY(!annexe->isChecked());
    QVERIFY(!main.CatalogueModel().AnnexeCheck);
}

void MainFormTest::chargerRestoresSelectionAndLeavesBoxesUntilNextListClick()
{
    Collection collection;
    WriteGroups(collection);
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    auto* list = Find<QListWidget>(main, "ListeBox");
    auto* asc = Find<QCheckBox>(main, "AscCheck");
    auto* vrac = Find<QCheckBox>(main, "VracCheck");

    ClickRow(list, 3); // VRAC05 alone
    QTest::mouseClick(Find(main, "SauveBtn"), Qt::LeftButton);
    const std::string saved = testing::ReadFile(collection.Ini());
    QVERIFY(saved.find("Item1=VRAC05.BBS\r\n") != std::string::npos);
    QVERIFY(saved.find("Nombre=1\r\n") != std::string::npos);

    ClickRow(list, 0); // ASC10 alone
    QCOMPARE(asc->checkState(), Qt::PartiallyChecked);
    QCOMPARE(vrac->checkState(), Qt::Unchecked);

    QTest::mouseClick(Find(main, "ChargerBtn"), Qt::LeftButton);
    QCOMPARE(Selected(list), QStringList{"VRAC05.BBS"});
    QCOMPARE(SelectedInModel(main), QStringList{"VRAC05.BBS"});
    QCOMPARE(asc->checkState(), Qt::PartiallyChecked);
    QCOMPARE(vrac->checkState(), Qt::Unchecked);

    ClickRow(list, 3, Qt::ControlModifier);
    ClickRow(list, 3, Qt::ControlModifier);
    QCOMPARE(asc->checkState(), Qt::Unchecked);
    QCOMPARE(vrac->checkState(), Qt::PartiallyChecked);
}

void MainFormTest::enterDoesNothingAtStartSearchesAfterOneBlankAndPressesFocusedButton()
{
    Collection collection;
    collection.dir.Write("NOBLANK.BBS", CrLf({"FIRST", "SECOND"}));
    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    uitest::Autopilot pilot(*windows.desc, *windows.scan, main);
    auto* fileBox = Find<QGroupBox>(*windows.scan, "FicGroup");

    QTest::keyClick(Find(main, "TexteCritere1"), Qt::Key_Return);
    QTest::keyClick(Find(main, "ListeBox"), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(fileBox->title(), QString());
    QVERIFY(main.isVisible());

    Type(Find(main, "TexteCritere1"), QStringLiteral(" "));
    QTest::keyClick(Find(main, "TexteCritere1"), Qt::Key_Return);
    QCOMPARE(fileBox->title(), QStringLiteral("Fichier: NOBLANK.BBS"));
    QCOMPARE(Find<ui::Gauge>(*windows.scan, "TotalGauge")->Progress(), 100);
    QVERIFY(pilot.entries.empty());
    QVERIFY(main.isVisible() && !windows.scan->isVisible());

    // On a focused button Enter presses that button, not the search.
    fileBox->setTitle(QString());
    std::filesystem::remove(collection.Ini());
    QWidget* save = Find(main, "SauveBtn");
    save->setFocus();
    QTest::keyClick(save, Qt::Key_Return);
    QVERIFY(std::filesystem::exists(collection.Ini()));
    QCOMPARE(fileBox->title(), QString());
}

void MainFormTest::closeBoxSavesExactlyAsQuitter()
{
    Collection collection;
    WriteGroups(collection);
    {
        Windows first(collection);
    } // the first start writes the file
    const std::string original = testing::ReadFile(collection.Ini());

    const auto closeAfterAChange = [&](bool closeBox) {
        collection.dir.Write("fendix.ini", original);
        Windows windows(collection);
        ui::TMainForm& main = *windows.main;
        if (!windows.Show())
            return std::string("not shown");
        ClickRow(Find<QListWidget>(main, "ListeBox"), 4);
        QSignalSpy closed(&main, &ui::TMainForm::Closed);
        if (closeBox)
            main.windowHandle()->close();
        else
            QTest::mouseClick(Find(main, "QuitterBtn"), Qt::LeftButton);
        if (closed.count() != 1 || main.isVisible())
            return std::string("not closed");
        return testing::ReadFile(collection.Ini());
    };
    const std::string byQuitter = closeAfterAChange(false);
    const std::string byCloseBox = closeAfterAChange(true);
    QVERIFY(byQuitter.find("Item1=VRAC01.BBS\r\n") != std::string::npos);
    QCOMPARE(byCloseBox, byQuitter);
}

void MainFormTest::failedSaveIsReportedAndAskedAboutNonKeepsWindowOpen()
{
    Collection collection;
    WriteGroups(collection);
    const std::string folder = collection.dir.MakeDir("conf");
    const std::string ini = folder + "/fendix.ini";
    Windows windows(ini, collection.ProgramDir());
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    std::filesystem::remove_all(folder);

    // The error, then the question; "&Non", and Escape which answers it, keep the window.
    QSignalSpy closed(&main, &ui::TMainForm::Closed);
    for (const QString& answer : {QStringLiteral("Escape"), QStringLiteral("&Non")}) {
        uitest::BoxAnswerer answerer;
        answerer.answers = {QString(), answer};
        QTest::mouseClick(Find(main, "QuitterBtn"), Qt::LeftButton);
        QCOMPARE(answerer.boxes.size(), std::size_t{2});
        QCOMPARE(answerer.boxes[0].caption, QStringLiteral("Dorvan Fendix v1.01"));
        QCOMPARE(answerer.boxes[0].text, QString::fromStdString("Ne peut écrire dans " + ini + "."));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
        const uitest::ShownBox& question = answerer.boxes[1];
        QCOMPARE(question.caption, QStringLiteral("Dorvan Fendix v1.01"));
        QCOMPARE(question.text, QStringLiteral("Quitter sans sauver la configuration ?"));
        QCOMPARE(question.icon, QMessageBox::Question);
        QStringList buttons = question.buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui")}));
        QCOMPARE(question.defaultButton, QStringLiteral("&Non"));
        QCOMPARE(question.escapeButton, QStringLiteral("&Non"));
        QVERIFY(main.isVisible());
        QCOMPARE(closed.count(), 0);
    }

    // Once the file can be written again, the window closes with the save, and asks nothing.
    std::filesystem::create_directory(folder);
    uitest::BoxAnswerer answerer(500);
    QTest::mouseClick(Find(main, "QuitterBtn"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(std::filesystem::exists(ini));
    QVERIFY(answerer.boxes.empty());
}

void MainFormTest::readOnlySettingsBesideTheProgramAreReadAndOuiLeavesWithoutSaving()
{
    Collection collection;
    WriteGroups(collection);
    const std::string saved = "[WinFendix]\r\nRepertoireDefaut=" + collection.dir.Path()
                              + "\r\nIgnoreMAJmin=0\r\nChargeTotal=1\r\nAnnexeDAbord=0\r\n"
                                "[Fichiers standards]\r\nItem1=VRAC01.BBS\r\nNombre=1\r\n";
    const std::string ini = collection.dir.Write("fendix.ini", saved);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                                          | std::filesystem::perms::others_read);
    // The file beside the program is the settings file, read-only as it is.
    QCOMPARE(settings::SettingsPlaceFor(collection.ProgramDir(), collection.dir / "usr/bin",
                                        collection.dir / "xdg", collection.dir / "home")
                 .iniPath,
             ini);

    Windows windows(collection);
    ui::TMainForm& main = *windows.main;
    QVERIFY(windows.Show());
    auto* list = Find<QListWidget>(main, "ListeBox");
    QCOMPARE(Selected(list), QStringList{QStringLiteral("VRAC01.BBS")});
    QVERIFY(!main.SettingsValues().IgnoreCase);
    ClickRow(list, 0);

    QSignalSpy closed(&main, &ui::TMainForm::Closed);
    uitest::BoxAnswerer answerer;
    answerer.answers = {QString(), QStringLiteral("&Oui")};
    QTest::mouseClick(Find(main, "QuitterBtn"), Qt::LeftButton);
    QCOMPARE(answerer.boxes.size(), std::size_t{2});
    QCOMPARE(answerer.boxes[0].text, QString::fromStdString("Ne peut écrire dans " + ini + "."));
    QCOMPARE(answerer.boxes[1].text, QStringLiteral("Quitter sans sauver la configuration ?"));
    QCOMPARE(closed.count(), 1);
    QVERIFY(!main.isVisible());
    QCOMPARE(testing::ReadFile(ini), saved);
    QVERIFY(!std::filesystem::exists(collection.dir / "xdg"));
}

void MainFormTest::errorReportTellsTheProgramsErrorsFromUnexpectedOnes()
{
    // An allocation that fails in a handler ends it, and the one report says so (the
    // messages of every kind of error: ErrorMessageTest).
    Collection collection;
    Windows windows(collection);
    QVERIFY(windows.Show());
    uitest::BoxAnswerer answerer;
    const bool ended = ui::ReportErrors(windows.main.get(), [] { throw std::bad_alloc(); });
    QVERIFY(!ended);
    QCOMPARE(answerer.boxes.size(), std::size_t{1});
    QCOMPARE(answerer.boxes[0].caption, QStringLiteral("Dorvan Fendix v1.01"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("Mémoire insuffisante."));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
