#pragma once

#include "engine/DescFormat.h"
#include "platform/ByteSource.h"

#include <algorithm>
#include <cstring>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace fendix::engine {

// The reader's window on a description file: the bytes [Offset(), End()) of the file, read
// from a byte source behind what the reader still needs, never from the end-of-file mark
// on. The buffer owns what it keeps: a refill drops the bytes before the first one still
// needed (and a few before it, which tell whether a line starts there), reads more behind
// the rest, and grows only when what must be kept fills half of it: an oversized line or
// entry. Around the window Margin more bytes may be read (their values mean nothing; a zero
// byte follows the window), so that blocks of bytes are compared without a bounds check.
class LineBuffer {
public:
    static constexpr std::size_t Margin = 128;
    // What one refill reads at most, until a long line makes the buffer grow.
    static constexpr std::size_t InitialCapacity = std::size_t{256} << 10;
    // The longest line kept; a longer one raises EInOutError.
    static constexpr std::size_t MaxLineLength = std::size_t{512} << 20;
    // Bytes kept before the first one still needed.
    static constexpr std::uint64_t Context = 8;

    explicit LineBuffer(platform::ByteSource& source);

    std::uint64_t Offset() const noexcept { return offset_; }
    std::uint64_t End() const noexcept { return offset_ + size_; }
    // True when the window holds the file's text to its end.
    bool Complete() const noexcept { return final_; }

    // The byte at a file offset in the window or its margins.
    const char* At(std::uint64_t offset) const noexcept
    {
        return data_ + static_cast<std::ptrdiff_t>(offset - offset_);
    }
    std::string_view Bytes(std::uint64_t from, std::uint64_t to) const noexcept
    {
        return {At(from), static_cast<std::size_t>(to - from)};
    }

    // Reads more of the file, keeping the bytes from `keep` on; false when nothing more came
    // (the window is then complete).
    bool Refill(std::uint64_t keep);

    // The first carriage return in [from, limit), or limit (limit <= End()).
    std::uint64_t NextReturn(std::uint64_t from, std::uint64_t limit) noexcept;
    // The last carriage return in [from, limit), or limit when there is none.
    std::uint64_t LastReturn(std::uint64_t from, std::uint64_t limit) const noexcept
    {
        if (limit <= from)
            return limit;
        const void* found = ::memrchr(At(from), desc::Return, static_cast<std::size_t>(limit - from));
        return found == nullptr
                   ? limit
                   : from + static_cast<std::uint64_t>(static_cast<const char*>(found) - At(from));
    }
    // Where the line after a carriage return starts: past the line feed that may follow it.
    std::uint64_t AfterLineEnd(std::uint64_t cr) const noexcept
    {
        return cr + 1 < End() && *At(cr + 1) == desc::LineFeed ? cr + 2 : cr + 1;
    }
    // The first bytes of the line at `start`, as many as decide whether it starts an entry,
    // cut at its line end; those bytes must be in the window, or the window complete.
    std::string_view LineHead(std::uint64_t start) const noexcept
    {
        const char* line = At(start);
        const auto most =
            static_cast<std::size_t>(std::min<std::uint64_t>(desc::StartDecidedBy, End() - start));
        std::size_t length = 0;
        while (length < most && line[length] != desc::Return)
            ++length;
        return {line, length};
    }

private:
    struct Release {
        void operator()(char* block) const noexcept;
    };

    platform::ByteSource& source_;
    std::unique_ptr<char, Release> block_; // Margin, capacity_ bytes, Margin
    char* data_ = nullptr;                 // the window: block_ + Margin
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;     // bytes in the window
    std::uint64_t offset_ = 0; // file offset of the window's first byte
    bool final_ = false;       // nothing is left to read
    // The carriage returns of the 64 bytes at returnsBlock_, as bits, for NextReturn.
    std::uint64_t returnsBlock_ = UINT64_MAX;
    std::uint64_t returnBits_ = 0;
};

} // namespace fendix::engine
