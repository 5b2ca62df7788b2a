#include "engine/ByteScan.h"

#include "engine/ByteScanIsa.h"

namespace fendix::engine::scan {

namespace {

// The passes of one instruction set.
struct Passes {
    const char* name;
    decltype(&sse2::CountLineEnds) countLineEnds;
    decltype(&sse2::FindEntryStart) findEntryStart;
    decltype(&sse2::FindNeedles) findNeedles;
};

Passes Choose() noexcept
{
#if defined(FENDIX_HAVE_AVX2_PASSES)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt"))
        return {"avx2", avx2::CountLineEnds, avx2::FindEntryStart, avx2::FindNeedles};
#endif
#if defined(__SSE2__)
    return {"sse2", sse2::CountLineEnds, sse2::FindEntryStart, sse2::FindNeedles};
#else
    return {"bytes", sse2::CountLineEnds, sse2::FindEntryStart, sse2::FindNeedles};
#endif
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

const char* InstructionSet() noexcept
{
    return Chosen().name;
}

} // namespace fendix::engine::scan
