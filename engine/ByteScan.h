#pragma once

// Block-wise passes over the bytes of a description file: counting line ends, finding the
// lines that start entries, and finding where the texts of a search begin. Each pass looks
// at 64 bytes at a time with the widest vector instructions the processor has, chosen once
// at run time (AVX2, else SSE2, else plain bytes).

#include "engine/ScanTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fendix::engine::scan {

// Counts the line ends of [p, q); when countLone is false, counts.lone is left alone. Stops
// early, at the end of a block of 64 bytes, once `budget` carriage returns have been counted
// in this call. Reads up to 65 bytes past q.
Stopped CountLineEnds(const char* p, const char* q, std::uint64_t budget, bool countLone,
                      LineEndCounts& counts) noexcept;

// Finds the first line start s in [p, q) whose line starts an entry by `rule`, counting the
// line ends of [p, s). A line starts where a carriage return ends the line before it, after
// the line feed that may follow the return. Stops early like CountLineEnds. Reads 2 bytes
// before p and up to 66 bytes past q; the lines that start before q must end in [p, q]
// or at a byte that is no space, so that nothing past them decides.
Stopped FindEntryStart(const char* p, const char* q, StartRule rule, std::uint64_t budget, bool countLone,
                       LineEndCounts& counts) noexcept;

// The first place in [from, stop) of `data` where one of the needles begins and ends by
// `end`; `which` gets the bits of the needles found there. With `rawLines`, a needle that
// begins with a line feed is not found right after a carriage return (that line feed is part
// of a line end); data[from - 1] is then read. Bytes up to `readable` may be read. Returns
// `stop` when there is none.
std::size_t FindNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                        std::size_t readable, const NeedleSet& needles, bool rawLines,
                        unsigned& which) noexcept;

// Finds the entry starts of [p, q), as FindEntryStart would one after the other, up to
// `capacity` of them: for each, its distance from p and the line ends before it in [p, ..).
// Returns how many it found; `stopped` is where it stopped (q, or the start that did not
// fit) and `counts` gets the line ends of [p, stopped). Reads what FindEntryStart reads.
std::size_t FindEntryStarts(const char* p, const char* q, StartRule rule, bool countLone, EntryStartAt* out,
                            std::size_t capacity, const char*& stopped, LineEndCounts& counts) noexcept;

// Like FindNeedles, every place up to `capacity` of them, in order; returns how many, and in
// `searched` where the search stopped (stop, or the place after the last one found).
std::size_t FindAllNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                           std::size_t readable, const NeedleSet& needles, bool rawLines, NeedleAt* out,
                           std::size_t capacity, std::size_t& searched) noexcept;

// The passes of one instruction set.
struct Passes {
    const char* name;
    decltype(&CountLineEnds) countLineEnds;
    decltype(&FindEntryStart) findEntryStart;
    decltype(&FindNeedles) findNeedles;
    decltype(&FindAllNeedles) findAllNeedles;
    decltype(&FindEntryStarts) findEntryStarts;
};

// The passes of every instruction set this processor has, the one the functions above use
// first.
std::span<const Passes> AvailablePasses() noexcept;

// The carriage returns of the 64 bytes at p, as bits (bit i for p[i]).
inline std::uint64_t ReturnsIn64(const char* p) noexcept
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8(desc::Return);
    const auto part = [&](int i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr))));
    };
    return part(0) | part(1) << 16 | part(2) << 32 | part(3) << 48;
#else
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i)
        bits |= static_cast<std::uint64_t>(p[i] == desc::Return) << i;
    return bits;
#endif
}

} // namespace fendix::engine::scan
