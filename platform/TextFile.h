#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    bool AtEnd()
    {
        SkipBufferedLineFeed();
        return pos_ == end_ && AtEndSlow();
    }

    // The next line, without its line end; an empty view once the end has been reached.
    // The view stays valid until the next call of ReadLine or AtEnd.
    std::string_view ReadLine()
    {
        SkipBufferedLineFeed();
        if (skipLineFeed_ || nextReturn_ == returns_.size())
            return ReadLineSlow();
        lineStart_ = pos_;
        const std::size_t cr = returns_[nextReturn_++];
        pos_ = cr + 1;
        skipLineFeed_ = true;
        return {buffer_.get() + lineStart_, cr - lineStart_};
    }

    // Closes the file; the destructor closes it quietly when this was not called.
    void Close();

    // The bytes held in the buffer from the start of the last line read onward: the line
    // itself, then what the next reads will deliver (line ends and 0x1A included, the
    // part after a 0x1A excluded). Valid as long as Generation() does not change.
    std::string_view Buffered() const noexcept { return {buffer_.get() + lineStart_, end_ - lineStart_}; }

    // Changes whenever the buffer is refilled, that is whenever views may move.
    std::uint64_t Generation() const noexcept { return generation_; }

    // Keeps the bytes from the start of the last line read in the buffer until Unpin(), so
    // that a place measured from PinnedBase() names the same byte after a refill.
    void Pin() noexcept
    {
        pin_ = lineStart_;
        pinned_ = true;
    }
    void Unpin() noexcept { pinned_ = false; }
    const char* PinnedBase() const noexcept { return buffer_.get() + pin_; }

    // The longest line this reader accepts; a longer one raises EInOutError.
    static constexpr std::size_t MaxLineLength = std::size_t{512} << 20;

private:
    // The line feed after a carriage return, when it is already in the buffer.
    void SkipBufferedLineFeed() noexcept
    {
        if (skipLineFeed_ && pos_ < end_) {
            if (buffer_[pos_] == '\n')
                ++pos_;
            skipLineFeed_ = false;
        }
    }

    bool AtEndSlow();
    std::string_view ReadLineSlow();
    bool Fill();
    void IndexReturns(std::size_t from, std::size_t to);
    void SkipLineFeed();

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;       // next byte to deliver
    std::size_t end_ = 0;       // end of the valid bytes
    std::size_t lineStart_ = 0; // start of the last line delivered
    std::size_t pin_ = 0;       // start of the pinned bytes, while pinned_
    bool pinned_ = false;
    bool final_ = false;                 // no byte is left to read from the file
    bool skipLineFeed_ = false;          // the last line ended with a carriage return
    std::vector<std::uint32_t> returns_; // places of the carriage returns not yet delivered...
    std::size_t nextReturn_ = 0;         // ...from this index on
    std::uint64_t generation_ = 0;
};

} // namespace fendix::platform
