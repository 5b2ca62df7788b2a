#pragma once

#include "platform/ByteSource.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::platform {

class ImageVolume;

// The places the program reads from: the folders of the file system, in which a CD image
// (see IsImageFile) stands for a folder, and the program's current place, a folder or a
// folder inside an image, against which bare names and relative paths are taken.
//
// A path whose part names an image goes on inside it: "/shelf/CLUB12.ISO" is the image's
// root, "/shelf/CLUB12.ISO/FICHIERS/FILES.BBS" a file in it. Inside an image, names match
// without regard to case, "." and empty parts are passed over, ".." goes up, and from the
// image's root on to the folder that holds the image. Paths on the disk go to the system
// as they are.
//
// An image is opened the first time a path leads into it, and kept until CloseImages (a
// run, or the chooser, opens each image once); one that changed on the disk since is opened
// afresh.
class Places {
public:
    // The current place starts as the process's current directory.
    Places();
    ~Places();
    Places(const Places&) = delete;
    Places& operator=(const Places&) = delete;

    // Makes a folder, or a folder inside an image, the current place; raises EInOutError
    // with the system's code when it is missing, no folder or cannot be entered (the current
    // place is then unchanged), EImageError when the image cannot be read.
    void SetCurrentDirectory(const std::string& path);

    // The current place as a full path.
    std::string CurrentDirectory() const;

    // A path made absolute against the current place; an absolute one stays as it is.
    std::string AbsolutePath(std::string_view path) const;

    // True when a path goes on inside a CD image.
    bool InImage(const std::string& path);

    // platform::FindFiles over the current place: the entries of the folder part of
    // `pattern` (the current place when it has none) whose names match its last part. A
    // folder that is missing gives nothing; an image that cannot be read raises EImageError.
    // Asked for with faImage, the images of a disk folder come as folders (faDirectory and
    // faImage, size 0).
    std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attributes);

    // platform::ListDirectory over the current place: a folder that cannot be listed, one
    // that is missing included, raises EInOutError (EImageError for an image that cannot be
    // read).
    std::vector<FoundFile> ListDirectory(const std::string& directory, std::string_view mask,
                                         unsigned attributes);

    // platform::LookUpFile over the current place: false also when an image on the way
    // cannot be read.
    bool LookUpFile(const std::string& path, FoundFile& found);

    // FileSizeOf over the current place: 0 when nothing is found.
    std::int64_t FileSizeOf(const std::string& fileName);

    // Opens a description file; raises EInOutError as a file of the disk does (a folder or
    // an image's root: "Accès au fichier refusé"), EImageError for an image that cannot be
    // read.
    std::unique_ptr<ByteSource> OpenTextFile(const std::string& path);

    // Lets the images opened go.
    void CloseImages() noexcept;

private:
    struct OpenImage;
    // Where a path leads: a path of the disk, or the names of a path inside an image.
    struct Location {
        std::string disk;
        ImageVolume* volume = nullptr;
        std::vector<std::string> names;
    };

    Location Locate(std::string_view path);
    std::unique_ptr<ByteSource> OpenFileAt(const std::string& path);
    ImageVolume* ImageAt(const std::string& path);
    std::vector<FoundFile> ImageEntries(const Location& folder, std::string_view mask, unsigned attributes);
    void MarkImages(const std::string& folder, std::vector<FoundFile>& found);

    std::string current_; // empty: the process's current directory
    std::map<std::string, OpenImage> images_;
};

} // namespace fendix::platform
