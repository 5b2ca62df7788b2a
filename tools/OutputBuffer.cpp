#include "tools/OutputBuffer.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace fendix::tools {

OutputBuffer::OutputBuffer(int descriptor, std::size_t capacity)
    : descriptor_(descriptor), capacity_(std::max(capacity, MinimumCapacity)),
      data_(std::make_unique<char[]>(capacity_))
{
}

bool OutputBuffer::Flush()
{
    Write(data_.get(), used_);
    used_ = 0;
    return error_ == 0;
}

void OutputBuffer::AppendLarge(std::string_view bytes)
{
    Flush();
    if (bytes.size() < capacity_) {
        std::memcpy(data_.get(), bytes.data(), bytes.size());
        used_ = bytes.size();
    } else {
        Write(bytes.data(), bytes.size()); // no point copying what fills the block anyway
    }
}

void OutputBuffer::Write(const char* bytes, std::size_t size)
{
    while (size > 0 && error_ == 0) {
        const ssize_t written = ::write(descriptor_, bytes, size);
        if (written < 0) {
            if (errno != EINTR)
                error_ = errno;
            continue;
        }
        if (written == 0) {
            error_ = EIO; // nothing taken and no reason given: it would never end
            return;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace fendix::tools
