// Fuzz target: a CD image made from the input, opened as a folder, listed folder by folder
// and every file read to its end. The first byte picks the kind of image: 0 an .iso of the
// rest, 1 and 2 a MODE1 or MODE2 .bin of the rest (each 2048 bytes wrapped in a raw sector)
// with its cue sheet, 3 the rest taken as a raw .bin as it is. Whatever the bytes, the
// program gives one of its errors and never crashes, hangs, reads outside the image or
// writes anything.

#include "platform/ImageVolume.h"
#include "platform/InOutError.h"
#include "platform/Places.h"
#include "tests/common/CdImages.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using fendix::fuzz::Check;
using fendix::platform::faDirectory;
using fendix::platform::faHidden;
using fendix::platform::Places;

// Folders deeper than this are not walked: a folder may hold itself.
constexpr int MaxDepth = 6;
// At most this many entries are visited in one image.
constexpr int MaxEntries = 2000;

struct Walk {
    Places& places;
    std::uint64_t imageSize;
    int visited = 0;

    void Folder(const std::string& path, int depth)
    {
        std::vector<fendix::platform::FoundFile> entries;
        try {
            entries = places.ListDirectory(path, "*", faDirectory | faHidden);
        } catch (const fendix::platform::EProgramError&) {
            return;
        }
        for (const auto& entry : entries) {
            if (++visited > MaxEntries)
                return;
            Check(!entry.name.empty() && entry.name != "." && entry.name != ".."
                      && entry.name.find('/') == std::string::npos,
                  "an entry's name is a name, never a path");
            const std::string inner = path + "/" + entry.name;
            if ((entry.attributes & faDirectory) != 0) {
                if (depth < MaxDepth)
                    Folder(inner, depth + 1);
                continue;
            }
            Read(inner, entry.size);
        }
    }

    void Read(const std::string& path, std::uint64_t size)
    {
        try {
            const auto source = places.OpenTextFile(path);
            Check(static_cast<std::uint64_t>(source->Size()) == size, "a file's size is its listed size");
            static char block[1 << 16];
            std::uint64_t read = 0;
            while (const std::size_t got = source->Read(block, sizeof block)) {
                read += got;
                Check(read <= size, "no more bytes than the file's size are read");
            }
            Check(read == size, "a file read whole gives its size");
            Check(read <= imageSize, "a file read whole lies in the image");
            source->Close();
        } catch (const fendix::platform::EProgramError&) {
            // "Lecture au delà de la fin de fichier" and the like: reported, never a crash.
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string root = fendix::fuzz::DirectoryForInputs("fuzz_image");
    const unsigned kind = data[0] % 4;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string image;
    if (kind == 0) {
        image = root + "/CD.ISO";
        fendix::fuzz::WriteFile(image, bytes);
    } else if (kind == 3) {
        fendix::fuzz::WriteFile(root + "/CD.BIN", bytes);
        image = root + "/CD.CUE";
        fendix::fuzz::WriteFile(
            image, "FILE \"CD.BIN\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    } else {
        fendix::fuzz::WriteFile(root + "/work.iso", bytes);
        image = fendix::testing::MakeBinCue(root + "/work.iso", root + "/CD.bin", kind == 2);
        std::filesystem::remove(root + "/work.iso");
    }
    const std::vector<std::string> before = fendix::fuzz::NamesIn(root);

    Places places;
    Walk walk{places, size};
    try {
        places.SetCurrentDirectory(image);
        walk.Folder(image, 0);
        places.FileSizeOf("*.BBS");
        places.FileSizeOf("../" + std::string(fendix::platform::ExtractFileName(image)) + "/X/../Y.BBS");
    } catch (const fendix::platform::EProgramError&) {
        // An image that cannot be read: one of the program's errors.
    }
    places.CloseImages();
    Check(fendix::fuzz::NamesIn(root) == before, "nothing is written beside the image");
    return 0;
}
