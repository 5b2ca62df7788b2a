#include "platform/SectorImage.h"

#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace fendix::platform {

namespace {

// The code of "Lecture au delà de la fin de fichier".
constexpr int ReadPastEndCode = 100;

// The bytes of a raw sector that are not data, read into this and forgotten.
constexpr std::size_t MaxSkip = 2352 - SectorDataSize;

// preadv takes at most this many pieces at once: a data piece and a skipped one a sector.
constexpr int PiecesPerRead = 512;

} // namespace

SectorImage::SectorImage(const std::string& filePath, SectorLayout layout) : layout_(layout)
{
    fd_ = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        RaiseInOutError(errno);
    struct stat info {};
    std::uint64_t bytes = 0;
    int failure = 0;
    if (::fstat(fd_, &info) != 0)
        failure = errno;
    else if (S_ISREG(info.st_mode))
        bytes = static_cast<std::uint64_t>(info.st_size);
    else if (!S_ISBLK(info.st_mode) || ::ioctl(fd_, BLKGETSIZE64, &bytes) != 0)
        failure = S_ISDIR(info.st_mode) ? EISDIR : EACCES;
    if (failure != 0) {
        ::close(fd_);
        fd_ = -1;
        RaiseInOutError(failure);
    }
    if (bytes > layout_.start) {
        const std::uint64_t after = bytes - layout_.start;
        sectorCount_ = after / layout_.size;
        // A last sector cut short still counts when its data is all there.
        if (after % layout_.size >= layout_.data + SectorDataSize)
            ++sectorCount_;
    }
}

SectorImage::~SectorImage()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool SectorImage::HoldsData(std::uint64_t offset, std::uint64_t size) const noexcept
{
    const std::uint64_t total = sectorCount_ * SectorDataSize;
    return offset <= total && size <= total - offset;
}

void SectorImage::ReadRaw(std::uint64_t fileOffset, char* into, std::size_t size) const
{
    while (size > 0) {
        const ssize_t got = ::pread(fd_, into, size, static_cast<off_t>(fileOffset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            RaiseInOutError(errno);
        }
        if (got == 0)
            throw EInOutError(ReadPastEndCode);
        into += got;
        size -= static_cast<std::size_t>(got);
        fileOffset += static_cast<std::uint64_t>(got);
    }
}

void SectorImage::ReadData(std::uint64_t offset, char* into, std::size_t size) const
{
    if (size == 0)
        return;
    if (layout_.size == SectorDataSize) {
        ReadRaw(layout_.start + offset, into, size);
        return;
    }
    // Raw sectors: the data of many sectors in one call, their headers and error codes read
    // aside. A short read goes on where it stopped.
    char skipped[MaxSkip];
    const std::size_t gap = layout_.size - SectorDataSize;
    while (size > 0) {
        std::uint64_t sector = offset / SectorDataSize;
        std::size_t within = static_cast<std::size_t>(offset % SectorDataSize);
        const std::uint64_t fileOffset = layout_.start + sector * layout_.size + layout_.data + within;
        iovec pieces[PiecesPerRead];
        int count = 0;
        char* at = into;
        std::size_t left = size;
        while (left > 0 && count + 2 <= PiecesPerRead) {
            if (count > 0)
                pieces[count++] = {skipped, gap};
            const std::size_t piece = std::min(left, SectorDataSize - within);
            pieces[count++] = {at, piece};
            at += piece;
            left -= piece;
            within = 0;
        }
        ssize_t got = 0;
        do {
            got = ::preadv(fd_, pieces, count, static_cast<off_t>(fileOffset));
        } while (got < 0 && errno == EINTR);
        if (got < 0)
            RaiseInOutError(errno);
        if (got == 0)
            throw EInOutError(ReadPastEndCode);
        // What came, less the skipped bytes among it, is data.
        std::size_t data = 0;
        std::size_t counted = 0;
        for (int i = 0; i < count && counted < static_cast<std::size_t>(got); ++i) {
            const std::size_t take = std::min(pieces[i].iov_len, static_cast<std::size_t>(got) - counted);
            if (pieces[i].iov_base != skipped)
                data += take;
            counted += take;
        }
        into += data;
        size -= data;
        offset += data;
    }
}

ImageFileSource::ImageFileSource(std::shared_ptr<const SectorImage> image, std::vector<Extent> extents)
    : image_(std::move(image)), extents_(std::move(extents))
{
    for (const Extent& extent : extents_)
        size_ += extent.size;
}

std::size_t ImageFileSource::Read(char* into, std::size_t size)
{
    if (closed_)
        RaiseInOutError(EBADF);
    while (extent_ < extents_.size() && within_ == extents_[extent_].size) {
        ++extent_;
        within_ = 0;
    }
    if (extent_ == extents_.size() || size == 0)
        return 0;
    const Extent& extent = extents_[extent_];
    const std::size_t count = std::min<std::size_t>(size, extent.size - within_);
    image_->ReadData(std::uint64_t{extent.sector} * SectorDataSize + within_, into, count);
    within_ += static_cast<std::uint32_t>(count);
    return count;
}

void ImageFileSource::Close()
{
    closed_ = true;
    image_.reset();
}

} // namespace fendix::platform
