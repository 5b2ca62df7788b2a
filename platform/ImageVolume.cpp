#include "platform/ImageVolume.h"

#include "platform/Ascii.h"
#include "platform/CueSheet.h"
#include "platform/InOutError.h"

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>
extern "C" {
#include <cdio/utf8.h> // declared without C linkage of its own
}

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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
    for (const Record& record : ReadRecords(*primary))
        rockRidge = rockRidge || record.rockRidge;
    if (!rockRidge && joliet) {
        library_.reset();
        OpenLibrary(ISO_EXTENSION_JOLIET, *joliet);
        joliet_ = true;
    }
    Load(root_);
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

std::vector<ImageVolume::Record> ImageVolume::ReadRecords(const Extent& extent) const
{
    if (!image_->HoldsData(std::uint64_t{extent.sector} * SectorDataSize, extent.size) || extent.size == 0
        || extent.size > MaxFolderSize)
        throw EImageError(path_);
    std::string bytes(extent.size, '\0');
    image_->ReadData(std::uint64_t{extent.sector} * SectorDataSize, bytes.data(), bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());

    // Records never cross a sector's end: a zero length, or what would cross, ends the sector.
    std::vector<Record> records;
    for (std::size_t sector = 0; sector < bytes.size(); sector += SectorDataSize) {
        const std::size_t end = std::min(bytes.size(), sector + SectorDataSize);
        for (std::size_t at = sector; at + 34 <= end;) {
            const unsigned char* record = data + at;
            const std::size_t length = record[0];
            const std::size_t nameLength = record[32];
            if (length < 34 || at + length > end || 33 + nameLength > length)
                break;
            at += length;
            Record found;
            found.extent = Extent{LittleEndian32(record + 2), LittleEndian32(record + 10)};
            found.flags = record[25];
            const std::string_view name(reinterpret_cast<const char*>(record + 33), nameLength);
            found.self = nameLength == 1 && (name[0] == '\0' || name[0] == '\1');
            if (joliet_ && !found.self) {
                cdio_utf8_t* utf8 = nullptr;
                if (cdio_charset_to_utf8(name.data(), name.size(), &utf8, "UCS-2BE") && utf8 != nullptr)
                    found.name = utf8;
                std::free(utf8);
            } else {
                found.name.assign(name);
            }
            // The System Use area, after the name and its padding byte: Rock Ridge's entries.
            std::size_t use = 33 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
            std::string alternate;
            bool haveAlternate = false;
            while (!joliet_ && use + 4 <= length) {
                const unsigned char* entry = record + use;
                const std::size_t size = entry[2];
                if (size < 4 || use + size > length)
                    break;
                if (entry[0] == 'N' && entry[1] == 'M' && size >= 5) {
                    // A name in pieces; the flags say "the folder itself" or "its parent".
                    if ((entry[4] & 0x06) == 0)
                        alternate.append(reinterpret_cast<const char*>(entry + 5), size - 5);
                    haveAlternate = true;
                    found.rockRidge = true;
                } else if (entry[0] == 'P' && entry[1] == 'X' && size >= 12) {
                    found.mode = LittleEndian32(entry + 4);
                    found.rockRidge = true;
                } else if ((entry[0] == 'R' && entry[1] == 'R') || (entry[0] == 'S' && entry[1] == 'L')) {
                    found.rockRidge = true;
                }
                use += size;
            }
            if (haveAlternate)
                found.alternate = std::move(alternate);
            records.push_back(std::move(found));
        }
    }
    return records;
}

const std::vector<ImageEntry>& ImageVolume::Load(const Extent& extent)
{
    const auto known = folders_.find(extent.sector);
    if (known != folders_.end())
        return known->second;
    const std::vector<Record> records = ReadRecords(extent);
    // The first record is the folder itself: it must be the one asked for.
    if (records.empty() || !records.front().self || records.front().extent.sector != extent.sector)
        throw EImageError(path_);

    std::vector<ImageEntry> entries;
    bool continued = false; // the last record was an extent of a file that goes on
    for (const Record& record : records) {
        if (record.self)
            continue;
        const bool folder = (record.flags & 0x02) != 0;
        // A file of several extents has one record for each, one after the other.
        if (continued && !folder && !entries.empty()) {
            entries.back().extents.push_back(record.extent);
            continued = (record.flags & 0x80) != 0;
            continue;
        }
        continued = !folder && (record.flags & 0x80) != 0;
        // Links and devices of a Rock Ridge tree are not followed.
        if (!folder && record.mode != 0 && !S_ISREG(record.mode))
            continue;
        std::string shown = record.alternate ? *record.alternate : ShownName(record.name, joliet_);
        if (!IsPlainName(shown) || shown.find('\0') != std::string::npos)
            continue;
        ImageEntry entry;
        entry.name = std::move(shown);
        entry.record = record.name;
        entry.directory = folder;
        entry.extents.push_back(record.extent);
        entries.push_back(std::move(entry));
    }
    std::stable_sort(entries.begin(), entries.end(), FoldedLess);
    return folders_.emplace(extent.sector, std::move(entries)).first->second;
}

const std::vector<ImageEntry>& ImageVolume::Folder(const std::vector<std::string>& folders)
{
    const std::vector<ImageEntry>* entries = &Load(root_);
    for (const std::string& name : folders) {
        const ImageEntry* entry = Find(*entries, name);
        if (entry == nullptr)
            throw EInOutError(NotFoundCode);
        if (!entry->directory)
            throw EInOutError(NotAFolderCode);
        entries = &Load(entry->extents.front());
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
