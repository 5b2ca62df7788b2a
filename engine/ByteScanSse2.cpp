// The block-wise passes for SSE2, which every x86-64 processor has, and with plain bytes on
// other processors.

#include "engine/ByteScanIsa.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fendix::engine::scan::sse2 {

namespace {

namespace desc = fendix::engine::desc;

struct Lanes {
    static constexpr std::size_t Chunk = 256;

#if defined(__SSE2__)
    static unsigned Sum(__m128i counts) noexcept
    {
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        return static_cast<unsigned>(_mm_cvtsi128_si32(sums)
                                     + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }

    template <bool Lone> static void CountChunk(const char* p, unsigned& returns, unsigned& lone) noexcept
    {
        const __m128i cr = _mm_set1_epi8(desc::Return);
        const __m128i lf = _mm_set1_epi8(desc::LineFeed);
        __m128i returnCounts = _mm_setzero_si128();
        __m128i loneCounts = _mm_setzero_si128();
        for (std::size_t i = 0; i < Chunk; i += 16) {
            const __m128i isReturn =
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), cr);
            returnCounts = _mm_sub_epi8(returnCounts, isReturn);
            if constexpr (Lone) {
                const __m128i lineFeedNext =
                    _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1)), lf);
                loneCounts = _mm_sub_epi8(loneCounts, _mm_andnot_si128(lineFeedNext, isReturn));
            }
        }
        returns = Sum(returnCounts);
        if constexpr (Lone)
            lone = Sum(loneCounts);
    }

    static std::uint64_t EqMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
        const __m128i masks = _mm_set1_epi8(static_cast<char>(mask));
        const auto part = [&](int i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            return static_cast<std::uint64_t>(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, masks), wanted))));
        };
        return part(0) | part(1) << 16 | part(2) << 32 | part(3) << 48;
    }

    static std::uint64_t Eq(const char* p, unsigned char c) noexcept
    {
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
        const auto part = [&](int i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            return static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
        };
        return part(0) | part(1) << 16 | part(2) << 32 | part(3) << 48;
    }

    // Bit i: (a[i] & maskA) == ca and (b[i] & maskB) == cb.
    static std::uint64_t Pair(const char* a, unsigned char ca, unsigned char maskA, const char* b,
                              unsigned char cb, unsigned char maskB) noexcept
    {
        const __m128i wantedA = _mm_set1_epi8(static_cast<char>(ca));
        const __m128i wantedB = _mm_set1_epi8(static_cast<char>(cb));
        const __m128i masksA = _mm_set1_epi8(static_cast<char>(maskA));
        const __m128i masksB = _mm_set1_epi8(static_cast<char>(maskB));
        const auto part = [&](int i) {
            const __m128i bytesA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * i));
            const __m128i bytesB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * i));
            const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(bytesA, masksA), wantedA),
                                               _mm_cmpeq_epi8(_mm_and_si128(bytesB, masksB), wantedB));
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(both)));
        };
        return part(0) | part(1) << 16 | part(2) << 32 | part(3) << 48;
    }

    static bool AnyMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
        const __m128i masks = _mm_set1_epi8(static_cast<char>(mask));
        const auto part = [&](int i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            return _mm_cmpeq_epi8(_mm_and_si128(bytes, masks), wanted);
        };
        const __m128i all = _mm_or_si128(_mm_or_si128(part(0), part(1)), _mm_or_si128(part(2), part(3)));
        return _mm_movemask_epi8(all) != 0;
    }

    static bool Any(const char* p, unsigned char c) noexcept
    {
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
        const auto part = [&](int i) {
            return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), wanted);
        };
        const __m128i all = _mm_or_si128(_mm_or_si128(part(0), part(1)), _mm_or_si128(part(2), part(3)));
        return _mm_movemask_epi8(all) != 0;
    }
#else
    static std::uint64_t EqMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        std::uint64_t bits = 0;
        for (int i = 0; i < 64; ++i)
            bits |= static_cast<std::uint64_t>((static_cast<unsigned char>(p[i]) & mask) == c) << i;
        return bits;
    }

    static std::uint64_t Eq(const char* p, unsigned char c) noexcept
    {
        return EqMasked(p, c, 0xFF);
    }
    template <bool Lone> static void CountChunk(const char* p, unsigned& returns, unsigned& lone) noexcept
    {
        returns = lone = 0;
        for (std::size_t i = 0; i < Chunk; ++i) {
            returns += p[i] == desc::Return ? 1 : 0;
            if constexpr (Lone)
                lone += p[i] == desc::Return && p[i + 1] != desc::LineFeed ? 1 : 0;
        }
    }
    static bool AnyMasked(const char* p, unsigned char c, unsigned char mask) noexcept
    {
        return EqMasked(p, c, mask) != 0;
    }
    static bool Any(const char* p, unsigned char c) noexcept
    {
        return Eq(p, c) != 0;
    }
    static std::uint64_t Pair(const char* a, unsigned char ca, unsigned char maskA, const char* b,
                              unsigned char cb, unsigned char maskB) noexcept
    {
        return EqMasked(a, ca, maskA) & EqMasked(b, cb, maskB);
    }
#endif

    // Bit i: a position where some text's two filter bytes both stand.
    template <std::size_t Needles, bool Fold>
    static std::uint64_t Candidates(std::size_t p, const char* const* first, const unsigned char* firstByte,
                                    const unsigned char* firstMask, const char* const* second,
                                    const unsigned char* secondByte, const unsigned char* secondMask) noexcept
    {
        std::uint64_t bits = 0;
        for (std::size_t k = 0; k < Needles; ++k)
            bits |= Pair(first[k] + p, firstByte[k], Fold ? firstMask[k] : 0xFF, second[k] + p, secondByte[k],
                         Fold ? secondMask[k] : 0xFF);
        return bits;
    }
};

} // namespace

#include "engine/ByteScanKernels.inc"

} // namespace fendix::engine::scan::sse2
