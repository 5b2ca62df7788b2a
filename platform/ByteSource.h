#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fendix::platform {

// Where the bytes of a description file come from, read once from the first to the last: a
// file of the file system, a file inside a CD image, or bytes held in memory. Every
// operation raises EInOutError when the system refuses it.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads the next bytes, at most `size` of them, into `into`; 0 once every byte has been
    // read. May give fewer bytes than asked before the end.
    virtual std::size_t Read(char* into, std::size_t size) = 0;

    // The file's size as FileSizeOf gives it by the file's name (0 for a hidden file).
    virtual std::int64_t Size() = 0;

    // Lets the file go; the destructor does so quietly when this was not called.
    virtual void Close() = 0;
};

// A file of the file system. Opening it raises EInOutError when it is missing, not a file
// (a directory, a pipe, a device) or cannot be read.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t Read(char* into, std::size_t size) override;
    std::int64_t Size() override;
    void Close() override;

private:
    std::string path_;
    int fd_ = -1;
};

// Bytes held in memory, for tests and fuzzing, which the caller keeps while they are read:
// handed out at most `chunk` at a time, with a size of their own (their length unless told),
// and, when asked, an input/output error (errno EIO) once `failAfter` bytes have been read.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, std::size_t chunk = SIZE_MAX,
                          std::optional<std::int64_t> size = std::nullopt,
                          std::optional<std::size_t> failAfter = std::nullopt);

    std::size_t Read(char* into, std::size_t size) override;
    std::int64_t Size() override { return size_; }
    void Close() override {}

private:
    std::string_view bytes_;
    std::size_t chunk_;
    std::int64_t size_;
    std::optional<std::size_t> failAfter_;
    std::size_t read_ = 0;
};

} // namespace fendix::platform
