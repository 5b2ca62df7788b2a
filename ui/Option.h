#pragma once

#include "platform/Places.h"
#include "settings/Settings.h"

#include <QDialog>
#include <QString>

#include <string>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace fendix::ui {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class TRepForm;

// The options dialog: two pages, "Option" with the three switches and the default
// directory, "Fichiers annexes" with the list of annex files picked from any directory. It
// works on copies: FillOptionForm puts the settings into the controls before each opening,
// and either "&Ok" puts them back (ApplyOptions) into the settings given at creation. The
// user leaves it only through its buttons: no close box, Escape does nothing.
class TOptionForm : public QDialog {
    Q_OBJECT

public:
    // `settings` are the program's settings, which "&Ok" changes; `repForm` the directory
    // chooser that "&Parcourir" opens (it may be given later).
    explicit TOptionForm(settings::Settings& settings, TRepForm* repForm = nullptr,
                         QWidget* parent = nullptr);

    void SetRepForm(TRepForm* repForm) noexcept { repForm_ = repForm; }

    // Puts the lists of the annex page on a directory, as TRepForm::StartIn does.
    void StartIn(const std::string& directory);

    QTabWidget* Onglet;
    // Page 0, "Option".
    QGroupBox* GroupBox1;
    QCheckBox* TotalCheck;
    QFrame* Bevel1;
    QCheckBox* DifCheck;
    QCheckBox* AnnexeCheck;
    QGroupBox* GroupBox3;
    QLineEdit* RepEdit;
    QPushButton* ParcoursBtn;
    QPushButton* Ok2Btn;
    QPushButton* AnnuleBtn;
    // Page 1, "Fichiers annexes".
    FileListBox* FileList;
    DirectoryListBox* DirectoryList;
    DriveComboBox* DriveBox;
    QPushButton* AjouteBtn;
    QPushButton* SupBtn;
    QPushButton* OkBtn;
    QListWidget* ListBox;
    QPushButton* Annule2Btn;

    // The settings into the controls. The annex list is put in only when it holds a path:
    // an empty one leaves the lines of the last opening.
    void FillOptionForm(const settings::Settings& settings);

    // The controls into the settings: the switches, the directory exactly as the field
    // holds it (not checked, possibly empty) and the annex list line by line.
    void ApplyOptions(settings::Settings& settings) const;

    // The selected files of FileList, as full paths, at the end of ListBox; then
    // RemoveDuplicates.
    void AddAnnexes();

    // The selected lines out of ListBox.
    void RemoveAnnexes();

    // Every line of ListBox equal, byte for byte, to an earlier one goes.
    void RemoveDuplicates();

    // The directory field as a path, and a path into it.
    std::string DirectoryText() const;
    void SetDirectoryText(const std::string& path);

    // The path a line of ListBox holds.
    static std::string AnnexOf(const QListWidgetItem* line);

public slots:
    // Nothing leaves the dialog but its buttons.
    void reject() override {}
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateOptionPage(QWidget* page);
    void CreateAnnexPage(QWidget* page);
    void PageChanged(int index);
    void AddAnnexLine(const std::string& path);

    void DriveBoxChange();
    void DirectoryListChange();
    void AjouteBtnClick();
    void FileListDblClick();
    void SupBtnClick();
    void ListBoxDblClick();
    void Ok2BtnClick();
    void OkBtnClick();
    void AnnuleBtnClick();
    void Annule2BtnClick();
    void ParcoursBtnClick();

    settings::Settings& settings_;
    TRepForm* repForm_;
    // The annex page's lists walk CD images as folders; they are let go when the dialog closes.
    platform::Places places_;
    // The directory field shows a path decoded; as long as the user has not changed the
    // text, the path's own bytes are given back.
    std::string directoryBytes_;
    QString directoryShown_;
};

} // namespace fendix::ui
