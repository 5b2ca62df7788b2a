#include "ui/Main.h"

#include "engine/Highlight.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "ui/Affiche.h"
#include "ui/ApplicationHint.h"
#include "ui/Controls.h"
#include "ui/Cp437.h"
#include "ui/ErrorReport.h"
#include "ui/FileNames.h"
#include "ui/Gauge.h"
#include "ui/Keys.h"
#include "ui/Option.h"
#include "ui/Scaling.h"
#include "ui/Scan.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTabWidget>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

namespace fendix::ui {

namespace {

// The empty workspace of the window, seen between its controls.
const QColor WorkspaceColour(0x80, 0x80, 0x80);
// The grey of disabled text on the button face, dark enough to be read.
const QColor DisabledText(0x80, 0x80, 0x80);

// A group check box shows the state that the catalogue gives it: a click never moves it by
// itself (so the user can never choose grey); the click handler asks the catalogue.
class GroupCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// Every line of the list has the same height, as designed.
class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
    }

private:
    int height_;
};

Qt::CheckState ToQt(catalogue::TCheckBoxState state)
{
    switch (state) {
    case catalogue::cbUnchecked:
        return Qt::Unchecked;
    case catalogue::cbGrayed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Checked;
    }
}

// Asked after the settings could not be saved as the window closes: true to leave without
// them. "&Non", which keeps the window, is the default and the answer of Escape.
bool AskQuitWithoutSaving(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, ApplicationTitle,
                    QStringLiteral("Quitter sans sauver la configuration ?"), QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    const QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    WidenForCaption(box);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

// The windows of one search run, as the engine sees them: the main window's criterion
// controls, the progress window and the description window.
class RunWindows final : public engine::SearchWindows {
public:
    using Clock = std::chrono::steady_clock;

    RunWindows(TMainForm& main, TScanForm& scan, TDescForm& desc, Clock::duration interval)
        : main_(main), scan_(scan), desc_(desc), interval_(interval)
    {
    }

    engine::Criteria ReadCriteria() override
    {
        engine::Criteria criteria;
        criteria.texts[0] = EncodeCp437(main_.TexteCritere1->text());
        criteria.texts[1] = EncodeCp437(main_.TexteCritere2->text());
        criteria.texts[2] = EncodeCp437(main_.TexteCritere3->text());
        criteria.negated[0] = main_.NonCheck1->isChecked();
        criteria.negated[1] = main_.NonCheck2->isChecked();
        criteria.negated[2] = main_.NonCheck3->isChecked();
        criteria.EtRadio2 = main_.EtRadio2->isChecked();
        criteria.EtRadio3 = main_.EtRadio3->isChecked();
        return criteria;
    }

    bool AnnexeChecked() override { return main_.catalogue_.AnnexeCheck; }

    // Events are processed now and then (below); with an interval of zero, at every line.
    engine::Pacing ReadingPacing() override
    {
        return interval_ > Clock::duration::zero() ? engine::Pacing::NowAndThen : engine::Pacing::EveryLine;
    }

    // Called now and then while a file is read (at least once for every 256 KiB), or after
    // every line when the interval is zero, which processes the events each time. Otherwise
    // the events are really processed only when the interval has passed since the last
    // time. Reading the clock costs more than a call that does nothing, so the clock is read
    // only every `stride_` calls: the stride grows while the readings come close together
    // and shrinks eightfold as soon as the reading slows down (a slow disc), which keeps the
    // readings some tenths of a millisecond apart.
    void ProcessMessages() override
    {
        if (interval_ <= Clock::duration::zero()) {
            ShowProgress();
            QCoreApplication::processEvents();
            return;
        }
        if (++calls_ < stride_)
            return;
        calls_ = 0;
        const Clock::time_point now = Clock::now();
        const Clock::duration sinceReading = now - lastReading_;
        lastReading_ = now;
        if (sinceReading < ReadingSpacing / 2)
            stride_ = std::min(stride_ * 2, MaxStride);
        else if (sinceReading > ReadingSpacing * 2)
            stride_ = std::max(stride_ / 8, 1U);
        if (now - lastPass_ < interval_)
            return;
        ShowProgress();
        QCoreApplication::processEvents();
        Restart();
    }

    // The caption and the gauges are kept here and given to the progress window just before
    // it can be seen: at a pass of event processing, before a modal window, at the end of
    // the run. A file read between two passes never costs a repaint.
    void SetFileCaption(std::string_view caption) override
    {
        caption_.assign(caption);
        captionChanged_ = true;
    }
    void SetFileGauge(int percent) override { fileGauge_ = percent; }
    void SetTotalGauge(int percent) override { totalGauge_ = percent; }

    void ShowEntry(std::string_view label, const engine::ShownEntry& entry) override
    {
        // The places where the texts of the search occur are highlighted.
        const engine::Highlighter marks(ReadCriteria(), main_.settings_.IgnoreCase);
        ShowProgress();
        // A file inside a CD image is named with its whole path, image included.
        std::string whole;
        try {
            if (!label.starts_with('/') && main_.places_.InImage(".")) {
                whole = main_.places_.AbsolutePath(label);
                label = whole;
            }
        } catch (const platform::EProgramError&) {
            // The name alone, then: the image's error comes with its next file.
        }
        desc_.ShowEntry(label, entry.Lines(), marks);
        Restart();
    }

    void ShowInvalidFile(std::string_view message) override
    {
        ShowProgress();
        ShowInvalidFileBox(&scan_, DecodeName(message));
        Restart();
    }

    void BeginRun() override
    {
        ShowProgress();
        main_.hide();
        scan_.ShowForRun();
        Restart();
    }

    void EndRun() override
    {
        ShowProgress();
        scan_.hide();
        main_.show();
        main_.raise();
        main_.activateWindow();
    }

private:
    static constexpr Clock::duration ReadingSpacing = std::chrono::microseconds(250);
    static constexpr unsigned MaxStride = 128;

    // The progress window takes the caption and the gauge values given since it last did.
    void ShowProgress()
    {
        if (captionChanged_) {
            scan_.SetFileCaption(DecodeName(caption_));
            captionChanged_ = false;
        }
        if (fileGauge_)
            scan_.FicGauge->SetProgress(*std::exchange(fileGauge_, std::nullopt));
        if (totalGauge_)
            scan_.TotalGauge->SetProgress(*std::exchange(totalGauge_, std::nullopt));
    }

    // Events have just been processed: the interval starts again.
    void Restart()
    {
        lastPass_ = lastReading_ = Clock::now();
        calls_ = 0;
    }

    TMainForm& main_;
    TScanForm& scan_;
    TDescForm& desc_;
    Clock::duration interval_;
    Clock::time_point lastPass_ = Clock::now();
    Clock::time_point lastReading_ = lastPass_;
    unsigned calls_ = 0;
    unsigned stride_ = 1;
    std::string caption_;
    bool captionChanged_ = false;
    std::optional<int> fileGauge_;
    std::optional<int> totalGauge_;
};

TMainForm::TMainForm(std::string iniPath, std::string firstDir, std::string startDirectory, QWidget* parent)
    : QWidget(parent), iniPath_(std::move(iniPath)), firstDir_(std::move(firstDir))
{
    settings_.StartDirectory = std::move(startDirectory);
    CreateControls();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::SetRunWindows(TScanForm* scanForm, TDescForm* descForm)
{
    scanForm_ = scanForm;
    descForm_ = descForm;
}

void TMainForm::CreateControls()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ApplicationTitle);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(Scaled(661), Scaled(410));
    move(Scaled(240), Scaled(169));
    setFont(SansFont(14, true));

    CreateWorkspace();
    CreateCriteria();
    CreateButtons();
    CreateFileList();
    CreateCredits();

    // The controls stand on the dark workspace, each on its own button face.
    for (QWidget* control :
         std::initializer_list<QWidget*>{StatusLine, Critere1, Critere2, Critere3, AscCheck, VracCheck,
                                         AutreCheck, AnnexeCheck, Edit1, Edit2, Edit3})
        control->setAutoFillBackground(true);

    FitFontToButtons(this, 11);

    const std::array<QWidget*, 20> tabOrder{
        TexteCritere1, NonCheck1,   TexteCritere2, NonCheck2,    EtRadio2, OuRadio2,  TexteCritere3,
        NonCheck3,     EtRadio3,    OuRadio3,      RechercheBtn, ListeBox, AscCheck,  VracCheck,
        AutreCheck,    AnnexeCheck, ChargerBtn,    SauveBtn,     OptBtn,   QuitterBtn};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    TexteCritere1->setFocus();

    ConnectHandlers();
}

// The empty multiple-document workspace, which fills the window above the status line, the
// controls standing in front of it; and the status line.
void TMainForm::CreateWorkspace()
{
    Workspace = MakeControl<QMdiArea>("Workspace", this, ScaledRect(0, 0, 661, 382));
    Workspace->setBackground(WorkspaceColour);
    Workspace->setFocusPolicy(Qt::NoFocus);

    StatusLine = MakeControl<QLabel>("StatusLine", this, ScaledRect(0, 382, 661, 28), QString());
    StatusLine->setFont(SansFont(15, false));
    StatusLine->setFrameStyle(QFrame::Panel | QFrame::Raised);
    StatusLine->setLineWidth(1);
    StatusLine->setMargin(Scaled(2));
    StatusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusLine->setTextFormat(Qt::PlainText);
    QPalette black = StatusLine->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    StatusLine->setPalette(black);
}

// The three criterion boxes, with their texts, "Non" boxes and joins.
void TMainForm::CreateCriteria()
{
    Critere1 =
        MakeControl<QGroupBox>("Critere1", this, ScaledRect(10, 10, 257, 80), QStringLiteral("1° Critère"));
    TexteCritere1 = MakeControl<QLineEdit>("TexteCritere1", Critere1, ScaledRect(10, 49, 237, 24));
    TexteCritere1->setStatusTip(QStringLiteral("Premier critère de recherche"));
    NonCheck1 =
        MakeControl<QCheckBox>("NonCheck1", Critere1, ScaledRect(10, 20, 70, 21), QStringLiteral("Non"));

    Critere2 =
        MakeControl<QGroupBox>("Critere2", this, ScaledRect(10, 108, 267, 90), QStringLiteral("2° Critère"));
    TexteCritere2 = MakeControl<QLineEdit>("TexteCritere2", Critere2, ScaledRect(10, 59, 228, 24));
    TexteCritere2->setStatusTip(QStringLiteral("Second critère de recherche"));
    NonCheck2 =
        MakeControl<QCheckBox>("NonCheck2", Critere2, ScaledRect(10, 20, 60, 30), QStringLiteral("Non"));
    EtRadio2 =
        MakeControl<QRadioButton>("EtRadio2", Critere2, ScaledRect(98, 20, 51, 30), QStringLiteral("Et"));
    OuRadio2 =
        MakeControl<QRadioButton>("OuRadio2", Critere2, ScaledRect(167, 20, 61, 30), QStringLiteral("Ou"));
    EtRadio2->setChecked(true);
    Critere2->setEnabled(false);
    Critere2->setVisible(false);

    Critere3 =
        MakeControl<QGroupBox>("Critere3", this, ScaledRect(10, 217, 267, 89), QStringLiteral("3° Critère"));
    TexteCritere3 = MakeControl<QLineEdit>("TexteCritere3", Critere3, ScaledRect(10, 59, 228, 24));
    TexteCritere3->setStatusTip(QStringLiteral("Troisième et dernier critère de recherche"));
    NonCheck3 =
        MakeControl<QCheckBox>("NonCheck3", Critere3, ScaledRect(10, 20, 60, 30), QStringLiteral("Non"));
    EtRadio3 =
        MakeControl<QRadioButton>("EtRadio3", Critere3, ScaledRect(98, 20, 51, 30), QStringLiteral("Et"));
    OuRadio3 =
        MakeControl<QRadioButton>("OuRadio3", Critere3, ScaledRect(167, 20, 61, 30), QStringLiteral("Ou"));
    EtRadio3->setChecked(true);
    Critere3->setEnabled(false);
    Critere3->setVisible(false);
}

// The buttons: the search, the configuration, the options and the way out.
void TMainForm::CreateButtons()
{
    RechercheBtn = MakeControl<QPushButton>("RechercheBtn", this, ScaledRect(10, 325, 198, 41),
                                            QStringLiteral("&Recherche"));
    RechercheBtn->setStatusTip(QStringLiteral("Lance la recherche avec le(s) critère(s) courant(s)"));
    RechercheBtn->setDefault(true);
    RechercheBtn->setEnabled(false);

    ChargerBtn = MakeControl<QPushButton>("ChargerBtn", this, ScaledRect(226, 325, 199, 41),
                                          QStringLiteral("&Charger configuration"));
    ChargerBtn->setStatusTip(QStringLiteral("Charge les fichiers les plus souvent scannés"));
    SauveBtn = MakeControl<QPushButton>("SauveBtn", this, ScaledRect(443, 325, 198, 41),
                                        QStringLiteral("&Sauver configuration"));
    SauveBtn->setStatusTip(QStringLiteral("Sauvegarde les fichiers sélectionnés dans le .INI"));
    OptBtn =
        MakeControl<QPushButton>("OptBtn", this, ScaledRect(502, 226, 139, 41), QStringLiteral("&Option"));
    OptBtn->setStatusTip(QStringLiteral("Modifie les options du programme"));
    QuitterBtn = MakeControl<QPushButton>("QuitterBtn", this, ScaledRect(502, 276, 139, 40),
                                          QStringLiteral("&Quitter"));
    QuitterBtn->setStatusTip(QStringLiteral("Quitte cette fantastique application"));
}

// The list of description files and the group boxes beside it.
void TMainForm::CreateFileList()
{
    ListeBox = MakeControl<QListWidget>("ListeBox", this, ScaledRect(295, 10, 189, 290));
    ListeBox->setStatusTip(QStringLiteral("Liste des fichiers de descriptions de CD-ROMS"));
    ListeBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListeBox->setSortingEnabled(false);
    ListeBox->setUniformItemSizes(true);
    ListeBox->setItemDelegate(new FixedHeightDelegate(Scaled(16), ListeBox));

    AscCheck =
        MakeControl<GroupCheckBox>("AscCheck", this, ScaledRect(502, 10, 67, 31), QStringLiteral("&Asc"));
    AscCheck->setStatusTip(QStringLiteral("Sélectionne l'ensemble des fichiers ASC"));
    VracCheck =
        MakeControl<GroupCheckBox>("VracCheck", this, ScaledRect(502, 39, 67, 31), QStringLiteral("&Vrac"));
    VracCheck->setStatusTip(QStringLiteral("Sélectionne l'ensemble des fichiers VRAC"));
    AutreCheck =
        MakeControl<GroupCheckBox>("AutreCheck", this, ScaledRect(502, 69, 67, 31), QStringLiteral("A&utre"));
    AutreCheck->setStatusTip(
        QStringLiteral("Sélectionne l'ensemble des fichiers qui ne sont ni de type ASC ou VRAC"));
    for (QCheckBox* box : {AscCheck, VracCheck, AutreCheck}) {
        box->setTristate(true);
        box->setCheckState(Qt::Checked);
    }
    AnnexeCheck =
        MakeControl<QCheckBox>("AnnexeCheck", this, ScaledRect(502, 197, 120, 21), QStringLiteral("A&nnexe"));
    AnnexeCheck->setStatusTip(QStringLiteral("Utilise les fichiers définis dans l'onglet."));
    AnnexeCheck->setChecked(true);
}

// Three lines of text at the right of the window: read-only, disabled, without a border,
// on the button face, never taking the focus.
void TMainForm::CreateCredits()
{
    Edit1 = MakeControl<QLineEdit>("Edit1", this, ScaledRect(496, 112, 145, 17));
    Edit1->setText(QStringLiteral(" Win Fendix  v1.01"));
    Edit1->setStatusTip(QStringLiteral("Le beau programme que voilà"));
    Edit2 = MakeControl<QLineEdit>("Edit2", this, ScaledRect(496, 136, 145, 17));
    Edit2->setText(QStringLiteral(" par Dorvan"));
    Edit2->setStatusTip(QStringLiteral("L'auteur de cette merveille"));
    Edit3 = MakeControl<QLineEdit>("Edit3", this, ScaledRect(496, 160, 145, 17));
    Edit3->setText(QStringLiteral(" Freeware 1997"));
    Edit3->setStatusTip(QStringLiteral("Offert à tous depuis 1997"));
    for (QLineEdit* edit : {Edit1, Edit2, Edit3}) {
        edit->setReadOnly(true);
        edit->setEnabled(false);
        edit->setFrame(false);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setTextMargins(0, 0, 0, 0);
        QPalette face = edit->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            face.setColor(group, QPalette::Base, face.color(group, QPalette::Button));
        face.setColor(QPalette::Disabled, QPalette::Text, DisabledText);
        edit->setPalette(face);
    }
}

// The controls to their handlers.
void TMainForm::ConnectHandlers()
{
    connect(TexteCritere1, &QLineEdit::textChanged, this, &TMainForm::TexteCritere1Change);
    connect(TexteCritere2, &QLineEdit::textChanged, this, &TMainForm::TexteCritere2Change);
    connect(RechercheBtn, &QPushButton::clicked, this, &TMainForm::RechercheBtnClick);
    connect(ListeBox, &QListWidget::itemSelectionChanged, this, &TMainForm::ListeBoxSelectionChanged);
    connect(AscCheck, &QCheckBox::clicked, this, [this] { GroupCheckClick(catalogue::fgAsc); });
    connect(VracCheck, &QCheckBox::clicked, this, [this] { GroupCheckClick(catalogue::fgVrac); });
    connect(AutreCheck, &QCheckBox::clicked, this, [this] { GroupCheckClick(catalogue::fgAutre); });
    connect(AnnexeCheck, &QCheckBox::clicked, this, &TMainForm::AnnexeCheckClick);
    connect(ChargerBtn, &QPushButton::clicked, this, &TMainForm::ChargerBtnClick);
    connect(SauveBtn, &QPushButton::clicked, this, &TMainForm::SauveBtnClick);
    connect(OptBtn, &QPushButton::clicked, this, &TMainForm::OptBtnClick);
    connect(QuitterBtn, &QPushButton::clicked, this, &TMainForm::QuitterBtnClick);
}

void TMainForm::FormCreate()
{
    hint_ = new ApplicationHint(this);
    connect(hint_, &ApplicationHint::HintChanged, this, &TMainForm::ShowHint);
    // A load that fails part-way still leaves a catalogue (empty when the default directory
    // could not be entered) and an annex list: the window shows what there is.
    ReportErrors(this, [&] { settings::LoadSettings(settings_, catalogue_, places_, iniPath_, firstDir_); });
    places_.CloseImages();
    RefreshCatalogueView();
}

void TMainForm::ShowHint(const QString& hint)
{
    StatusLine->setText(hint);
}

void TMainForm::TexteCritere1Change()
{
    const bool hasText = !TexteCritere1->text().isEmpty();
    Critere2->setEnabled(hasText);
    Critere2->setVisible(hasText);
    Critere3->setVisible(hasText && !TexteCritere2->text().isEmpty());
    RechercheBtn->setEnabled(hasText);
}

void TMainForm::TexteCritere2Change()
{
    const bool enabled = !TexteCritere2->text().isEmpty() && Critere2->isEnabledTo(this);
    Critere3->setEnabled(enabled);
    Critere3->setVisible(enabled);
}

void TMainForm::RechercheBtnClick()
{
    if (scanForm_ == nullptr || descForm_ == nullptr || running_)
        return;
    const QScopedValueRollback running(running_, true);
    RunWindows windows(*this, *scanForm_, *descForm_, messageInterval_);
    ReportErrors(this, [&] { engine::SearchRun(state_, catalogue_, settings_, places_, windows).Run(); });
}

void TMainForm::ListeBoxSelectionChanged()
{
    if (refreshingView_)
        return;
    const int count = std::min(ListeBox->count(), static_cast<int>(catalogue_.items.size()));
    for (int row = 0; row < count; ++row)
        catalogue_.items[static_cast<std::size_t>(row)].selected = ListeBox->item(row)->isSelected();
    ListeBoxClick();
}

void TMainForm::ListeBoxClick()
{
    catalogue::ListeBoxClick(catalogue_, !settings_.AnnexeFiles.empty());
    RefreshSelection();
    RefreshGroupChecks();
}

void TMainForm::GroupCheckClick(catalogue::TFileGroup group)
{
    catalogue::ClickCheck(catalogue_, group);
    RefreshSelection();
    RefreshGroupChecks();
}

void TMainForm::AnnexeCheckClick()
{
    catalogue_.AnnexeCheck = AnnexeCheck->isChecked();
}

void TMainForm::ChargerBtnClick()
{
    // The group boxes stay as they are until the next click in the list.
    ReportErrors(this, [&] { settings::LoadSelection(settings_, catalogue_, places_, iniPath_); });
    places_.CloseImages();
    RefreshSelection();
}

void TMainForm::SauveBtnClick()
{
    ReportErrors(this, [&] { settings::SaveSettings(settings_, catalogue_, iniPath_); });
}

void TMainForm::OptBtnClick()
{
    if (optionForm_ == nullptr)
        return;
    // The dialog edits the settings in place; a default directory that now differs (an exact,
    // case-sensitive comparison) gives a new catalogue.
    const std::string remembered = settings_.DefaultDir;
    optionForm_->FillOptionForm(settings_);
    optionForm_->Onglet->setCurrentIndex(0);
    optionForm_->exec();
    if (settings_.DefaultDir != remembered) {
        ReportErrors(this, [&] {
            catalogue::BuildCatalogue(
                catalogue_, places_,
                platform::ResolvedDirectory(settings_.DefaultDir, settings_.StartDirectory));
            places_.CloseImages();
        });
        RefreshCatalogueView();
    }
}

void TMainForm::QuitterBtnClick()
{
    close();
}

bool TMainForm::FormClose()
{
    return ReportErrors(this, [&] { settings::SaveSettings(settings_, catalogue_, iniPath_); });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // The settings are saved as the window closes. When they cannot be, the window stays,
    // unless the user chooses to leave without them.
    if (!FormClose() && !AskQuitWithoutSaving(this)) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the button that has the focus, or else the search button.
    if (IsEnterKey(event)) {
        PressFocusedButtonOr(*this, RechercheBtn);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::RefreshCatalogueView()
{
    {
        const QScopedValueRollback guard(refreshingView_, true);
        ListeBox->clear();
        for (const auto& item : catalogue_.items)
            ListeBox->addItem(DecodeName(item.name));
    }
    RefreshSelection();
    if (ListeBox->count() > 0)
        ListeBox->selectionModel()->setCurrentIndex(ListeBox->model()->index(0, 0),
                                                    QItemSelectionModel::NoUpdate);
    ListeBox->scrollToTop();
    RefreshGroupChecks();
}

void TMainForm::RefreshSelection()
{
    const QScopedValueRollback guard(refreshingView_, true);
    const QAbstractItemModel* model = ListeBox->model();
    const int count = std::min(ListeBox->count(), static_cast<int>(catalogue_.items.size()));
    QItemSelection selection;
    for (int row = 0; row < count;) {
        if (!catalogue_.items[static_cast<std::size_t>(row)].selected) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && catalogue_.items[static_cast<std::size_t>(row)].selected)
            ++row;
        selection.select(model->index(first, 0), model->index(row - 1, 0));
    }
    ListeBox->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TMainForm::RefreshGroupChecks()
{
    const std::array<QCheckBox*, catalogue::GroupCount> boxes{AscCheck, VracCheck, AutreCheck};
    for (std::size_t group = 0; group < boxes.size(); ++group) {
        boxes[group]->setCheckState(ToQt(catalogue_.checks[group].state));
        boxes[group]->setEnabled(catalogue_.checks[group].enabled);
    }
    AnnexeCheck->setChecked(catalogue_.AnnexeCheck);
}

} // namespace fendix::ui
