#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fendix::platform {

// A text file read line by line, in one buffered pass.
//
// A carriage return ends a line, and a line feed right after it belongs to that line end.
// A line feed on its own is an ordinary character of the line. The byte 0x1A ends the file:
// what stands before it on its line is the last line, nothing after it is read. Lines of
// any length are read whole (the buffer grows to hold the longest line).
//
// Every operation raises EInOutError when the system refuses it.
class TextFile {
public:
    explicit TextFile(const std::string& path);
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // True when no line is left to read.
    bool AtEnd();

    // The next line, without its line end; an empty view once the end has been reached.
    // The view stays valid until the next call of ReadLine or AtEnd.
    std::string_view ReadLine();

    // Closes the file; the destructor closes it quietly when this was not called.
    void Close();

    // The bytes held in the buffer from the start of the last line read onward: the line
    // itself, then what the next reads will deliver (line ends and 0x1A included, the
    // part after a 0x1A excluded). Valid as long as Generation() does not change.
    std::string_view Buffered() const noexcept
    {
        return {buffer_.get() + lineStart_, end_ - lineStart_};
    }

    // Changes whenever the buffer is refilled, that is whenever views may move.
    std::uint64_t Generation() const noexcept { return generation_; }

    // The longest line this reader accepts; a longer one raises EInOutError.
    static constexpr std::size_t MaxLineLength = std::size_t{512} << 20;

private:
    bool Fill();
    void SkipLineFeed();

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;       // next byte to deliver
    std::size_t end_ = 0;       // end of the valid bytes
    std::size_t lineStart_ = 0; // start of the last line delivered
    bool final_ = false;        // no byte is left to read from the file
    bool skipLineFeed_ = false; // the last line ended with a carriage return
    std::uint64_t generation_ = 0;
};

} // namespace fendix::platform
