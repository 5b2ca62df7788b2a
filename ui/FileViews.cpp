#include "ui/FileViews.h"

#include "platform/FileSystem.h"
#include "platform/ImageVolume.h"
#include "platform/InOutError.h"
#include "ui/Controls.h"
#include "ui/ErrorReport.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace fendix::ui {

namespace {

// What a line of the directory list keeps: the full path it stands for and its depth.
constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int ImageRole = Qt::UserRole + 2; // a CD image in the directory shown
// What a line of the file list keeps: the bare name as the file system stores it.
constexpr int NameRole = Qt::UserRole;

// The code of the input/output error for a name that no file system call can take.
constexpr int BadNameCode = 3;

QByteArray Bytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string StdBytes(const QVariant& value)
{
    return value.toByteArray().toStdString();
}

// True when a directory is the root of a mounted volume.
bool IsVolumeRoot(const std::string& directory)
{
    const QStorageInfo volume(DecodeName(directory));
    return volume.isValid() && EncodeName(volume.rootPath()) == directory;
}

// True when a path lies on the volume mounted at `root`.
bool IsWithin(std::string_view path, std::string_view root)
{
    if (root == "/")
        return !path.empty() && path.front() == '/';
    if (path.substr(0, root.size()) != root)
        return false;
    return path.size() == root.size() || path[root.size()] == '/';
}

// The directory of a path as a prefix for the names in it: "/" stays "/", "/cd" gives "/cd/".
std::string AsPrefix(std::string_view directory)
{
    std::string prefix(directory);
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    return prefix;
}

std::vector<std::string> SplitMask(std::string_view mask)
{
    std::vector<std::string> patterns;
    while (!mask.empty()) {
        const std::size_t semicolon = mask.find(';');
        std::string_view pattern = mask.substr(0, semicolon);
        while (!pattern.empty() && pattern.front() == ' ')
            pattern.remove_prefix(1);
        while (!pattern.empty() && pattern.back() == ' ')
            pattern.remove_suffix(1);
        if (!pattern.empty())
            patterns.emplace_back(pattern);
        if (semicolon == std::string_view::npos)
            break;
        mask.remove_prefix(semicolon + 1);
    }
    return patterns;
}

// The lines of the directory list are indented by their depth below the root.
class DepthDelegate final : public QStyledItemDelegate {
public:
    DepthDelegate(int indent, QObject* parent) : QStyledItemDelegate(parent), indent_(indent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return QSize(size.width() + Indent(index), size.height());
    }

private:
    int Indent(const QModelIndex& index) const { return indent_ * index.data(DepthRole).toInt(); }

    int indent_;
};

} // namespace

std::string AnnexPath(std::string_view directory, std::string_view name)
{
    std::string path(directory);
    path += '/';
    path += name;
    return path;
}

std::string CleanPath(std::string_view path)
{
    const std::string absolute = platform::AbsolutePath(path);
    std::vector<std::string_view> parts;
    const auto walk = [&parts](std::string_view text) {
        while (!text.empty()) {
            const std::size_t slash = text.find('/');
            const std::string_view part = text.substr(0, slash);
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            if (slash == std::string_view::npos)
                break;
            text.remove_prefix(slash + 1);
        }
    };
    walk(absolute);

    if (parts.empty())
        return "/";
    std::string result;
    for (const auto part : parts) {
        result += '/';
        result += part;
    }
    return result;
}

std::vector<Volume> MountedVolumes()
{
    std::vector<Volume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid())
            continue;
        Volume volume;
        volume.root = EncodeName(info.rootPath());
        if (volume.root.empty() || volume.root.front() != '/')
            continue;
        volume.label = info.name();
        const QByteArray type = info.fileSystemType();
        if (type == "iso9660" || type == "udf")
            volume.kind = Volume::Disc;
        else if (type.startsWith("nfs") || type == "cifs" || type.startsWith("smb") || type == "fuse.sshfs")
            volume.kind = Volume::Network;
        volumes.push_back(std::move(volume));
    }
    if (std::none_of(volumes.begin(), volumes.end(), [](const Volume& v) { return v.root == "/"; }))
        volumes.push_back(Volume{"/", QString(), Volume::Disk});
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const Volume& a, const Volume& b) { return a.root < b.root; });
    volumes.erase(std::unique(volumes.begin(), volumes.end(),
                              [](const Volume& a, const Volume& b) { return a.root == b.root; }),
                  volumes.end());
    for (std::string& drive : platform::OpticalDiscs())
        volumes.push_back(Volume{std::move(drive), QString(), Volume::Disc});
    return volumes;
}

// The drive list.

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    SetVolumes(MountedVolumes());
    // Without a current directory the list stays on the first volume, the root.
    TryWhileCreating([&] { SelectVolumeOf(platform::CurrentDirectory()); });
    connect(this, &QComboBox::activated, this, &DriveComboBox::Activated);
}

std::string DriveComboBox::Drive() const
{
    const int index = currentIndex();
    if (index < 0 || index >= static_cast<int>(volumes_.size()))
        return "/";
    return volumes_[static_cast<std::size_t>(index)].root;
}

void DriveComboBox::SelectVolumeOf(std::string_view path)
{
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
        const std::string& root = volumes_[i].root;
        if (IsWithin(path, root) && (best < 0 || root.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    if (best < 0)
        return;
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
    previousIndex_ = shownIndex_;
    shownIndex_ = best;
}

void DriveComboBox::UndoChange()
{
    if (previousIndex_ < 0 || previousIndex_ >= count())
        return;
    const QSignalBlocker quiet(this);
    setCurrentIndex(previousIndex_);
    shownIndex_ = previousIndex_;
    previousIndex_ = -1;
}

void DriveComboBox::SetVolumes(std::vector<Volume> volumes)
{
    const std::string selected = currentIndex() >= 0 ? Drive() : std::string();
    const QSignalBlocker quiet(this);
    volumes_ = std::move(volumes);
    clear();
    int keep = 0;
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
        const Volume& volume = volumes_[i];
        QString text = DecodeName(volume.root);
        if (!volume.label.isEmpty())
            text += QStringLiteral("  [%1]").arg(volume.label);
        const QStyle::StandardPixmap icon = volume.kind == Volume::Disc      ? QStyle::SP_DriveCDIcon
                                            : volume.kind == Volume::Network ? QStyle::SP_DriveNetIcon
                                                                             : QStyle::SP_DriveHDIcon;
        addItem(style()->standardIcon(icon), text);
        if (volume.root == selected)
            keep = static_cast<int>(i);
    }
    setCurrentIndex(volumes_.empty() ? -1 : keep);
    shownIndex_ = currentIndex();
    previousIndex_ = -1;
}

void DriveComboBox::showPopup()
{
    // Volumes come and go (a disc put in, a stick pulled out): the list is read afresh.
    SetVolumes(MountedVolumes());
    view()->setMinimumWidth(std::max(width(), view()->sizeHintForColumn(0) + Scaled(24)));
    QComboBox::showPopup();
}

void DriveComboBox::Activated(int index)
{
    if (index == shownIndex_)
        return;
    previousIndex_ = shownIndex_;
    shownIndex_ = index;
    emit DriveChanged();
}

// The directory list.

DirectoryListBox::DirectoryListBox(platform::Places& places, QWidget* parent)
    : QListWidget(parent), places_(places)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new DepthDelegate(Scaled(10), this));
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryListBox::Open);
    // Without a current directory the list starts at the root, or empty.
    if (!TryWhileCreating([&] { SetDirectory(places_.CurrentDirectory()); })
        && !TryWhileCreating([&] { SetDirectory("/"); })) {
        directory_.assign(1, '/');
        shown_ = directory_;
    }
}

void DirectoryListBox::SetDirectory(const std::string& path)
{
    if (path.empty())
        return;
    if (path.find('\0') != std::string::npos)
        throw platform::EInOutError(BadNameCode);
    const std::string target = CleanPath(path);
    if (target == directory_)
        return;
    Show(target);
}

void DirectoryListBox::Show(const std::string& target)
{
    // Only a directory that can be listed is shown; CD images come as folders.
    const std::vector<platform::FoundFile> found =
        places_.ListDirectory(target, "*", platform::faDirectory | platform::faImage);

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon discIcon = style()->standardIcon(QStyle::SP_DriveCDIcon);
    const auto addLine = [this](const QIcon& icon, const QString& text, const std::string& fullPath,
                                int depth) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, Bytes(fullPath));
        item->setData(DepthRole, depth);
        item->setToolTip(DecodeName(fullPath));
        return item;
    };

    clear();
    QListWidgetItem* current =
        addLine(style()->standardIcon(QStyle::SP_DriveHDIcon), QStringLiteral("/"), "/", 0);
    int depth = 0;
    std::string ancestor;
    for (std::size_t start = 1; start < target.size();) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos)
            end = target.size();
        ancestor = target.substr(0, end);
        const bool image = platform::ImageFormatOf(ancestor) != platform::ImageFormat::None
                           && platform::IsImageFile(ancestor);
        current = addLine(image ? discIcon : openIcon,
                          DecodeName(std::string_view(target).substr(start, end - start)), ancestor, ++depth);
        start = end + 1;
    }
    for (const auto& entry : found) {
        if ((entry.attributes & platform::faDirectory) == 0)
            continue;
        const bool image = (entry.attributes & platform::faImage) != 0;
        addLine(image ? discIcon : closedIcon, DecodeName(entry.name),
                AnnexPath(target == "/" ? "" : target, entry.name), depth + 1)
            ->setData(ImageRole, image);
    }
    setCurrentItem(current);
    scrollToItem(current);

    directory_ = target;
    shown_ = target;
    if (target != "/" && IsVolumeRoot(target))
        shown_ += '/';
    emit DirectoryChanged();
}

void DirectoryListBox::SetDrive(const std::string& root)
{
    SetDirectory(root);
}

std::string DirectoryListBox::PathOf(const QListWidgetItem* item) const
{
    return item != nullptr ? StdBytes(item->data(PathRole)) : std::string();
}

void DirectoryListBox::Open(QListWidgetItem* item)
{
    if (item == nullptr)
        return;
    const std::string path = PathOf(item);
    ReportErrors(this, [&] { Show(CleanPath(path)); });
}

void DirectoryListBox::OpenParent()
{
    if (directory_ == "/")
        return;
    const std::size_t slash = directory_.rfind('/');
    const std::string parent = slash == 0 || slash == std::string::npos ? "/" : directory_.substr(0, slash);
    const std::string left = directory_;
    if (!ReportErrors(this, [&] { Show(parent); }))
        return;
    // The directory just left is highlighted, so that the way back is one key.
    for (int row = 0; row < count(); ++row)
        if (PathOf(item(row)) == left) {
            setCurrentRow(row);
            break;
        }
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Right:
            Open(currentItem());
            event->accept();
            return;
        case Qt::Key_Backspace:
        case Qt::Key_Left:
            OpenParent();
            event->accept();
            return;
        default:
            break;
        }
    }
    // Enter on the line of a CD image opens it, as a double-click does; anywhere else it is
    // the dialog's.
    if (IsEnterKey(event) && currentItem() != nullptr && currentItem()->data(ImageRole).toBool()) {
        Open(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// The file list.

FileListBox::FileListBox(std::string_view mask, platform::Places& places, QWidget* parent)
    : QListWidget(parent), mask_(mask), places_(places)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
}

void FileListBox::ShowDirectory(const std::string& directory)
{
    directory_ = directory;
    clear();
    if (directory.empty())
        return;
    const std::vector<std::string> patterns = SplitMask(mask_);
    // Ordinary files only: neither directories nor hidden entries are asked for.
    const std::vector<platform::FoundFile> found = places_.FindFiles(AsPrefix(directory) + "*", 0);
    for (const auto& entry : found) {
        if ((entry.attributes & platform::faDirectory) != 0)
            continue;
        const bool matches = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
            return platform::MatchesMask(entry.name, pattern);
        });
        if (!matches)
            continue;
        auto* item = new QListWidgetItem(DecodeName(entry.name), this);
        item->setData(NameRole, Bytes(entry.name));
    }
}

std::string FileListBox::FileName(int row) const
{
    const QListWidgetItem* line = item(row);
    return line != nullptr ? StdBytes(line->data(NameRole)) : std::string();
}

} // namespace fendix::ui
