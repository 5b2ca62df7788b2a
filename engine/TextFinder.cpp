#include "engine/TextFinder.h"

#include "engine/ByteScan.h"

#include <algorithm>

namespace fendix::engine {

namespace {

using platform::UpperByte;

// How common a byte is in description files, from 0 (never seen) to 255 (the space):
// French and English text in code page 437, file names and sizes, box-drawing frames. A
// search filters its candidate places on the rarest bytes of its text.
constexpr unsigned char LowerLetters[26] = {
    200, 100, 150, 150, 230, 110, 110, 110, 190, 50, 40, 175, 140, // a to m
    190, 180, 140, 80,  185, 195, 190, 170, 110, 40, 60, 70,  40,  // n to z
};

constexpr unsigned Commonness(unsigned char c) noexcept
{
    if (c == ' ')
        return 255;
    if (c >= 'a' && c <= 'z')
        return LowerLetters[c - 'a'];
    if (c >= 'A' && c <= 'Z')
        return LowerLetters[c - 'A'] / 2 + 20;
    if (c >= '0' && c <= '9')
        return 160;
    switch (c) {
    case '.':
    case ',':
        return 150;
    case '\r':
    case '\n':
        return 140;
    case '-':
    case '/':
    case ':':
        return 110;
    case '\'':
    case '"':
    case '(':
    case ')':
        return 90;
    case 0xCD: // ═ and ─: the frames of catalogues
    case 0xC4:
        return 170;
    case 0x82: // é
        return 150;
    case 0xB3: // the sides and corners of frames, ■
    case 0xBA:
    case 0xDA:
    case 0xBF:
    case 0xC0:
    case 0xD9:
    case 0xC9:
    case 0xBB:
    case 0xC8:
    case 0xBC:
    case 0xFE:
        return 130;
    case 0x8A: // è, à, ê, ç
    case 0x85:
        return 100;
    case 0x88:
        return 80;
    case 0x87:
        return 70;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F)
        return 5;
    if (c < 0x80)
        return 60; // other punctuation
    if (c <= 0xA5)
        return 40; // other accented letters
    return 20;
}

// How common a byte of the text is where the search compares it: a capital compared without
// case stands for both of its forms.
unsigned CommonnessOf(unsigned char c, bool folded) noexcept
{
    if (folded && c >= 'A' && c <= 'Z')
        return LowerLetters[c - 'A'] + 15;
    return Commonness(c);
}

// Clearing bit 5 maps exactly the two cases of a letter onto its capital.
constexpr unsigned char MaskFor(unsigned char c, bool ignoreCase) noexcept
{
    return ignoreCase && c >= 'A' && c <= 'Z' ? 0xDF : 0xFF;
}

} // namespace

TextFinder::TextFinder(std::string_view text, bool ignoreCase)
    : text_(ignoreCase ? UpperAscii(text) : std::string(text)), ignoreCase_(ignoreCase)
{
    if (text_.empty())
        return;
    const auto byteAt = [this](std::size_t i) { return static_cast<unsigned char>(text_[i]); };
    // The rarest byte, then the rarest other byte, preferably a different one.
    std::size_t first = 0;
    for (std::size_t i = 1; i < text_.size(); ++i)
        if (CommonnessOf(byteAt(i), ignoreCase) < CommonnessOf(byteAt(first), ignoreCase))
            first = i;
    std::size_t second = first;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        if (i == first)
            continue;
        const bool differs = byteAt(i) != byteAt(first);
        const bool secondDiffers = second != first && byteAt(second) != byteAt(first);
        if (second == first || (differs && !secondDiffers)
            || (differs == secondDiffers
                && CommonnessOf(byteAt(i), ignoreCase) < CommonnessOf(byteAt(second), ignoreCase)))
            second = i;
    }
    rareAt_[0] = first;
    rareAt_[1] = second;
}

scan::Needle TextFinder::AsNeedle(unsigned bit) const noexcept
{
    scan::Needle needle;
    needle.bytes = reinterpret_cast<const unsigned char*>(text_.data());
    needle.length = text_.size();
    needle.fold = ignoreCase_;
    for (int k = 0; k < 2; ++k) {
        needle.rareAt[k] = rareAt_[k];
        needle.rare[k] = text_.empty() ? 0 : static_cast<unsigned char>(text_[rareAt_[k]]);
        needle.rareMask[k] = MaskFor(needle.rare[k], ignoreCase_);
    }
    if (!text_.empty())
        needle.rarity = CommonnessOf(needle.rare[0], ignoreCase_);
    needle.bit = bit;
    return needle;
}

std::size_t TextFinder::Find(std::string_view haystack) const noexcept
{
    if (text_.empty() || haystack.size() < text_.size())
        return npos;
    scan::NeedleSet set;
    set.needles[0] = AsNeedle(1);
    set.count = 1;
    set.longest = text_.size();
    set.farthestRare = std::max(rareAt_[0], rareAt_[1]);
    const std::size_t stop = haystack.size() - text_.size() + 1;
    unsigned which = 0;
    const std::size_t at =
        scan::FindNeedles(haystack.data(), 0, stop, haystack.size(), haystack.size(), set, false, which);
    return at == stop ? npos : at;
}

} // namespace fendix::engine
