#pragma once

#include "platform/SectorImage.h"

#include <optional>
#include <string>
#include <string_view>

namespace fendix::platform {

// The data track of a CD image described by a cue sheet: the file named by its FILE line,
// as written, and where the track's sectors lie in that file.
struct CueDataTrack {
    std::string fileName;
    SectorLayout layout;
};

// The largest cue sheet read: a real one is a few hundred bytes.
inline constexpr std::size_t MaxCueSheetSize = 64 * 1024;

// Reads a cue sheet: the first track of mode MODE1/2352 or MODE2/2352, the FILE it lies in
// and its INDEX 01 (minutes, seconds and frames of 75 a second into that file). Keywords
// match without regard to case; a name may be quoted. Nothing when the text has no such
// track: it is no cue sheet of a data disc.
std::optional<CueDataTrack> ParseCueSheet(std::string_view text);

} // namespace fendix::platform
