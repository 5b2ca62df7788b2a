#pragma once

#include "engine/Criteria.h"
#include "engine/EntryReader.h"
#include "engine/SearchWindows.h"
#include "tests/engine/PlainReader.h"
#include "tests/fuzz/FuzzSupport.h"

#include <string_view>

namespace fendix::fuzz {

// What every entry shown must be: labelled, of 1 to MaxEntryLines stored lines, none of
// them empty, and a match of the criteria by their plain evaluation.
inline void CheckShownEntry(std::string_view label, const engine::ShownEntry& shown,
                            const engine::Criteria& criteria, bool ignoreCase)
{
    const engine::EntryLineList& entry = shown.Lines();
    Check(!label.empty(), "an entry has a label");
    Check(entry.Count() >= 1 && entry.Count() <= engine::desc::MaxEntryLines,
          "an entry shown has 1 to 200 lines");
    testing::Lines lines;
    for (std::size_t i = 0; i < entry.Count(); ++i) {
        Check(!entry[i].empty(), "no stored line is empty");
        lines.emplace_back(entry[i]);
    }
    Check(testing::PlainMatches(criteria, ignoreCase, lines), "an entry shown matches the criteria");
}

} // namespace fendix::fuzz
