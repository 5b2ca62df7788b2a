#include "engine/ByteScan.h"

#include "engine/ByteScanIsa.h"

#include <array>

namespace fendix::engine::scan {

namespace {

// The passes of every instruction set the processor has, the widest first; chosen once, at
// the first pass, and never changed afterwards.
struct Available {
    std::array<Passes, 2> sets{};
    std::size_t count = 0;

    Available() noexcept
    {
#if defined(FENDIX_HAVE_AVX2_PASSES)
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi")
            && __builtin_cpu_supports("popcnt"))
            sets[count++] = {"avx2",
                             avx2::CountLineEnds,
                             avx2::FindEntryStart,
                             avx2::FindNeedles,
                             avx2::FindAllNeedles,
                             avx2::FindEntryStarts};
#endif
        // SSE2 on every x86-64 processor; plain bytes elsewhere.
        sets[count++] = {"sse2",
                         sse2::CountLineEnds,
                         sse2::FindEntryStart,
                         sse2::FindNeedles,
                         sse2::FindAllNeedles,
                         sse2::FindEntryStarts};
    }
};

const Available& AvailableSets() noexcept
{
    static const Available available;
    return available;
}

const Passes& Chosen() noexcept
{
    return AvailableSets().sets[0];
}

} // namespace

std::span<const Passes> AvailablePasses() noexcept
{
    const Available& available = AvailableSets();
    return {available.sets.data(), available.count};
}

Stopped CountLineEnds(const char* p, const char* q, std::uint64_t budget, bool countLone,
                      LineEndCounts& counts) noexcept
{
    return Chosen().countLineEnds(p, q, budget, countLone, counts);
}

Stopped FindEntryStart(const char* p, const char* q, StartRule rule, std::uint64_t budget, bool countLone,
                       LineEndCounts& counts) noexcept
{
    return Chosen().findEntryStart(p, q, rule, budget, countLone, counts);
}

std::size_t FindNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                        std::size_t readable, const NeedleSet& needles, bool rawLines,
                        unsigned& which) noexcept
{
    return Chosen().findNeedles(data, from, stop, end, readable, needles, rawLines, which);
}

std::size_t FindAllNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                           std::size_t readable, const NeedleSet& needles, bool rawLines, NeedleAt* out,
                           std::size_t capacity, std::size_t& searched) noexcept
{
    return Chosen().findAllNeedles(data, from, stop, end, readable, needles, rawLines, out, capacity,
                                   searched);
}

std::size_t FindEntryStarts(const char* p, const char* q, StartRule rule, bool countLone, EntryStartAt* out,
                            std::size_t capacity, const char*& stopped, LineEndCounts& counts) noexcept
{
    return Chosen().findEntryStarts(p, q, rule, countLone, out, capacity, stopped, counts);
}

} // namespace fendix::engine::scan
