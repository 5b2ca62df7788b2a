#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fendix::platform {

// A text file read in one buffered pass, line by line or block by block.
//
// A carriage return ends a line, and a line feed right after it belongs to that line end.
// A line feed on its own is an ordinary character of the line. The byte 0x1A ends the file:
// what stands before it on its line is the last line, nothing after it is read. Lines of
// any length are read whole (the buffer grows to hold the longest line).
//
// A reader uses either ReadLine and AtEnd, or Window and ReadMore, not both.
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

    // The file's text held in the buffer, for a reader that cuts it into lines itself: the
    // bytes from file offset WindowOffset() on, up to what has been read, never from a 0x1A
    // on. A zero byte follows it, and Margin more bytes before and after it may be read (their
    // values mean nothing), so that blocks of bytes can be compared without a bounds check.
    // Views into it stay valid until the next ReadMore.
    std::string_view Window() const noexcept { return {data_, end_}; }
    std::uint64_t WindowOffset() const noexcept { return offset_; }

    // True when the window holds the file's text to its end.
    bool WindowComplete() const noexcept { return final_; }

    // Drops the window's first `keep` bytes and reads more of the file behind the rest
    // (the buffer grows when the kept bytes fill half of it). False when nothing more came:
    // the window is then complete.
    bool ReadMore(std::size_t keep);

    // Readable bytes before and after the window.
    static constexpr std::size_t Margin = 128;

    // The longest line this reader accepts; a longer one raises EInOutError.
    static constexpr std::size_t MaxLineLength = std::size_t{512} << 20;

private:
    struct Release {
        void operator()(char* block) const noexcept;
    };

    void SkipLineFeed();

    std::string path_; // what errors name
    int fd_ = -1;
    std::unique_ptr<char, Release> block_; // Margin, capacity_ bytes, Margin
    char* data_ = nullptr;                 // the window: block_ + Margin
    std::size_t capacity_ = 0;
    std::size_t end_ = 0;       // bytes in the window
    std::uint64_t offset_ = 0;  // file offset of the window's first byte
    bool final_ = false;        // nothing is left to read from the file
    std::size_t pos_ = 0;       // line reading: next byte to deliver
    bool skipLineFeed_ = false; // line reading: the last line ended with a carriage return
};

} // namespace fendix::platform
