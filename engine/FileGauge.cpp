#include "engine/FileGauge.h"

#include "engine/SearchState.h"

namespace fendix::engine {

void FileGauge::Settle(LineBuffer& buffer) noexcept
{
    if (pending_ == None)
        return;
    // The place of the line's end counts every earlier line with the bytes of its line end;
    // each line that ended with one byte counts one more.
    const std::uint64_t end = buffer.NextReturn(pending_, buffer.End());
    if (end == buffer.End() && !buffer.Complete())
        return;
    characters_ = static_cast<std::int64_t>(end + 2 + pendingLone_);
    pending_ = None;
}

void FileGauge::ShowLastStart(LineBuffer& buffer)
{
    Settle(buffer);
    if (characters_ < 0 || size_ <= 0)
        return;
    const int value = Percentage(characters_, size_);
    if (GaugeAtPasses(pacing_) && value == shown_)
        return;
    shown_ = value;
    windows_.SetFileGauge(value);
}

} // namespace fendix::engine
