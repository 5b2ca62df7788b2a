#pragma once

// What the block-wise passes over the bytes of a description file (ByteScan.h) take and give.

#include "engine/DescFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace fendix::engine::scan {

// Line ends counted in a run of bytes: the carriage returns, and among them the lone ones
// (not followed by a line feed), which end a line with one byte instead of two.
struct LineEndCounts {
    std::uint64_t returns = 0;
    std::uint64_t lone = 0;
};

// Why a pass stopped.
enum class Stop : std::uint8_t {
    End,        // it reached the end of the bytes it was given
    Budget,     // the carriage returns counted reached the budget
    EntryStart, // it found a line that starts an entry
};

struct Stopped {
    const char* at;
    Stop why;
};

// Which lines start entries, by the rules of DescFormat.h: those of a BBS listing, or those of a
// DP Tool Club catalogue.
enum class StartRule : std::uint8_t { Bbs, Catalogue };

constexpr StartRule RuleOf(TDescKind kind) noexcept
{
    return kind == dkBbs ? StartRule::Bbs : StartRule::Catalogue;
}

// One text as the block search looks for it: its bytes (capitals when `fold`, in which case
// the letters a to z of the file are taken as capitals), and two of its bytes, chosen for
// being rare in description files, which every candidate place must hold first: the
// rarest at rareAt[0], the next at rareAt[1].
struct Needle {
    const unsigned char* bytes = nullptr;
    std::size_t length = 0;
    bool fold = false;
    std::size_t rareAt[2] = {0, 0};
    unsigned char rare[2] = {0, 0};
    unsigned char rareMask[2] = {0xFF, 0xFF}; // 0xDF for a letter compared without case
    unsigned rarity = 255;                    // how common rare[0] is, from 0 (never seen) to 255
    unsigned bit = 1;                         // what a find of this text adds to `which`

    // A byte at most this common is absent from most blocks of 64 bytes.
    static constexpr unsigned RareEnough = 110;
};

constexpr std::size_t MaxNeedles = 3;

struct NeedleSet {
    std::array<Needle, MaxNeedles> needles{};
    std::size_t count = 0;
    std::size_t longest = 0;
    std::size_t farthestRare = 0; // the largest rareAt of any needle
};

// An entry start found by a pass: its distance from where the pass began, and the line ends
// before it from there.
struct EntryStartAt {
    std::uint32_t at;
    std::uint32_t returns;
    std::uint32_t lone;
};

// A place where texts begin, and which of them.
struct NeedleAt {
    std::size_t at;
    unsigned which;
};

} // namespace fendix::engine::scan
