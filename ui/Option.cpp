#include "ui/Option.h"

#include "platform/FileSystem.h"
#include "ui/Controls.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"
#include "ui/FileViews.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>

#include <unordered_set>

namespace fendix::ui {

namespace {

// What a line of the annex list keeps: the path as the file system names it.
constexpr int PathRole = Qt::UserRole;

constexpr int OkResult = 1;
constexpr int CancelResult = 2;

// A caption wider than its narrow button is set in a smaller size of the same font, so that
// it is read whole rather than cut at both ends.
void FitCaption(QPushButton* button)
{
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    const int room = button->width() - 2 * Scaled(5);
    QFont font = button->font();
    while (font.pixelSize() > Scaled(9) && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    if (font != button->font())
        button->setFont(font);
}

// The lines of a list as wide as the list, whatever their texts: a text too long for its
// line is shortened as the list's elide mode says, and the list never scrolls sideways.
class ListWidthDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
    }
};

} // namespace

TOptionForm::TOptionForm(settings::Settings& settings, TRepForm* repForm, QWidget* parent)
    : QDialog(parent), settings_(settings), repForm_(repForm)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Option de WinFendix v1.0"));
    // A caption and nothing else: no system menu, no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setFixedSize(Scaled(524), Scaled(336));
    move(Scaled(292), Scaled(204));
    setFont(SansFont(16, true));

    Onglet = MakeControl<QTabWidget>("Onglet", this, QRect(QPoint(0, 0), size()));
    Onglet->tabBar()->setFont(SansFont(12, false));
    auto* optionPage = new QWidget;
    optionPage->setObjectName(QStringLiteral("OptionPage"));
    auto* annexPage = new QWidget;
    annexPage->setObjectName(QStringLiteral("AnnexePage"));
    Onglet->addTab(optionPage, QStringLiteral("Option"));
    Onglet->addTab(annexPage, QStringLiteral("Fichiers annexes"));
    CreateOptionPage(optionPage);
    CreateAnnexPage(annexPage);

    setTabOrder(TotalCheck, DifCheck);
    setTabOrder(DifCheck, AnnexeCheck);
    setTabOrder(AnnexeCheck, RepEdit);
    setTabOrder(RepEdit, ParcoursBtn);
    setTabOrder(ParcoursBtn, Ok2Btn);
    setTabOrder(Ok2Btn, AnnuleBtn);
    setTabOrder(AnnuleBtn, FileList);
    setTabOrder(FileList, DirectoryList);
    setTabOrder(DirectoryList, DriveBox);
    setTabOrder(DriveBox, AjouteBtn);
    setTabOrder(AjouteBtn, SupBtn);
    setTabOrder(SupBtn, OkBtn);
    setTabOrder(OkBtn, ListBox);
    setTabOrder(ListBox, Annule2Btn);

    Onglet->setCurrentIndex(0);
    PageChanged(0);

    connect(Onglet, &QTabWidget::currentChanged, this, &TOptionForm::PageChanged);
    connect(DriveBox, &DriveComboBox::DriveChanged, this, &TOptionForm::DriveBoxChange);
    connect(DirectoryList, &DirectoryListBox::DirectoryChanged, this, &TOptionForm::DirectoryListChange);
    connect(AjouteBtn, &QPushButton::clicked, this, &TOptionForm::AjouteBtnClick);
    connect(FileList, &QListWidget::itemDoubleClicked, this, &TOptionForm::FileListDblClick);
    connect(SupBtn, &QPushButton::clicked, this, &TOptionForm::SupBtnClick);
    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TOptionForm::ListBoxDblClick);
    connect(Ok2Btn, &QPushButton::clicked, this, &TOptionForm::Ok2BtnClick);
    connect(OkBtn, &QPushButton::clicked, this, &TOptionForm::OkBtnClick);
    connect(AnnuleBtn, &QPushButton::clicked, this, &TOptionForm::AnnuleBtnClick);
    connect(Annule2Btn, &QPushButton::clicked, this, &TOptionForm::Annule2BtnClick);
    connect(ParcoursBtn, &QPushButton::clicked, this, &TOptionForm::ParcoursBtnClick);

    // The file list starts on the directory the directory list starts on.
    TryWhileCreating([&] { FileList->ShowDirectory(DirectoryList->Directory()); });
}

void TOptionForm::CreateOptionPage(QWidget* page)
{
    GroupBox1 = MakeControl<QGroupBox>("GroupBox1", page, ScaledRect(10, 10, 501, 141),
                                       QStringLiteral("Configuration "));
    TotalCheck = MakeControl<QCheckBox>("TotalCheck", GroupBox1, ScaledRect(10, 28, 411, 21),
                                        QStringLiteral("&Charger configuration au démarage"));
    Bevel1 = MakeControl<QFrame>("Bevel1", GroupBox1, ScaledRect(10, 56, 481, 9));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    DifCheck = MakeControl<QCheckBox>("DifCheck", GroupBox1, ScaledRect(10, 74, 391, 21),
                                      QStringLiteral("&Ignorer différence MAJ/min"));
    AnnexeCheck = MakeControl<QCheckBox>("AnnexeCheck", GroupBox1, ScaledRect(10, 107, 371, 21),
                                         QStringLiteral("&Traiter les annexes d'abord"));
    TotalCheck->setChecked(false);
    DifCheck->setChecked(true);
    AnnexeCheck->setChecked(true);

    GroupBox3 = MakeControl<QGroupBox>("GroupBox3", page, ScaledRect(10, 160, 501, 81),
                                       QStringLiteral("Répertoire par défaut "));
    // The path keeps its letters as typed: file names are case-sensitive here.
    RepEdit = MakeControl<QLineEdit>("RepEdit", GroupBox3, ScaledRect(10, 30, 291, 28), QString());
    ParcoursBtn = MakeControl<QPushButton>("ParcoursBtn", GroupBox3, ScaledRect(310, 30, 181, 31),
                                           QStringLiteral("&Parcourir"));

    Ok2Btn = MakeControl<QPushButton>("Ok2Btn", page, ScaledRect(10, 250, 239, 41), QStringLiteral("&Ok"));
    AnnuleBtn = MakeControl<QPushButton>("AnnuleBtn", page, ScaledRect(264, 250, 247, 41),
                                         QStringLiteral("&Annuler"));
}

void TOptionForm::CreateAnnexPage(QWidget* page)
{
    FileList =
        MakeControl<FileListBox>("FileList", page, ScaledRect(10, 10, 151, 151), DescriptionMask, places_);
    DirectoryList =
        MakeControl<DirectoryListBox>("DirectoryList", page, ScaledRect(170, 10, 151, 151), places_);
    DriveBox = MakeControl<DriveComboBox>("DriveBox", page, ScaledRect(340, 10, 161, 26));
    AjouteBtn =
        MakeControl<QPushButton>("AjouteBtn", page, ScaledRect(340, 50, 69, 31), QStringLiteral("&Ajouter"));
    SupBtn =
        MakeControl<QPushButton>("SupBtn", page, ScaledRect(416, 50, 89, 31), QStringLiteral("&Supprimer"));
    OkBtn = MakeControl<QPushButton>("OkBtn", page, ScaledRect(340, 90, 165, 31), QStringLiteral("&Ok"));
    ListBox = MakeControl<QListWidget>("ListBox", page, ScaledRect(10, 170, 495, 121));
    ListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox->setUniformItemSizes(true);
    // A path too long for the line is shortened in its middle: it keeps its beginning and
    // its file name; the hint gives the whole path.
    ListBox->setTextElideMode(Qt::ElideMiddle);
    ListBox->setItemDelegate(new ListWidthDelegate(ListBox));
    ListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Annule2Btn = MakeControl<QPushButton>("Annule2Btn", page, ScaledRect(340, 128, 165, 33),
                                          QStringLiteral("Annuler"));
    FitCaption(AjouteBtn);
    FitCaption(SupBtn);
}

void TOptionForm::PageChanged(int index)
{
    (index == 0 ? Ok2Btn : OkBtn)->setDefault(true);
}

void TOptionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Each opening starts at the first control of the page in front.
    if (Onglet->currentIndex() == 0)
        TotalCheck->setFocus();
    else
        FileList->setFocus();
}

void TOptionForm::keyPressEvent(QKeyEvent* event)
{
    // Escape does nothing: the dialog has no cancel button. Enter presses the button that has
    // the focus, or else the "&Ok" of the page in front.
    if (IsEscapeKey(event)) {
        event->accept();
        return;
    }
    if (IsEnterKey(event)) {
        PressFocusedButtonOr(*this, Onglet->currentIndex() == 0 ? Ok2Btn : OkBtn);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::string TOptionForm::DirectoryText() const
{
    const QString text = RepEdit->text();
    return text == directoryShown_ ? directoryBytes_ : EncodeName(text);
}

void TOptionForm::SetDirectoryText(const std::string& path)
{
    directoryBytes_ = path;
    directoryShown_ = DecodeName(path);
    RepEdit->setText(directoryShown_);
    RepEdit->setCursorPosition(0);
}

std::string TOptionForm::AnnexOf(const QListWidgetItem* line)
{
    return line != nullptr ? line->data(PathRole).toByteArray().toStdString() : std::string();
}

void TOptionForm::AddAnnexLine(const std::string& path)
{
    auto* line = new QListWidgetItem(DecodeName(path), ListBox);
    line->setToolTip(line->text());
    line->setData(PathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

void TOptionForm::FillOptionForm(const settings::Settings& settings)
{
    SetDirectoryText(settings.DefaultDir);
    DifCheck->setChecked(settings.IgnoreCase);
    TotalCheck->setChecked(settings.LoadAtStart);
    AnnexeCheck->setChecked(settings.AnnexeFirst);
    if (!settings.AnnexeFiles.empty()) {
        ListBox->clear();
        for (const auto& path : settings.AnnexeFiles)
            AddAnnexLine(path);
    }
}

void TOptionForm::ApplyOptions(settings::Settings& settings) const
{
    settings.DefaultDir = DirectoryText();
    settings.IgnoreCase = DifCheck->isChecked();
    settings.LoadAtStart = TotalCheck->isChecked();
    settings.AnnexeFirst = AnnexeCheck->isChecked();
    settings.AnnexeFiles.clear();
    for (int row = 0; row < ListBox->count(); ++row)
        settings.AnnexeFiles.push_back(AnnexOf(ListBox->item(row)));
}

void TOptionForm::AddAnnexes()
{
    const std::string& directory = DirectoryList->Directory();
    const int count = FileList->count();
    const int before = ListBox->count();
    for (int row = 0; row < count; ++row)
        if (FileList->item(row)->isSelected())
            AddAnnexLine(AnnexPath(directory, FileList->FileName(row)));
    const bool added = ListBox->count() > before;
    RemoveDuplicates();
    if (added)
        ListBox->scrollToBottom();
}

void TOptionForm::RemoveAnnexes()
{
    // From the last line up, so that a deletion never moves a line still to be visited.
    for (int row = ListBox->count() - 1; row >= 0; --row)
        if (ListBox->item(row)->isSelected())
            delete ListBox->takeItem(row);
}

void TOptionForm::RemoveDuplicates()
{
    std::unordered_set<std::string> seen;
    for (int row = 0; row < ListBox->count();) {
        if (seen.insert(AnnexOf(ListBox->item(row))).second)
            ++row;
        else
            delete ListBox->takeItem(row);
    }
}

void TOptionForm::DriveBoxChange()
{
    if (!ReportErrors(this, [&] { DirectoryList->SetDrive(DriveBox->Drive()); }))
        DriveBox->UndoChange();
}

void TOptionForm::DirectoryListChange()
{
    ReportErrors(this, [&] { FileList->ShowDirectory(DirectoryList->Directory()); });
}

void TOptionForm::AjouteBtnClick()
{
    AddAnnexes();
}

void TOptionForm::FileListDblClick()
{
    AddAnnexes();
}

void TOptionForm::SupBtnClick()
{
    RemoveAnnexes();
}

void TOptionForm::ListBoxDblClick()
{
    RemoveAnnexes();
}

void TOptionForm::Ok2BtnClick()
{
    ApplyOptions(settings_);
    done(OkResult);
}

void TOptionForm::OkBtnClick()
{
    ApplyOptions(settings_);
    done(OkResult);
}

void TOptionForm::StartIn(const std::string& directory)
{
    TryWhileCreating([&] { DirectoryList->SetDirectory(directory); });
    DriveBox->SelectVolumeOf(DirectoryList->Directory());
    places_.CloseImages();
}

void TOptionForm::done(int result)
{
    places_.CloseImages();
    QDialog::done(result);
}

void TOptionForm::AnnuleBtnClick()
{
    done(CancelResult);
}

void TOptionForm::Annule2BtnClick()
{
    done(CancelResult);
}

void TOptionForm::ParcoursBtnClick()
{
    if (repForm_ == nullptr)
        return;
    // A path that names no directory is reported, and the chooser is not shown.
    // A relative path is taken from the directory the program started in, as everywhere.
    if (!ReportErrors(this, [&] {
            repForm_->DirectoryBox->SetDirectory(
                platform::ResolvedDirectory(DirectoryText(), settings_.StartDirectory));
        }))
        return;
    if (repForm_->exec() == TRepForm::OkResult)
        SetDirectoryText(repForm_->DirectoryBox->Directory());
}

} // namespace fendix::ui
