#include "engine/TextFinder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fendix::engine {

namespace {

using platform::UpperByte;

constexpr bool IsCapital(unsigned char c) noexcept
{
    return c >= 'A' && c <= 'Z';
}

// Clearing bit 5 maps exactly the two cases of a letter onto its capital.
constexpr unsigned char MaskFor(unsigned char c, bool ignoreCase) noexcept
{
    return ignoreCase && IsCapital(c) ? 0xDF : 0xFF;
}

} // namespace

TextFinder::TextFinder(std::string_view text, bool ignoreCase)
    : needle_(ignoreCase ? UpperAscii(text) : std::string(text)), ignoreCase_(ignoreCase)
{
    if (needle_.empty())
        return;
    first_ = static_cast<unsigned char>(needle_.front());
    last_ = static_cast<unsigned char>(needle_.back());
    firstMask_ = MaskFor(first_, ignoreCase);
    lastMask_ = MaskFor(last_, ignoreCase);
}

bool TextFinder::EqualAt(const char* at) const noexcept
{
    const std::size_t n = needle_.size();
    if (!ignoreCase_)
        return std::memcmp(at, needle_.data(), n) == 0;
    for (std::size_t i = 0; i < n; ++i)
        if (UpperByte(static_cast<unsigned char>(at[i])) != static_cast<unsigned char>(needle_[i]))
            return false;
    return true;
}

std::size_t TextFinder::Find(std::string_view haystack) const noexcept
{
    const std::size_t n = needle_.size();
    if (n == 0 || haystack.size() < n)
        return npos;
    const char* const data = haystack.data();
    // Candidates are the positions whose first and last bytes fit; the rest is compared
    // only there.
    const std::size_t positions = haystack.size() - n + 1;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(static_cast<char>(first_));
    const __m128i last = _mm_set1_epi8(static_cast<char>(last_));
    const __m128i firstMask = _mm_set1_epi8(static_cast<char>(firstMask_));
    const __m128i lastMask = _mm_set1_epi8(static_cast<char>(lastMask_));
    for (; i + 16 <= positions; i += 16) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + n - 1));
        const __m128i fits = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(head, firstMask), first),
                                           _mm_cmpeq_epi8(_mm_and_si128(tail, lastMask), last));
        auto candidates = static_cast<unsigned>(_mm_movemask_epi8(fits));
        while (candidates != 0) {
            const auto bit = static_cast<std::size_t>(__builtin_ctz(candidates));
            if (EqualAt(data + i + bit))
                return i + bit;
            candidates &= candidates - 1;
        }
    }
#endif
    for (; i < positions; ++i) {
        if ((static_cast<unsigned char>(data[i]) & firstMask_) == first_
            && (static_cast<unsigned char>(data[i + n - 1]) & lastMask_) == last_ && EqualAt(data + i))
            return i;
    }
    return npos;
}

} // namespace fendix::engine
