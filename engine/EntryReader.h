#pragma once

#include "engine/DescFormat.h"
#include "engine/EntryLines.h"
#include "platform/ByteSource.h"

#include <string>

namespace fendix::engine {

class SearchWindows;
struct SearchState;

// Reads one description file from its bytes, cuts it into entries, tests each and shows each
// match, labelled with `fileName`. Raises EInOutError on a file error.
void ScanFile(platform::ByteSource& source, const std::string& fileName, TDescKind kind, SearchState& state,
              bool ignoreCase, SearchWindows& windows);

} // namespace fendix::engine
