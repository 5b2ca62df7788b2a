#include "platform/ImageVolume.h"

#include "platform/Ascii.h"
#include "platform/CueSheet.h"
#include "platform/InOutError.h"

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

constexpr std::uint32_t FirstDescriptor = 16;
// Volume descriptors looked at before giving up on a terminator.
constexpr std::uint32_t MaxDescriptors = 64;
// A folder larger than this is no folder of a real disc: tens of thousands of entries.
constexpr std::uint32_t MaxFolderSize = 4u << 20;
// How far the library looks for the first sector of a raw image.
constexpr unsigned CueFuzz = 64;

constexpr int NotFoundCode = 2;
constexpr int NotAFolderCode = 3;

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) noexcept
{
    return text.size() >= end.size() && SameIgnoringCase(text.substr(text.size() - end.size()), end);
}

std::uint32_t LittleEndian32(const unsigned char* bytes) noexcept
{
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16
           | std::uint32_t{bytes[3]} << 24;
}

bool IsVolumeDescriptor(const unsigned char* sector) noexcept
{
    return std::memcmp(sector + 1, "CD001", 5) == 0 && sector[6] == 1;
}

// The root folder of a volume descriptor.
Extent RootOf(const unsigned char* descriptor) noexcept
{
    const unsigned char* record = descriptor + 156;
    return Extent{LittleEndian32(record + 2), LittleEndian32(record + 10)};
}

bool IsJolietDescriptor(const unsigned char* descriptor) noexcept
{
    const unsigned char* escape = descriptor + 88;
    return descriptor[0] == 2 && escape[0] == '%' && escape[1] == '/'
           && (escape[2] == '@' || escape[2] == 'C' || escape[2] == 'E');
}

// The library's messages go nowhere: its failures come back as results, reported here.
void Quiet(cdio_log_level_t, const char*)
{
}

void SilenceLibrary()
{
    static const bool silenced = (cdio_log_set_handler(Quiet), true);
    (void)silenced;
}

// Reads a small file whole; nothing when it is larger than `limit`.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        RaiseInOutError(errno);
    std::string text(limit + 1, '\0');
    std::size_t have = 0;
    int failure = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        failure = EACCES;
    while (failure == 0 && have < text.size()) {
        const ssize_t got = ::read(fd, text.data() + have, text.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failure = errno;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failure != 0)
        RaiseInOutError(failure);
    if (have > limit)
        return std::nullopt;
    text.resize(have);
    return text;
}

// The name of an entry as shown: an ISO 9660 name loses its version (";1") and then a
// trailing dot; a Rock Ridge name loses nothing, but a version left by a record without one.
std::string ShownName(std::string_view record, bool rockRidge)
{
    std::string_view name = record;
    const std::size_t semicolon = name.rfind(';');
    if (semicolon != std::string_view::npos
        && name.find_first_not_of("0123456789", semicolon + 1) == std::string_view::npos) {
        name = name.substr(0, semicolon);
        rockRidge = false;
    }
    if (!rockRidge && name.size() > 1 && name.back() == '.')
        name.remove_suffix(1);
    return std::string(name);
}

// True when a name can be taken as one entry of a folder: never a path, nor the folder itself
// or its parent.
bool IsPlainName(std::string_view name) noexcept
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool FoldedLess(const ImageEntry& a, const ImageEntry& b) noexcept
{
    const std::size_t n = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto fa = UpperByte(static_cast<unsigned char>(a.name[i]));
        const auto fb = UpperByte(static_cast<unsigned char>(b.name[i]));
        if (fa != fb)
            return fa < fb;
    }
    if (a.name.size() != b.name.size())
        return a.name.size() < b.name.size();
    return a.name < b.name;
}

struct FileList {
    CdioISO9660FileList_t* list;
    ~FileList()
    {
        if (list != nullptr)
            iso9660_filelist_free(list);
    }
};

} // namespace

EImageError::EImageError(const std::string& path) : EProgramError("Image de CD illisible: " + path)
{
}

ImageFormat ImageFormatOf(std::string_view path) noexcept
{
    if (EndsWithIgnoringCase(path, ".iso") || EndsWithIgnoringCase(path, ".img"))
        return ImageFormat::Iso;
    if (EndsWithIgnoringCase(path, ".cue"))
        return ImageFormat::Cue;
    if (path.starts_with("/dev/sr") && path.size() > 7
        && path.find_first_not_of("0123456789", 7) == std::string_view::npos)
        return ImageFormat::Drive;
    return ImageFormat::None;
}

bool IsImageFile(const std::string& path)
{
    try {
        switch (ImageFormatOf(path)) {
        case ImageFormat::Iso: {
            const SectorImage image(path, SectorLayout{});
            unsigned char sector[SectorDataSize];
            if (!image.HoldsData(std::uint64_t{FirstDescriptor} * SectorDataSize, SectorDataSize))
                return false;
            image.ReadData(std::uint64_t{FirstDescriptor} * SectorDataSize, reinterpret_cast<char*>(sector),
                           SectorDataSize);
            return sector[0] == 1 && IsVolumeDescriptor(sector);
        }
        case ImageFormat::Cue: {
            const auto text = ReadSmallFile(path, MaxCueSheetSize);
            return text && ParseCueSheet(*text).has_value();
        }
        case ImageFormat::Drive: {
            struct stat info {};
            return ::stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
        }
        case ImageFormat::None:
            break;
        }
    } catch (const EInOutError&) {
    }
    return false;
}

std::vector<std::string> OpticalDiscs()
{
    SilenceLibrary();
    std::vector<std::string> discs;
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** device = devices; device != nullptr && *device != nullptr; ++device) {
        const std::string path = *device;
        if (ImageFormatOf(path) != ImageFormat::Drive
            || std::find(discs.begin(), discs.end(), path) != discs.end())
            continue;
        try {
            ImageVolume volume(path);
            discs.push_back(path);
        } catch (const EProgramError&) {
            // No disc, or none that can be read: the drive is not listed.
        }
    }
    cdio_free_device_list(devices);
    return discs;
}

std::uint64_t ImageEntry::Size() const noexcept
{
    std::uint64_t size = 0;
    for (const Extent& extent : extents)
        size += extent.size;
    return size;
}

FoundFile ImageEntry::Found() const
{
    FoundFile found;
    found.name = name;
    found.size = directory ? 0 : Size();
    found.attributes =
        faReadOnly | (directory ? faDirectory : faArchive) | (name.front() == '.' ? faHidden : 0u);
    return found;
}

ImageVolume::ImageVolume(const std::string& path) : path_(path)
{
    SilenceLibrary();
    SectorLayout layout;
    dataPath_ = path;
    if (ImageFormatOf(path) == ImageFormat::Cue) {
        const auto text = ReadSmallFile(path, MaxCueSheetSize);
        const auto track = text ? ParseCueSheet(*text) : std::nullopt;
        // The sectors lie in a file of the cue sheet's own folder, named by its bare name.
        if (!track || !IsPlainName(track->fileName) || track->fileName.find('\0') != std::string::npos)
            throw EImageError(path);
        const std::string folder(path.substr(0, path.rfind('/') + 1));
        FoundFile found;
        if (!LookUpFile(folder + track->fileName, found)) {
            const auto named = FindFiles(folder + "*", faReadOnly);
            const auto same = std::find_if(named.begin(), named.end(), [&](const FoundFile& file) {
                return SameIgnoringCase(file.name, track->fileName);
            });
            if (same == named.end())
                throw EImageError(path);
            found = *same;
        }
        if ((found.attributes & faDirectory) != 0)
            throw EImageError(path);
        dataPath_ = folder + found.name;
        layout = track->layout;
        fuzzy_ = true;
    }
    image_ = std::make_shared<const SectorImage>(dataPath_, layout);

    // The volume descriptors: the primary one at sector 16, and a Joliet one perhaps.
    std::optional<Extent> primary;
    std::optional<Extent> joliet;
    unsigned char sector[SectorDataSize];
    for (std::uint32_t n = FirstDescriptor; n < FirstDescriptor + MaxDescriptors; ++n) {
        const std::uint64_t offset = std::uint64_t{n} * SectorDataSize;
        if (!image_->HoldsData(offset, SectorDataSize))
            break;
        image_->ReadData(offset, reinterpret_cast<char*>(sector), SectorDataSize);
        if (!IsVolumeDescriptor(sector) || sector[0] == 255)
            break;
        if (n == FirstDescriptor && sector[0] == 1)
            primary = RootOf(sector);
        else if (!joliet && IsJolietDescriptor(sector))
            joliet = RootOf(sector);
    }
    if (!primary)
        throw EImageError(path);

    // Rock Ridge names live in the primary tree, Joliet names in a tree of their own: the
    // primary one is read first, and left for the Joliet one when it has no Rock Ridge.
    OpenLibrary(ISO_EXTENSION_NONE, *primary);
    bool rockRidge = false;
    {
        FileList list{iso9660_ifs_readdir(library_.get(), "/")};
        if (list.list == nullptr)
            throw EImageError(path);
        CdioListNode_t* node = nullptr;
        _CDIO_LIST_FOREACH(node, list.list)
        {
            const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
            if (stat->rr.b3_rock == yep)
                rockRidge = true;
        }
    }
    if (!rockRidge && joliet) {
        library_.reset();
        OpenLibrary(ISO_EXTENSION_JOLIET, *joliet);
        joliet_ = true;
    }
    Load("/", root_);
}

ImageVolume::~ImageVolume() = default;

void ImageVolume::CloseLibrary::operator()(iso9660_t* library) const noexcept
{
    iso9660_close(library);
}

void ImageVolume::OpenLibrary(unsigned extensions, const Extent& root)
{
    if (!image_->HoldsData(std::uint64_t{root.sector} * SectorDataSize, root.size) || root.size == 0
        || root.size > MaxFolderSize)
        throw EImageError(path_);
    const auto mask = static_cast<iso_extension_mask_t>(extensions);
    library_.reset(fuzzy_ ? iso9660_open_fuzzy_ext(dataPath_.c_str(), mask, CueFuzz)
                          : iso9660_open_ext(dataPath_.c_str(), mask));
    if (!library_)
        throw EImageError(path_);
    root_ = root;
}

const std::vector<ImageEntry>& ImageVolume::Load(const std::string& record, const Extent& extent)
{
    const auto known = folders_.find(record);
    if (known != folders_.end())
        return known->second;
    if (!image_->HoldsData(std::uint64_t{extent.sector} * SectorDataSize, extent.size) || extent.size == 0
        || extent.size > MaxFolderSize)
        throw EImageError(path_);

    FileList list{iso9660_ifs_readdir(library_.get(), record.c_str())};
    if (list.list == nullptr)
        throw EImageError(path_);
    // The records in the folder's order. The first is the folder itself: it must be the one
    // asked for, or the library and this reader disagree on where the sectors lie.
    std::vector<ImageEntry> entries;
    std::vector<std::size_t> recordOf; // for each entry, its record's place among `records`
    struct Record {
        std::string name;
        bool rock;
    };
    std::vector<Record> records; // every record, for the library's own lookup
    bool first = true;
    CdioListNode_t* node = nullptr;
    _CDIO_LIST_FOREACH(node, list.list)
    {
        const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
        const std::string_view name(stat->filename);
        if (first) {
            if (name != "." || static_cast<std::uint32_t>(stat->lsn) != extent.sector)
                throw EImageError(path_);
            first = false;
            continue;
        }
        const bool rock = stat->rr.b3_rock == yep;
        records.push_back({std::string(name), rock});
        const bool folder = stat->type == iso9660_stat_s::_STAT_DIR;
        // Links and devices of a Rock Ridge tree are not followed.
        if (rock && !folder && stat->rr.st_mode != 0 && !S_ISREG(stat->rr.st_mode))
            continue;
        const Extent part{static_cast<std::uint32_t>(stat->lsn), stat->size};
        // A file of several extents has one record for each, one after the other.
        if (!folder && !entries.empty() && !entries.back().directory && entries.back().record == name) {
            entries.back().extents.push_back(part);
            continue;
        }
        std::string shown = joliet_ ? ShownName(name, true) : ShownName(name, rock);
        if (!IsPlainName(name) || !IsPlainName(shown))
            continue;
        ImageEntry entry;
        entry.name = std::move(shown);
        entry.record.assign(name);
        entry.directory = folder;
        entry.extents.push_back(part);
        entries.push_back(std::move(entry));
        recordOf.push_back(records.size() - 1);
    }
    if (first)
        throw EImageError(path_);

    // The library finds a folder by its path, taking the first record whose name is the one
    // asked for, or whose name translated (lower case, no version) is: a folder that another
    // record hides so is not reached.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ImageEntry& entry = entries[i];
        if (!entry.directory)
            continue;
        for (std::size_t r = 0; r < records.size(); ++r) {
            const Record& other = records[r];
            bool same = other.name == entry.record;
            if (!same && !joliet_ && !other.rock) {
                std::string translated(other.name.size() + 1, '\0');
                iso9660_name_translate_ext(other.name.c_str(), translated.data(), 0);
                same = std::strcmp(translated.c_str(), entry.record.c_str()) == 0;
            }
            if (same) {
                entry.reachable = r == recordOf[i];
                break;
            }
        }
    }
    std::stable_sort(entries.begin(), entries.end(), FoldedLess);
    return folders_.emplace(record, std::move(entries)).first->second;
}

const std::vector<ImageEntry>& ImageVolume::Folder(const std::vector<std::string>& folders)
{
    const std::vector<ImageEntry>* entries = &Load("/", root_);
    std::string record = "/";
    for (const std::string& name : folders) {
        const ImageEntry* entry = Find(*entries, name);
        if (entry == nullptr)
            throw EInOutError(NotFoundCode);
        if (!entry->directory)
            throw EInOutError(NotAFolderCode);
        if (!entry->reachable)
            throw EImageError(path_);
        if (record.size() > 1)
            record += '/';
        record += entry->record;
        entries = &Load(record, entry->extents.front());
    }
    return *entries;
}

const ImageEntry* ImageVolume::Find(const std::vector<ImageEntry>& entries, std::string_view name) noexcept
{
    const ImageEntry* folded = nullptr;
    for (const ImageEntry& entry : entries) {
        if (entry.name == name)
            return &entry;
        if (folded == nullptr && SameIgnoringCase(entry.name, name))
            folded = &entry;
    }
    return folded;
}

std::unique_ptr<ByteSource> ImageVolume::OpenFile(const ImageEntry& entry) const
{
    if (entry.directory)
        RaiseInOutError(EISDIR);
    return std::make_unique<ImageFileSource>(image_, entry.extents);
}

} // namespace fendix::platform
