#include "engine/EntryLines.h"

namespace fendix::engine {

namespace {

// Room kept from one entry to the next; more is given back after an outsized entry.
constexpr std::size_t KeptRoom = std::size_t{1} << 20;

} // namespace

void EntryLineList::Append(std::string_view line)
{
    if (line.empty())
        return;
    text_.append(line);
    ends_.push_back(text_.size());
}

void EntryLineList::Clear() noexcept
{
    ends_.clear();
    if (text_.capacity() > KeptRoom)
        std::string().swap(text_);
    else
        text_.clear();
}

} // namespace fendix::engine
