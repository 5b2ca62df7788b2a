#pragma once

#include "platform/Ascii.h"
#include "platform/ProgramError.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::platform {

// File attributes as the directory search reports them.
enum FileAttribute : unsigned {
    faReadOnly = 0x01, // the owner may not write
    faHidden = 0x02,   // the name begins with "."
    faSysFile = 0x04,  // never reported here
    faVolumeID = 0x08, // never reported here
    faDirectory = 0x10,
    faArchive = 0x20, // an ordinary file
    faImage = 0x40,   // a CD image, listed as a folder (Places::FindFiles)
};

struct FoundFile {
    std::string name; // bare name, as the file system stores it
    std::uint64_t size = 0;
    unsigned attributes = 0;
};

// Makes a directory the process's current directory; raises EInOutError when it cannot.
void SetCurrentDirectory(const std::string& path);

// The process's current directory.
std::string CurrentDirectory();

// A path made absolute against a base directory: an absolute path stays as it is, a
// relative one (the empty one included) is put after the base and a "/". Nothing else of
// the path is changed: "." and ".." stay, and links are not resolved.
std::string AbsolutePath(std::string_view path, std::string_view base);

// A path made absolute against the process's current directory.
std::string AbsolutePath(std::string_view path);

// A directory as the program makes it current: a relative path is taken against `start`,
// the directory the program started in. An absolute path and the empty one stay as they
// are, and so does every path when `start` is empty.
std::string ResolvedDirectory(std::string_view path, std::string_view start);

// True when a bare name matches a mask of "*" (any run of characters, the empty one
// included) and "?" (exactly one character); letters a to z match without regard to case.
bool MatchesMask(std::string_view name, std::string_view mask) noexcept;

// A directory search: the entries of the directory part of `pattern` (the current directory
// when it has none) whose names match its last part as a mask. Ordinary files are found
// whatever `attributes` says; hidden entries and directories only when their attribute is
// in `attributes`. Symbolic links are followed; broken links, pipes and devices are never
// found. Entries come ascending by their names with a to z folded to capitals, byte by
// byte, equal folded names by their raw bytes. A directory that does not exist gives
// nothing; one that exists but cannot be listed raises EInOutError.
std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attributes);

// The entries of a directory whose names match `mask`, found and ordered as FindFiles finds
// and orders them. A directory that cannot be listed, also one that does not exist, raises
// EInOutError with the system's code.
std::vector<FoundFile> ListDirectory(const std::string& directory, std::string_view mask,
                                     unsigned attributes);

// Looks one path up exactly (no wildcard), following links: false when nothing is there,
// when the last part of its name is hidden, or when it is neither a file nor a directory.
bool LookUpFile(const std::string& path, FoundFile& found);

// FileSizeOf: the size of the first entry found under a name or path (a relative one is taken
// against the current directory). A name without "*" or "?" is looked up exactly, as
// opening it would find it; one with them is a directory search for ordinary and read-only
// files and directories. 0 when nothing is found, a hidden name or a directory that cannot
// be listed included: callers read 0 as absent or empty.
std::int64_t FileSizeOf(const std::string& fileName);

// FileSizeOf's rule over a place that offers LookUpFile and FindFiles as this file does.
template <typename Place> std::int64_t FileSizeIn(Place& place, const std::string& fileName)
{
    if (fileName.find_first_of("*?") == std::string::npos) {
        FoundFile found;
        return place.LookUpFile(fileName, found) ? static_cast<std::int64_t>(found.size) : 0;
    }
    try {
        const auto found = place.FindFiles(fileName, faReadOnly | faSysFile | faDirectory);
        return found.empty() ? 0 : static_cast<std::int64_t>(found.front().size);
    } catch (const EProgramError&) {
        return 0; // a folder that cannot be listed holds nothing to find
    }
}

// Writes all the bytes to a descriptor, again after an interruption or a short write.
// 0 when every byte was taken, the system's error code otherwise (EIO when the system
// took nothing and gave no reason).
int WriteAll(int descriptor, std::string_view bytes) noexcept;

// The last part of a path: what follows its last "/".
std::string_view ExtractFileName(std::string_view path) noexcept;

// The program's own full path, links resolved.
std::string ProgramPath();

// The directory of the program's own file, with its trailing "/".
std::string ProgramDirectory();

} // namespace fendix::platform
