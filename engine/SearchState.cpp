#include "engine/SearchState.h"

#include <limits>

namespace fendix::engine {

int Percentage(std::int64_t part, std::int64_t whole) noexcept
{
    if (whole <= 0)
        return 100;
    constexpr std::int64_t narrowLimit = std::int64_t{1} << 56;
    if (part >= 0 && part < narrowLimit) {
        // The usual case, in 64 bits.
        const std::int64_t product = part * 100;
        std::int64_t quotient = product / whole;
        const std::int64_t remainder = product % whole;
        const std::int64_t toNext = whole - remainder;
        if (remainder > toNext || (remainder == toNext && (quotient & 1) != 0))
            ++quotient;
        return quotient > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                          : static_cast<int>(quotient);
    }
    __extension__ using Wide = __int128;
    const Wide product = static_cast<Wide>(part) * 100;
    Wide quotient = product / whole;
    Wide remainder = product % whole;
    if (remainder < 0) { // floor division for a negative part
        remainder += whole;
        --quotient;
    }
    const Wide twice = remainder * 2;
    if (twice > whole || (twice == whole && (quotient & 1) != 0))
        ++quotient;
    if (quotient > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (quotient < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(quotient);
}

} // namespace fendix::engine
