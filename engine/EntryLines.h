#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::engine {

// The stored lines of the entry being gathered, in file order; never an empty one.
// Lines are kept back to back in one block whose room is reused from entry to entry, so
// that gathering an entry allocates nothing once the block has grown.
class EntryLineList {
public:
    std::size_t Count() const noexcept { return ends_.size(); }
    bool Empty() const noexcept { return ends_.empty(); }

    std::string_view operator[](std::size_t index) const noexcept
    {
        const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(text_).substr(begin, ends_[index] - begin);
    }

    // Appends a line; an empty one changes nothing.
    void Append(std::string_view line);

    // Forgets every line (and gives back the room of an outsized entry).
    void Clear() noexcept;

private:
    std::string text_;
    std::vector<std::size_t> ends_;
};

// AddEntryLine: appends a non-empty string to the entry.
inline void AddEntryLine(EntryLineList& lines, std::string_view line)
{
    lines.Append(line);
}

// ClearEntry: forgets the gathered lines.
inline void ClearEntry(EntryLineList& lines) noexcept
{
    lines.Clear();
}

} // namespace fendix::engine
