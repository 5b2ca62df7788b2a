#pragma once

// The block-wise passes of ByteScan.h as each instruction set compiles them (the same
// source, ByteScanKernels.inc); ByteScan.cpp chooses among them.

#include "engine/ByteScan.h"

#include <cstddef>
#include <cstdint>

namespace fendix::engine::scan::avx2 {

Stopped CountLineEnds(const char* p, const char* q, std::uint64_t budget, bool countLone,
                      LineEndCounts& counts) noexcept;
Stopped FindEntryStart(const char* p, const char* q, StartRule rule, std::uint64_t budget, bool countLone,
                       LineEndCounts& counts) noexcept;
std::size_t FindNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                        std::size_t readable, const NeedleSet& needles, bool rawLines,
                        unsigned& which) noexcept;
std::size_t FindAllNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                           std::size_t readable, const NeedleSet& needles, bool rawLines, NeedleAt* out,
                           std::size_t capacity, std::size_t& searched) noexcept;
std::size_t FindEntryStarts(const char* p, const char* q, StartRule rule, bool countLone, EntryStartAt* out,
                            std::size_t capacity, const char*& stopped, LineEndCounts& counts) noexcept;

} // namespace fendix::engine::scan::avx2

namespace fendix::engine::scan::sse2 {

Stopped CountLineEnds(const char* p, const char* q, std::uint64_t budget, bool countLone,
                      LineEndCounts& counts) noexcept;
Stopped FindEntryStart(const char* p, const char* q, StartRule rule, std::uint64_t budget, bool countLone,
                       LineEndCounts& counts) noexcept;
std::size_t FindNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                        std::size_t readable, const NeedleSet& needles, bool rawLines,
                        unsigned& which) noexcept;
std::size_t FindAllNeedles(const char* data, std::size_t from, std::size_t stop, std::size_t end,
                           std::size_t readable, const NeedleSet& needles, bool rawLines, NeedleAt* out,
                           std::size_t capacity, std::size_t& searched) noexcept;
std::size_t FindEntryStarts(const char* p, const char* q, StartRule rule, bool countLone, EntryStartAt* out,
                            std::size_t capacity, const char*& stopped, LineEndCounts& counts) noexcept;

} // namespace fendix::engine::scan::sse2
