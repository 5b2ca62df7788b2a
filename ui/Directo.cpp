#include "ui/Directo.h"

#include "ui/Controls.h"
#include "ui/ErrorReport.h"
#include "ui/FileViews.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace fendix::ui {

namespace {

// The window's outer size as designed, its frame included.
constexpr int DesignWidth = 380;
constexpr int DesignHeight = 359;

} // namespace

TRepForm::TRepForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RepForm"));
    setWindowTitle(QStringLiteral("Choisissez un répertoire"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setSizeGripEnabled(true);
    setFont(SansFont(16, true));

    DirectoryBox = MakeControl<DirectoryListBox>("DirectoryBox", this, ScaledRect(10, 10, 135, 301), places_);
    Drive = MakeControl<DriveComboBox>("Drive", this, ScaledRect(168, 10, 191, 26));
    Button1 = MakeControl<QPushButton>("Button1", this, ScaledRect(168, 218, 191, 41), QStringLiteral("&Ok"));
    Button2 =
        MakeControl<QPushButton>("Button2", this, ScaledRect(168, 268, 191, 41), QStringLiteral("&Annule"));
    FileList =
        MakeControl<FileListBox>("FileList", this, ScaledRect(168, 50, 191, 151), DescriptionMask, places_);
    FileList->setSelectionMode(QAbstractItemView::SingleSelection);

    // Nothing may be cut off: the window never gets smaller than its controls need. Until
    // the window system tells how wide its frame is, the client area takes the whole size.
    setMinimumSize(Scaled(168 + 191 + 10), Scaled(10 + 301 + 8));
    designClient_ = QSize(Scaled(DesignWidth), Scaled(DesignHeight));
    resize(designClient_);
    move(Scaled(226), Scaled(155));

    Button1->setDefault(true);
    setTabOrder(DirectoryBox, Drive);
    setTabOrder(Drive, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, FileList);
    DirectoryBox->setFocus();

    connect(Drive, &DriveComboBox::DriveChanged, this, &TRepForm::DriveChange);
    connect(DirectoryBox, &DirectoryListBox::DirectoryChanged, this, &TRepForm::DirectoryBoxChange);
    connect(Button1, &QPushButton::clicked, this, [this] { done(OkResult); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(CancelResult); });

    // The file list starts on the directory the directory list starts on.
    TryWhileCreating([&] { FileList->ShowDirectory(DirectoryBox->Directory()); });
}

void TRepForm::StartIn(const std::string& directory)
{
    TryWhileCreating([&] { DirectoryBox->SetDirectory(directory); });
    Drive->SelectVolumeOf(DirectoryBox->Directory());
    places_.CloseImages();
}

void TRepForm::done(int result)
{
    places_.CloseImages();
    QDialog::done(result);
}

void TRepForm::keyPressEvent(QKeyEvent* event)
{
    // Escape does nothing: "&Annule" is no cancel button. Enter presses the button that has
    // the focus, or else "&Ok".
    if (IsEscapeKey(event)) {
        event->accept();
        return;
    }
    if (IsEnterKey(event)) {
        PressFocusedButtonOr(*this, Button1);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TRepForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceControls();
}

void TRepForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FitFrame();
}

void TRepForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // A window manager puts its frame around the window once it is on the screen.
    FitFrame();
}

void TRepForm::FitFrame()
{
    const QWindow* window = windowHandle();
    if (window == nullptr)
        return;
    const QMargins frame = window->frameMargins();
    if (frame == frame_)
        return;
    frame_ = frame;
    // The designed size is the outer one: the client area is what the frame leaves of it. A
    // size that the user chose stays.
    const bool asDesigned = size() == designClient_;
    designClient_ = QSize(Scaled(DesignWidth) - frame.left() - frame.right(),
                          Scaled(DesignHeight) - frame.top() - frame.bottom())
                        .expandedTo(minimumSize());
    if (asDesigned)
        resize(designClient_);
    PlaceControls();
}

void TRepForm::PlaceControls()
{
    // Room beyond the designed size goes to the directory list (both ways) and to the file
    // list (downwards); the drive list and the buttons follow the right and bottom edges.
    const int dw = std::max(0, width() - designClient_.width());
    const int dh = std::max(0, height() - designClient_.height());
    DirectoryBox->setGeometry(ScaledRect(10, 10, 135, 301).adjusted(0, 0, dw, dh));
    Drive->setGeometry(ScaledRect(168, 10, 191, 26).translated(dw, 0));
    FileList->setGeometry(ScaledRect(168, 50, 191, 151).translated(dw, 0).adjusted(0, 0, 0, dh));
    Button1->setGeometry(ScaledRect(168, 218, 191, 41).translated(dw, dh));
    Button2->setGeometry(ScaledRect(168, 268, 191, 41).translated(dw, dh));
}

void TRepForm::DriveChange()
{
    if (!ReportErrors(this, [&] { DirectoryBox->SetDrive(Drive->Drive()); }))
        Drive->UndoChange();
}

void TRepForm::DirectoryBoxChange()
{
    ReportErrors(this, [&] { FileList->ShowDirectory(DirectoryBox->Directory()); });
}

} // namespace fendix::ui
