#include "platform/Places.h"

#include "platform/ImageVolume.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

// A path climbs out of images at most this many times: each climb takes a part away.
constexpr int MaxClimbs = 4096;

std::string_view ParentOf(std::string_view path) noexcept
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

// Runs an operation on a path: an input/output error that names no path names this one.
template <typename Operation> auto Naming(const std::string& path, Operation&& operation)
{
    try {
        return operation();
    } catch (const EInOutError& error) {
        if (!error.Path().empty())
            throw;
        throw EInOutError(error.Code(), path);
    }
}

// A file inside an image, whose input/output errors while it is read name its path.
class NamedSource final : public ByteSource {
public:
    NamedSource(std::unique_ptr<ByteSource> source, std::string path)
        : source_(std::move(source)), path_(std::move(path))
    {
    }

    std::size_t Read(char* into, std::size_t size) override
    {
        return Naming(path_, [&] { return source_->Read(into, size); });
    }
    std::int64_t Size() override { return source_->Size(); }
    void Close() override
    {
        Naming(path_, [&] { source_->Close(); });
    }

private:
    std::unique_ptr<ByteSource> source_;
    std::string path_;
};

} // namespace

// An image opened, and what its file was then: a file changed since is opened afresh.
struct Places::OpenImage {
    std::unique_ptr<ImageVolume> volume;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
};

Places::Places() = default;
Places::~Places() = default;

void Places::CloseImages() noexcept
{
    images_.clear();
}

std::string Places::CurrentDirectory() const
{
    return current_.empty() ? platform::CurrentDirectory() : current_;
}

std::string Places::AbsolutePath(std::string_view path) const
{
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    return platform::AbsolutePath(path, CurrentDirectory());
}

ImageVolume* Places::ImageAt(const std::string& path)
{
    struct stat info {};
    const ImageFormat format = ImageFormatOf(path);
    if (::stat(path.c_str(), &info) != 0
        || !(S_ISREG(info.st_mode) || (format == ImageFormat::Drive && S_ISBLK(info.st_mode))))
        return nullptr;
    const auto known = images_.find(path);
    if (known != images_.end()) {
        const OpenImage& open = known->second;
        if (open.device == info.st_dev && open.inode == info.st_ino && open.size == info.st_size
            && open.modified.tv_sec == info.st_mtim.tv_sec && open.modified.tv_nsec == info.st_mtim.tv_nsec)
            return open.volume.get();
        images_.erase(known);
    }
    if (!IsImageFile(path))
        return nullptr;
    OpenImage open{std::make_unique<ImageVolume>(path), info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    return images_.insert_or_assign(path, std::move(open)).first->second.volume.get();
}

Places::Location Places::Locate(std::string_view path)
{
    std::string full = AbsolutePath(path);
    for (int climb = 0; climb < MaxClimbs; ++climb) {
        // The first part of the path, from the left, that is an image.
        std::size_t end = 0;
        std::string image;
        ImageVolume* volume = nullptr;
        do {
            end = full.find('/', end + 1);
            image = full.substr(0, end);
            if (ImageFormatOf(image) != ImageFormat::None)
                volume = ImageAt(image);
        } while (volume == nullptr && end != std::string::npos);
        if (volume == nullptr) {
            Location disk;
            disk.disk = std::move(full);
            return disk;
        }
        Location inside;
        inside.volume = volume;
        std::string_view rest =
            end == std::string::npos ? std::string_view() : std::string_view(full).substr(end + 1);
        bool out = false;
        while (!rest.empty() && !out) {
            const std::size_t slash = rest.find('/');
            const std::string_view part = rest.substr(0, slash);
            rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
            if (part == "..") {
                out = inside.names.empty();
                if (!out)
                    inside.names.pop_back();
            } else if (!part.empty() && part != ".") {
                inside.names.emplace_back(part);
            }
        }
        if (!out)
            return inside;
        // Up from the image's root: on in the folder that holds the image.
        std::string outside(ParentOf(image));
        outside += '/';
        outside += rest;
        full = std::move(outside);
    }
    throw EInOutError(InOutCodeOfErrno(ELOOP));
}

bool Places::InImage(const std::string& path)
{
    return Locate(path).volume != nullptr;
}

void Places::SetCurrentDirectory(const std::string& path)
{
    std::string full = AbsolutePath(path);
    Naming(path, [&] {
        const Location place = Locate(full);
        if (place.volume != nullptr) {
            place.volume->Folder(place.names);
        } else {
            struct stat info {};
            if (::stat(place.disk.c_str(), &info) != 0)
                RaiseInOutError(errno);
            if (!S_ISDIR(info.st_mode))
                RaiseInOutError(ENOTDIR);
            if (::access(place.disk.c_str(), X_OK) != 0)
                RaiseInOutError(errno);
        }
    });
    current_ = std::move(full);
}

std::vector<FoundFile> Places::ImageEntries(const Location& folder, std::string_view mask,
                                            unsigned attributes)
{
    const unsigned excluded = ~attributes & (faHidden | faSysFile | faVolumeID | faDirectory);
    std::vector<FoundFile> found;
    for (const ImageEntry& entry : folder.volume->Folder(folder.names)) {
        if (!MatchesMask(entry.name, mask))
            continue;
        FoundFile file = entry.Found();
        if ((file.attributes & excluded) == 0)
            found.push_back(std::move(file));
    }
    return found;
}

void Places::MarkImages(const std::string& folder, std::vector<FoundFile>& found)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    const std::size_t base = path.size();
    for (FoundFile& file : found) {
        if ((file.attributes & faDirectory) != 0 || ImageFormatOf(file.name) == ImageFormat::None)
            continue;
        path.resize(base);
        path += file.name;
        if (IsImageFile(path)) {
            file.attributes = (file.attributes & ~faArchive) | faDirectory | faImage;
            file.size = 0;
        }
    }
}

std::vector<FoundFile> Places::FindFiles(const std::string& pattern, unsigned attributes)
{
    const std::size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    const std::string_view mask =
        slash == std::string::npos ? std::string_view(pattern) : std::string_view(pattern).substr(slash + 1);
    const Location place = Locate(folder);
    if (place.volume == nullptr) {
        std::string disk = place.disk;
        if (disk.back() != '/')
            disk += '/';
        std::vector<FoundFile> found = platform::FindFiles(disk + std::string(mask), attributes);
        if ((attributes & faImage) != 0)
            MarkImages(disk, found);
        return found;
    }
    try {
        return ImageEntries(place, mask, attributes);
    } catch (const EImageError&) {
        throw;
    } catch (const EInOutError&) {
        return {}; // a folder that is missing holds nothing
    }
}

std::vector<FoundFile> Places::ListDirectory(const std::string& directory, std::string_view mask,
                                             unsigned attributes)
{
    const Location place = Locate(directory);
    if (place.volume != nullptr)
        return ImageEntries(place, mask, attributes);
    std::vector<FoundFile> found = platform::ListDirectory(place.disk, mask, attributes);
    if ((attributes & faImage) != 0)
        MarkImages(place.disk, found);
    return found;
}

bool Places::LookUpFile(const std::string& path, FoundFile& found)
{
    try {
        Location place = Locate(path);
        if (place.volume == nullptr)
            return platform::LookUpFile(place.disk, found);
        if (place.names.empty()) {
            found =
                FoundFile{std::string(ExtractFileName(place.volume->Path())), 0, faReadOnly | faDirectory};
            return true;
        }
        const std::string name = std::move(place.names.back());
        place.names.pop_back();
        const ImageEntry* entry = ImageVolume::Find(place.volume->Folder(place.names), name);
        if (entry == nullptr || entry->name.front() == '.')
            return false;
        found = entry->Found();
        return true;
    } catch (const EProgramError&) {
        return false;
    }
}

std::int64_t Places::FileSizeOf(const std::string& fileName)
{
    return FileSizeIn(*this, fileName);
}

std::unique_ptr<ByteSource> Places::OpenTextFile(const std::string& path)
{
    return Naming(path, [&] { return OpenFileAt(path); });
}

std::unique_ptr<ByteSource> Places::OpenFileAt(const std::string& path)
{
    Location place = Locate(path);
    if (place.volume == nullptr)
        return std::make_unique<FileSource>(place.disk);
    if (place.names.empty())
        RaiseInOutError(EISDIR);
    const std::string name = std::move(place.names.back());
    place.names.pop_back();
    const ImageEntry* entry = ImageVolume::Find(place.volume->Folder(place.names), name);
    if (entry == nullptr)
        RaiseInOutError(ENOENT);
    return std::make_unique<NamedSource>(place.volume->OpenFile(*entry), path);
}

} // namespace fendix::platform
