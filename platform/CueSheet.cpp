#include "platform/CueSheet.h"

#include "platform/Ascii.h"

#include <vector>

namespace fendix::platform {

namespace {

constexpr std::uint32_t RawSectorSize = 2352;
constexpr std::uint32_t Mode1DataOffset = 16; // sync and header
constexpr std::uint32_t Mode2DataOffset = 24; // sync, header and the form 1 subheader
constexpr std::uint32_t FramesPerSecond = 75;

bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

// The words of a line; a word between double quotes keeps its blanks.
std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            words.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            const std::size_t start = i;
            while (i < line.size() && !IsBlank(line[i]))
                ++i;
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// "mm:ss:ff" as a count of frames; nothing when it is not that.
std::optional<std::uint64_t> FramesOf(std::string_view time)
{
    std::uint64_t parts[3] = {0, 0, 0};
    int part = 0;
    bool digit = false;
    for (const char c : time) {
        if (c == ':') {
            if (!digit || ++part > 2)
                return std::nullopt;
            digit = false;
        } else if (c >= '0' && c <= '9') {
            if (parts[part] > 99999)
                return std::nullopt;
            parts[part] = parts[part] * 10 + static_cast<std::uint64_t>(c - '0');
            digit = true;
        } else {
            return std::nullopt;
        }
    }
    if (part != 2 || !digit || parts[1] >= 60 || parts[2] >= FramesPerSecond)
        return std::nullopt;
    return (parts[0] * 60 + parts[1]) * FramesPerSecond + parts[2];
}

} // namespace

std::optional<CueDataTrack> ParseCueSheet(std::string_view text)
{
    std::string_view file;
    bool haveFile = false;
    std::optional<CueDataTrack> track;
    bool inTrack = false; // the lines being read belong to the data track
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        const std::string keyword = UpperAscii(words[0]);
        if (keyword == "FILE" && words.size() >= 2) {
            if (inTrack)
                break; // the data track's file has ended
            file = words[1];
            haveFile = true;
        } else if (keyword == "TRACK" && words.size() >= 3) {
            if (inTrack)
                break;
            const std::string mode = UpperAscii(words[2]);
            if (haveFile && (mode == "MODE1/2352" || mode == "MODE2/2352")) {
                track.emplace();
                track->fileName = std::string(file);
                track->layout.size = RawSectorSize;
                track->layout.data = mode == "MODE1/2352" ? Mode1DataOffset : Mode2DataOffset;
                inTrack = true;
            }
        } else if (keyword == "INDEX" && inTrack && words.size() >= 3
                   && (words[1] == "01" || words[1] == "1")) {
            if (const auto frames = FramesOf(words[2]))
                track->layout.start = *frames * RawSectorSize;
        }
    }
    return track;
}

} // namespace fendix::platform
