#pragma once

#include "platform/ByteSource.h"
#include "platform/FileSystem.h"
#include "platform/ProgramError.h"
#include "platform/SectorImage.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _iso9660_s iso9660_t;

namespace fendix::platform {

// A CD image that cannot be read as one: "Image de CD illisible: <path>".
class EImageError : public EProgramError {
public:
    explicit EImageError(const std::string& path);
};

// What a path may name by its name alone: an ISO 9660 image (".iso", ".img"), a cue sheet
// (".cue"), in any letter case, or an optical drive ("/dev/sr0"...).
enum class ImageFormat { None, Iso, Cue, Drive };
ImageFormat ImageFormatOf(std::string_view path) noexcept;

// True when the file at `path` is a CD image, by its name and its content: an ISO 9660
// primary volume descriptor at sector 16, or a cue sheet with a data track of 2352-byte
// sectors; an optical drive is one by its name. Never raises: a file that cannot be read
// is no image.
bool IsImageFile(const std::string& path);

// The optical drives ("/dev/sr0"...) that hold a disc libiso9660 can read, by their device
// paths; none, and no error, without a drive.
std::vector<std::string> OpticalDiscs();

// An entry of a folder inside an image.
struct ImageEntry {
    std::string name;   // the name shown: Rock Ridge, else Joliet, else ISO 9660 without ";1"
    std::string record; // the name of its directory record, as the library names it
    bool directory = false;
    std::vector<Extent> extents;

    std::uint64_t Size() const noexcept;
    FoundFile Found() const;
};

// A CD image opened once, its volume checked by libiso9660; its folders read from the image's
// sectors as they are first asked for, and kept; its files read straight from the sectors.
// Nothing is written.
class ImageVolume {
public:
    // Opens the image at `path`. Raises EImageError when it cannot be read as a CD image (a
    // cue sheet naming a missing file, or one outside the cue sheet's own folder, included),
    // EInOutError when the system refuses to open it.
    explicit ImageVolume(const std::string& path);
    ~ImageVolume();
    ImageVolume(const ImageVolume&) = delete;
    ImageVolume& operator=(const ImageVolume&) = delete;

    const std::string& Path() const noexcept { return path_; }

    // The entries of the folder reached from the root through `folders`, each name matched
    // without regard to case (the exact spelling first), ordered as a disk folder lists
    // them. Raises EInOutError "Fichier introuvable" when a name is missing, "Nom de
    // fichier incorrect" when one is a file, EImageError when a folder cannot be read.
    const std::vector<ImageEntry>& Folder(const std::vector<std::string>& folders);

    // The entry of a folder bearing a name, without regard to case, the exact spelling
    // first; null when there is none.
    static const ImageEntry* Find(const std::vector<ImageEntry>& entries, std::string_view name) noexcept;

    // Opens a file of the image for reading.
    std::unique_ptr<ByteSource> OpenFile(const ImageEntry& entry) const;

private:
    // A directory record as it stands in a folder.
    struct Record {
        std::string name;                     // its own name (Joliet's decoded)
        std::optional<std::string> alternate; // its Rock Ridge name
        Extent extent;
        unsigned flags = 0;
        std::uint32_t mode = 0; // Rock Ridge's file mode, 0 without
        bool self = false;      // the folder itself or its parent
        bool rockRidge = false;
    };

    std::vector<Record> ReadRecords(const Extent& extent) const;
    const std::vector<ImageEntry>& Load(const Extent& extent);
    void OpenLibrary(unsigned extensions, const Extent& root);

    std::string path_;
    std::shared_ptr<const SectorImage> image_;
    std::string dataPath_; // the file the library reads: the image, or the .bin of a cue sheet
    bool fuzzy_ = false;   // the library finds the sectors' layout itself
    struct CloseLibrary {
        void operator()(iso9660_t* library) const noexcept;
    };
    std::unique_ptr<iso9660_t, CloseLibrary> library_;
    bool joliet_ = false;
    Extent root_;
    std::map<std::uint32_t, std::vector<ImageEntry>> folders_; // by their first sector
};

} // namespace fendix::platform
