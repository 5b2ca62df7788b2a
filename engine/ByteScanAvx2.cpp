// The block-wise passes compiled for AVX2 (with BMI and POPCNT); chosen at run time only
// when the processor has them.

#include "engine/ByteScanIsa.h"

#include <immintrin.h>
#include <utility>

namespace fendix::engine::scan::avx2 {

namespace {

namespace desc = fendix::engine::desc;

struct Lanes {
    static constexpr std::size_t Chunk = 256;

    // Sums the bytes of a vector of counts (each at most 255).
    static unsigned Sum(__m256i counts) noexcept
    {
        const __m256i sums = _mm256_sad_epu8(counts, _mm256_setzero_si256());
        const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        return static_cast<unsigned>(_mm_cvtsi128_si64(_mm_add_epi64(half, _mm_unpackhi_epi64(half, half))));
    }

    template <bool Lone> static void CountChunk(const char* p, unsigned& returns, unsigned& lone) noexcept
    {
        const __m256i cr = _mm256_set1_epi8(desc::Return);
        const __m256i lf = _mm256_set1_epi8(desc::LineFeed);
        __m256i returnCounts = _mm256_setzero_si256();
        __m256i loneCounts = _mm256_setzero_si256();
        for (std::size_t i = 0; i < Chunk; i += 32) {
            const __m256i isReturn =
                _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)), cr);
            returnCounts = _mm256_sub_epi8(returnCounts, isReturn);
            if constexpr (Lone) {
                const __m256i lineFeedNext =
                    _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1)), lf);
                loneCounts = _mm256_sub_epi8(loneCounts, _mm256_andnot_si256(lineFeedNext, isReturn));
            }
        }
        returns = Sum(returnCounts);
        if constexpr (Lone)
            lone = Sum(loneCounts);
    }

    static std::uint64_t Eq(const char* p, unsigned char c) noexcept
    {
        const __m256i wanted = _mm256_set1_epi8(static_cast<char>(c));
        const auto half = [&](int i) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            return static_cast<std::uint64_t>(
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, wanted))));
        };
        return half(0) | half(1) << 32;
    }

    static std::uint64_t EqMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        const __m256i wanted = _mm256_set1_epi8(static_cast<char>(c));
        const __m256i masks = _mm256_set1_epi8(static_cast<char>(mask));
        const auto half = [&](int i) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(bytes, masks), wanted))));
        };
        return half(0) | half(1) << 32;
    }

    // Bit i: (a[i] & maskA) == ca and (b[i] & maskB) == cb.
    static std::uint64_t Pair(const char* a, unsigned char ca, unsigned char maskA, const char* b,
                              unsigned char cb, unsigned char maskB) noexcept
    {
        const __m256i wantedA = _mm256_set1_epi8(static_cast<char>(ca));
        const __m256i wantedB = _mm256_set1_epi8(static_cast<char>(cb));
        const __m256i masksA = _mm256_set1_epi8(static_cast<char>(maskA));
        const __m256i masksB = _mm256_set1_epi8(static_cast<char>(maskB));
        const auto half = [&](int i) {
            const __m256i bytesA = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32 * i));
            const __m256i bytesB = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32 * i));
            const __m256i both =
                _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(bytesA, masksA), wantedA),
                                 _mm256_cmpeq_epi8(_mm256_and_si256(bytesB, masksB), wantedB));
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(both)));
        };
        return half(0) | half(1) << 32;
    }

    // The places of the block at p where some needle's two filter bytes both fit: bit i when
    // (first[k][p + i] & firstMask[k]) == firstByte[k] and the same for second, for some k.
    // A block without any is told by one test, before the bits are gathered.
    template <std::size_t Needles, bool Fold>
    static std::uint64_t Candidates(std::size_t p, const char* const* first, const unsigned char* firstByte,
                                    const unsigned char* firstMask, const char* const* second,
                                    const unsigned char* secondByte, const unsigned char* secondMask) noexcept
    {
        __m256i low = _mm256_setzero_si256();
        __m256i high = _mm256_setzero_si256();
        for (std::size_t k = 0; k < Needles; ++k) {
            const auto fits = [&](const char* at, unsigned char c, unsigned char mask) {
                __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
                __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
                if constexpr (Fold) {
                    const __m256i masks = _mm256_set1_epi8(static_cast<char>(mask));
                    a = _mm256_and_si256(a, masks);
                    b = _mm256_and_si256(b, masks);
                }
                const __m256i wanted = _mm256_set1_epi8(static_cast<char>(c));
                return std::pair(_mm256_cmpeq_epi8(a, wanted), _mm256_cmpeq_epi8(b, wanted));
            };
            const auto [firstLow, firstHigh] = fits(first[k] + p, firstByte[k], firstMask[k]);
            const auto [secondLow, secondHigh] = fits(second[k] + p, secondByte[k], secondMask[k]);
            low = _mm256_or_si256(low, _mm256_and_si256(firstLow, secondLow));
            high = _mm256_or_si256(high, _mm256_and_si256(firstHigh, secondHigh));
        }
        const __m256i any = _mm256_or_si256(low, high);
        if (_mm256_testz_si256(any, any))
            return 0;
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(low)))
               | static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
    }

    static bool Any(const char* p, unsigned char c) noexcept
    {
        const __m256i wanted = _mm256_set1_epi8(static_cast<char>(c));
        const __m256i low =
            _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), wanted);
        const __m256i high =
            _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), wanted);
        const __m256i both = _mm256_or_si256(low, high);
        return _mm256_testz_si256(both, both) == 0;
    }

    static bool AnyMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        const __m256i wanted = _mm256_set1_epi8(static_cast<char>(c));
        const __m256i masks = _mm256_set1_epi8(static_cast<char>(mask));
        const auto half = [&](int i) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            return _mm256_cmpeq_epi8(_mm256_and_si256(bytes, masks), wanted);
        };
        const __m256i both = _mm256_or_si256(half(0), half(1));
        return _mm256_testz_si256(both, both) == 0;
    }
};

} // namespace

#include "engine/ByteScanKernels.inc"

} // namespace fendix::engine::scan::avx2
