#include "engine/ByteScan.h"

#include "engine/ByteScanIsa.h"

namespace fendix::engine::scan {

namespace {

// The passes of one instruction set.
struct Passes {
    decltype(&sse2::CountLineEnds) countLineEnds;
    decltype(&sse2::FindEntryStart) findEntryStart;
    decltype(&sse2::FindNeedles) findNeedles;
    decltype(&sse2::FindAllNeedles) findAllNeedles;
    decltype(&sse2::FindEntryStarts) findEntryStarts;
};

Passes Choose() noexcept
{
#if defined(FENDIX_HAVE_AVX2_PASSES)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt"))
        return {avx2::CountLineEnds, avx2::FindEntryStart, avx2::FindNeedles, avx2::FindAllNeedles,
                avx2::FindEntryStarts};
#endif
    // SSE2 on every x86-64 processor; plain bytes elsewhere.
    return {sse2::CountLineEnds, sse2::FindEntryStart, sse2::FindNeedles, sse2::FindAllNeedles,
            sse2::FindEntryStarts};
}

// Chosen once, at the first pass; never changed afterwards.
const Passes& Chosen() noexcept
{
    static const Passes passes = Choose();
    return passes;
}

} // namespace

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
