#pragma once

#include "platform/Places.h"
#include "ui/FileNames.h"

#include <QComboBox>
#include <QListWidget>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace fendix::ui {

// The lists through which the dialogs walk the file system: the mounted volumes, the
// directories, the files of one directory. A CD image is walked as a folder, through the
// places of the dialog that holds the lists. Paths and names are the file system's bytes;
// the lists show them decoded in the local 8-bit encoding of file names and keep the bytes,
// so that what the user picks names exactly the file that is there.

// The description files a file list shows.
inline constexpr std::string_view DescriptionMask = "*.asc;*.bbs";

// The full path of a file picked in a directory: the directory, "/", then the name. The
// "/" is put in every time, also after the root, which gives "//NAME".
std::string AnnexPath(std::string_view directory, std::string_view name);

// A path made absolute against the process's current directory and cleaned of its empty
// and "." parts, each ".." taking away the part before it (never above the root). Symbolic
// links are kept as named. The root is "/", no other result ends in "/".
std::string CleanPath(std::string_view path);

// One mounted volume: its root, as the file system names it, and its label if it has one.
struct Volume {
    std::string root;
    QString label;
    enum Kind { Disk, Disc, Network } kind = Disk;
};

// The mounted volumes, sorted by their roots ("/" is always among them), then the optical
// drives that hold a disc libiso9660 can read, by their device ("/dev/sr0").
std::vector<Volume> MountedVolumes();

// The drive list: a drop-down of the mounted volumes. It starts on the volume that holds
// the process's current directory. A choice of the user that changes the volume signals
// DriveChanged; the list is read afresh each time it drops down.
class DriveComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveComboBox(QWidget* parent = nullptr);

    // The root of the selected volume ("/" when there is none).
    std::string Drive() const;

    // Shows the volume that holds a path, without signalling.
    void SelectVolumeOf(std::string_view path);

    // Puts back the volume shown before the last change, without signalling: a change
    // that could not be followed leaves the list as it was.
    void UndoChange();

    // Replaces the volumes shown, keeping the selected one when it is still there.
    void SetVolumes(std::vector<Volume> volumes);

    const std::vector<Volume>& Volumes() const noexcept { return volumes_; }

signals:
    void DriveChanged();

protected:
    void showPopup() override;

private:
    void Activated(int index);

    std::vector<Volume> volumes_;
    int shownIndex_ = -1;
    int previousIndex_ = -1;
};

// The directory list: where it is, as the chain of directories from the root down to the
// current one, followed by the current directory's subdirectories and CD images (hidden ones
// left out), sorted by name; an image shows a disc. A double-click on a line, Space or the
// Right arrow moves to the directory of the highlighted line (into an image as into a
// folder); Backspace or the Left arrow to the parent of the directory shown. Moving to the
// directory already shown reads it afresh, so that what was made in it since shows. A move
// that fails is reported and leaves the list where it was. Enter opens the highlighted CD
// image, as a double-click does; anywhere else it is the dialog's: it presses its default
// button. It starts at the current place of `places`, through which it lists
// every folder.
class DirectoryListBox : public QListWidget {
    Q_OBJECT

public:
    explicit DirectoryListBox(platform::Places& places, QWidget* parent = nullptr);

    // The full path of the directory shown; the root of a volume ends in "/" ("/",
    // "/media/cd/"), other directories do not.
    const std::string& Directory() const noexcept { return shown_; }

    // Moves to a directory, named by a full path or one relative to the process's current
    // directory. An empty text, or the directory already shown, changes nothing. A path that
    // names no directory that can be listed raises EInOutError with the system's code, and
    // the list stays where it was.
    void SetDirectory(const std::string& path);

    // Moves to the root of a volume, as SetDirectory does.
    void SetDrive(const std::string& root);

    // The full path that a line stands for.
    std::string PathOf(const QListWidgetItem* item) const;

signals:
    // The directory shown has changed, or was read afresh.
    void DirectoryChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The user's moves: to a line's directory, to the parent of the directory shown.
    void Open(QListWidgetItem* item);
    void OpenParent();
    // Lists a directory (a clean full path) and shows it.
    void Show(const std::string& target);

    platform::Places& places_;
    std::string directory_; // the directory, without a "/" at its end but for the root
    std::string shown_;     // the same as Directory() gives it
};

// The file list: the ordinary files of one directory (no directories, no hidden files) whose
// names match one of the patterns of its mask ("*.asc;*.bbs"), matched without regard to
// case, by bare name, sorted by name. A directory may lie inside a CD image.
class FileListBox : public QListWidget {
    Q_OBJECT

public:
    FileListBox(std::string_view mask, platform::Places& places, QWidget* parent = nullptr);

    const std::string& Mask() const noexcept { return mask_; }
    const std::string& Directory() const noexcept { return directory_; }

    // Shows the files of a directory. A directory that cannot be listed raises EInOutError;
    // the list is then empty.
    void ShowDirectory(const std::string& directory);

    // The bare name of a line, as the file system stores it.
    std::string FileName(int row) const;

private:
    std::string mask_;
    platform::Places& places_;
    std::string directory_;
};

} // namespace fendix::ui
