#pragma once

#include "platform/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fendix::platform {

// The size of a sector's data in an ISO 9660 file system.
inline constexpr std::uint32_t SectorDataSize = 2048;

// Where the sectors of a CD image lie in the file that holds them: sector n starts at byte
// start + n * size, and its 2048 data bytes at `data` bytes into it. An .iso file has plain
// 2048-byte sectors; a raw .bin file 2352-byte sectors with the data after a 16-byte header
// (MODE1) or after a header and a subheader, 24 bytes (MODE2, form 1).
struct SectorLayout {
    std::uint64_t start = 0;
    std::uint32_t size = SectorDataSize;
    std::uint32_t data = 0;
};

// One run of sectors that holds part of a file: its first sector and its length in bytes.
struct Extent {
    std::uint32_t sector = 0;
    std::uint32_t size = 0;
};

// The file of a CD image (an .iso, a .bin, an optical drive), read only by pread at the
// offsets its layout gives: nothing else of the file is ever read, and nothing is written.
class SectorImage {
public:
    // Opens the file, an ordinary file or a block device. Raises EInOutError when it cannot be
    // opened or is neither.
    SectorImage(const std::string& filePath, SectorLayout layout);
    ~SectorImage();
    SectorImage(const SectorImage&) = delete;
    SectorImage& operator=(const SectorImage&) = delete;

    // The number of whole sectors the file holds.
    std::uint64_t SectorCount() const noexcept { return sectorCount_; }

    // Reads `size` data bytes from `offset`, counted in the data bytes of the sectors (sector
    // n's data begins at n * 2048). Raises EInOutError "Lecture au delà de la fin de fichier"
    // when the file ends first, and the system's code when a read fails.
    void ReadData(std::uint64_t offset, char* into, std::size_t size) const;

    // True when the bytes [offset, offset + size) of the data lie in the file.
    bool HoldsData(std::uint64_t offset, std::uint64_t size) const noexcept;

private:
    void ReadRaw(std::uint64_t fileOffset, char* into, std::size_t size) const;

    int fd_ = -1;
    SectorLayout layout_;
    std::uint64_t sectorCount_ = 0;
};

// A file inside a CD image: its extents read one after the other, straight into the caller's
// buffer. Its size is the one its directory record gives.
class ImageFileSource final : public ByteSource {
public:
    ImageFileSource(std::shared_ptr<const SectorImage> image, std::vector<Extent> extents);

    std::size_t Read(char* into, std::size_t size) override;
    std::int64_t Size() override { return size_; }
    void Close() override;

private:
    std::shared_ptr<const SectorImage> image_;
    std::vector<Extent> extents_;
    std::int64_t size_ = 0;
    std::size_t extent_ = 0;   // the extent being read
    std::uint32_t within_ = 0; // bytes of it read
    bool closed_ = false;
};

} // namespace fendix::platform
