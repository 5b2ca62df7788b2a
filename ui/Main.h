#pragma once

#include "catalogue/Catalogue.h"
#include "engine/SearchRun.h"
#include "settings/Settings.h"

#include <QWidget>

#include <chrono>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMdiArea;
class QPushButton;
class QRadioButton;

namespace fendix::ui {

class ApplicationHint;
class TDescForm;
class TOptionForm;
class TScanForm;

// The main window: the search criteria, the list of description files with its group
// boxes, the search button, loading and saving the configuration, the options and the way
// out. It owns the program's shared state: the catalogue, the search state and the
// settings.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    // Creating the window runs FormCreate, which loads the settings from `iniPath` (the
    // directory `firstDir`, with its trailing "/", is the default directory of a first
    // start). A relative default directory is taken against `startDirectory`, the
    // directory the program started in (the current directory when it is empty). An error
    // of the load is reported, and the window is usable all the same, with what the load
    // could build.
    TMainForm(std::string iniPath, std::string firstDir, std::string startDirectory = {},
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows of a search run, created after this one.
    void SetRunWindows(TScanForm* scanForm, TDescForm* descForm);

    // The options dialog, created after this one.
    void SetOptionForm(TOptionForm* optionForm) noexcept { optionForm_ = optionForm; }

    // During a search run, pending input is handled once per line read, but at most once
    // in this interval.
    void SetMessageInterval(std::chrono::steady_clock::duration interval) { messageInterval_ = interval; }

    catalogue::Catalogue& CatalogueModel() noexcept { return catalogue_; }
    engine::SearchState& State() noexcept { return state_; }
    settings::Settings& SettingsValues() noexcept { return settings_; }
    platform::Places& PlacesOf() noexcept { return places_; }

    // Shows the catalogue again as the model holds it: the list, its selection and the
    // group boxes (after the catalogue was built anew).
    void RefreshCatalogueView();

    QMdiArea* Workspace;
    QLabel* StatusLine;
    QGroupBox* Critere1;
    QLineEdit* TexteCritere1;
    QCheckBox* NonCheck1;
    QGroupBox* Critere2;
    QLineEdit* TexteCritere2;
    QCheckBox* NonCheck2;
    QRadioButton* EtRadio2;
    QRadioButton* OuRadio2;
    QGroupBox* Critere3;
    QLineEdit* TexteCritere3;
    QCheckBox* NonCheck3;
    QRadioButton* EtRadio3;
    QRadioButton* OuRadio3;
    QPushButton* RechercheBtn;
    QListWidget* ListeBox;
    QCheckBox* AscCheck;
    QCheckBox* VracCheck;
    QCheckBox* AutreCheck;
    QCheckBox* AnnexeCheck;
    QPushButton* ChargerBtn;
    QPushButton* SauveBtn;
    QPushButton* OptBtn;
    QPushButton* QuitterBtn;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;

signals:
    // The window has closed, after saving the settings or, when they could not be saved,
    // without them as the user chose: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class RunWindows;

    void CreateControls();
    void CreateWorkspace();
    void CreateCriteria();
    void CreateButtons();
    void CreateFileList();
    void CreateCredits();
    void ConnectHandlers();
    void FormCreate();
    void ShowHint(const QString& hint);
    void TexteCritere1Change();
    void TexteCritere2Change();
    void RechercheBtnClick();
    void ListeBoxSelectionChanged();
    void ListeBoxClick();
    void GroupCheckClick(catalogue::TFileGroup group);
    void AnnexeCheckClick();
    void ChargerBtnClick();
    void SauveBtnClick();
    void OptBtnClick();
    void QuitterBtnClick();
    bool FormClose();

    void RefreshSelection();
    void RefreshGroupChecks();

    // The current place (the default directory) and the CD images a run opens.
    platform::Places places_;
    catalogue::Catalogue catalogue_;
    engine::SearchState state_;
    settings::Settings settings_;
    std::string iniPath_;
    std::string firstDir_;

    ApplicationHint* hint_ = nullptr;
    TScanForm* scanForm_ = nullptr;
    TDescForm* descForm_ = nullptr;
    TOptionForm* optionForm_ = nullptr;
    // About one frame of a 60 Hz screen: the progress window cannot be seen to change more
    // often, and a click is still answered within a frame. Each pass repaints the caption
    // and the gauges, which costs a few tenths of a millisecond of the reading.
    std::chrono::steady_clock::duration messageInterval_ = std::chrono::milliseconds(16);
    bool refreshingView_ = false;
    bool running_ = false;
};

} // namespace fendix::ui
