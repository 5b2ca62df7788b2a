#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fendix::fuzz {

// Ends the run with a message when a property does not hold: the fuzzer keeps the input.
inline void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The place for scratch files: in memory when /dev/shm is there.
inline const char* ScratchPlace()
{
    return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

// One temporary file, named after the target, serves every input of a fuzz run; it is
// removed when the run ends.
inline const std::string& FileForInputs(const char* target)
{
    static char path[96];
    if (path[0] == '\0') {
        std::snprintf(path, sizeof path, "%s/%s-XXXXXX", ScratchPlace(), target);
        const int fd = ::mkstemp(path);
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(path); });
    }
    static const std::string name = path;
    return name;
}

// One temporary directory, named after the target, emptied for every input and removed
// with everything in it when the run ends.
inline const std::string& DirectoryForInputs(const char* target)
{
    static char path[96];
    if (path[0] == '\0') {
        std::snprintf(path, sizeof path, "%s/%s-XXXXXX", ScratchPlace(), target);
        if (::mkdtemp(path) == nullptr)
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        });
    }
    static const std::string name = path;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(name, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return name;
}

// The names in a directory, sorted.
inline std::vector<std::string> NamesIn(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Puts the current directory back when it goes: the code under test changes it, and the
// fuzzer opens its corpus by the names it was given.
class KeepCurrentDirectory {
public:
    KeepCurrentDirectory() : fd_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~KeepCurrentDirectory()
    {
        if (fd_ >= 0) {
            Check(::fchdir(fd_) == 0, "the current directory is put back");
            ::close(fd_);
        }
    }
    KeepCurrentDirectory(const KeepCurrentDirectory&) = delete;
    KeepCurrentDirectory& operator=(const KeepCurrentDirectory&) = delete;

private:
    int fd_;
};

// Writes a file byte for byte.
inline void WriteFile(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr, "a scratch file opens");
    Check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "a scratch file is written");
    std::fclose(file);
}

// An input read piece by piece: single bytes, and fields that end at a NUL byte. What is
// asked beyond the end reads as 0 and as empty fields. Seeds are easy to write by hand in
// this form: control bytes, then texts each followed by a NUL.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size)
    {
    }

    std::uint8_t Byte()
    {
        if (rest_.empty())
            return 0;
        const auto byte = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return byte;
    }

    // Up to the next NUL (which is dropped) or `max` bytes, whichever comes first.
    std::string Field(std::size_t max)
    {
        std::size_t end = rest_.find('\0');
        const bool ended = end != std::string_view::npos && end <= max;
        if (!ended)
            end = std::min(max, rest_.size());
        std::string field(rest_.substr(0, end));
        rest_.remove_prefix(ended ? end + 1 : end);
        return field;
    }

    bool Empty() const noexcept { return rest_.empty(); }

private:
    std::string_view rest_;
};

} // namespace fendix::fuzz
