#include "tools/OutputBuffer.h"

#include "platform/FileSystem.h"

#include <algorithm>

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
    if (error_ == 0)
        error_ = platform::WriteAll(descriptor_, std::string_view(bytes, size));
}

} // namespace fendix::tools
