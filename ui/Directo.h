#pragma once

#include "platform/Places.h"

#include <QDialog>
#include <QMargins>
#include <QSize>

class QPushButton;

namespace fendix::ui {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;

// The directory chooser: a directory list, a drive list and the description files of the
// directory shown. "&Ok" closes it with result 1, "&Annule" and the close box with result 2;
// Escape does nothing. The lists stay where the user left them from one opening to the next;
// CD images are walked as folders, and let go when the chooser closes.
class TRepForm : public QDialog {
    Q_OBJECT

public:
    explicit TRepForm(QWidget* parent = nullptr);

    // Puts the lists on a directory, as they start on the directory current when they are
    // made: the program makes the catalogue's directory current before it makes its dialogs.
    // A directory that cannot be listed leaves them where they are.
    void StartIn(const std::string& directory);

    DirectoryListBox* DirectoryBox;
    DriveComboBox* Drive;
    QPushButton* Button1;
    QPushButton* Button2;
    FileListBox* FileList;

    // The result of "&Ok" and of "&Annule".
    static constexpr int OkResult = 1;
    static constexpr int CancelResult = 2;

public slots:
    // The close box.
    void reject() override { done(CancelResult); }
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void DriveChange();
    void DirectoryBoxChange();
    void FitFrame();
    void PlaceControls();

    platform::Places places_;
    // The client area of the window at its designed size, and the frame it was worked out for.
    QSize designClient_;
    QMargins frame_;
};

} // namespace fendix::ui
