#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

namespace fendix::tools {

// Bytes on their way to a file descriptor, gathered in one block that is written when it is
// full or when asked: whatever is appended, one write per block, and nothing allocated after
// construction. After a failed write nothing more is written; the first failure is kept.
class OutputBuffer {
public:
    // Smaller capacities are raised to this one, so that any character fits.
    static constexpr std::size_t MinimumCapacity = 16;

    explicit OutputBuffer(int descriptor, std::size_t capacity = std::size_t{1} << 16);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void Append(std::string_view bytes)
    {
        if (bytes.size() <= capacity_ - used_) {
            std::memcpy(data_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
        } else {
            AppendLarge(bytes);
        }
    }

    void Append(char byte)
    {
        if (used_ == capacity_)
            Flush();
        data_[used_++] = byte;
    }

    // Room for at least `size` bytes (at most the capacity), what is held being written out
    // first when needed; Commit then says how many of them were filled.
    std::span<char> Room(std::size_t size)
    {
        if (size > capacity_ - used_)
            Flush();
        return {data_.get() + used_, capacity_ - used_};
    }
    void Commit(std::size_t size) noexcept { used_ += size; }

    std::size_t Capacity() const noexcept { return capacity_; }

    // Writes what is held; false when this or an earlier write failed.
    bool Flush();

    // The errno of the first failed write, 0 while none failed.
    int Error() const noexcept { return error_; }

private:
    void AppendLarge(std::string_view bytes);
    void Write(const char* bytes, std::size_t size);

    int descriptor_;
    std::size_t capacity_;
    std::unique_ptr<char[]> data_;
    std::size_t used_ = 0;
    int error_ = 0;
};

} // namespace fendix::tools
