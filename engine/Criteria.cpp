#include "engine/Criteria.h"

#include <algorithm>
#include <cstring>

namespace fendix::engine {

CriteriaMatcher::CriteriaMatcher(const Criteria& criteria, bool ignoreCase)
    : negated_(criteria.negated), joinAnd_{true, criteria.EtRadio2, criteria.EtRadio3},
      active_(criteria.texts[1].empty()   ? 1
              : criteria.texts[2].empty() ? 2
                                          : 3)
{
    for (std::size_t i = 0; i < active_; ++i) {
        finders_[i] = TextFinder(criteria.texts[i], ignoreCase);
        const scan::Needle needle = finders_[i].AsNeedle(1U << i);
        if (needle.length == 0 || std::memchr(needle.bytes, desc::Return, needle.length) != nullptr)
            continue;
        needles_.needles[needles_.count++] = needle;
        needles_.longest = std::max(needles_.longest, needle.length);
        needles_.farthestRare = std::max({needles_.farthestRare, needle.rareAt[0], needle.rareAt[1]});
    }
}

} // namespace fendix::engine
