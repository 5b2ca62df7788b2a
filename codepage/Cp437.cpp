#include "codepage/Cp437.h"

#include <algorithm>
#include <array>
#include <utility>

namespace fendix::codepage {

namespace {

// What each byte stands for. The control codes 0x00 to 0x1F and 0x7F show as the DOS
// screen font drew them; 0x00 is a blank.
// clang-format off
constexpr std::array<char16_t, 256> Table = {
    u' ', u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022', u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',  // 0x00
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8', u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',  // 0x10
    u' ', u'!', u'"', u'#', u'$', u'%', u'&', u'\'', u'(', u')', u'*', u'+', u',', u'-', u'.', u'/',  // 0x20
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',  // 0x30
    u'@', u'A', u'B', u'C', u'D', u'E', u'F', u'G', u'H', u'I', u'J', u'K', u'L', u'M', u'N', u'O',  // 0x40
    u'P', u'Q', u'R', u'S', u'T', u'U', u'V', u'W', u'X', u'Y', u'Z', u'[', u'\\', u']', u'^', u'_',  // 0x50
    u'`', u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h', u'i', u'j', u'k', u'l', u'm', u'n', u'o',  // 0x60
    u'p', u'q', u'r', u's', u't', u'u', u'v', u'w', u'x', u'y', u'z', u'{', u'|', u'}', u'~', u'\u2302',  // 0x70
    u'\u00C7', u'\u00FC', u'\u00E9', u'\u00E2', u'\u00E4', u'\u00E0', u'\u00E5', u'\u00E7', u'\u00EA', u'\u00EB', u'\u00E8', u'\u00EF', u'\u00EE', u'\u00EC', u'\u00C4', u'\u00C5',  // 0x80
    u'\u00C9', u'\u00E6', u'\u00C6', u'\u00F4', u'\u00F6', u'\u00F2', u'\u00FB', u'\u00F9', u'\u00FF', u'\u00D6', u'\u00DC', u'\u00A2', u'\u00A3', u'\u00A5', u'\u20A7', u'\u0192',  // 0x90
    u'\u00E1', u'\u00ED', u'\u00F3', u'\u00FA', u'\u00F1', u'\u00D1', u'\u00AA', u'\u00BA', u'\u00BF', u'\u2310', u'\u00AC', u'\u00BD', u'\u00BC', u'\u00A1', u'\u00AB', u'\u00BB',  // 0xA0
    u'\u2591', u'\u2592', u'\u2593', u'\u2502', u'\u2524', u'\u2561', u'\u2562', u'\u2556', u'\u2555', u'\u2563', u'\u2551', u'\u2557', u'\u255D', u'\u255C', u'\u255B', u'\u2510',  // 0xB0
    u'\u2514', u'\u2534', u'\u252C', u'\u251C', u'\u2500', u'\u253C', u'\u255E', u'\u255F', u'\u255A', u'\u2554', u'\u2569', u'\u2566', u'\u2560', u'\u2550', u'\u256C', u'\u2567',  // 0xC0
    u'\u2568', u'\u2564', u'\u2565', u'\u2559', u'\u2558', u'\u2552', u'\u2553', u'\u256B', u'\u256A', u'\u2518', u'\u250C', u'\u2588', u'\u2584', u'\u258C', u'\u2590', u'\u2580',  // 0xD0
    u'\u03B1', u'\u00DF', u'\u0393', u'\u03C0', u'\u03A3', u'\u03C3', u'\u00B5', u'\u03C4', u'\u03A6', u'\u0398', u'\u03A9', u'\u03B4', u'\u221E', u'\u03C6', u'\u03B5', u'\u2229',  // 0xE0
    u'\u2261', u'\u00B1', u'\u2265', u'\u2264', u'\u2320', u'\u2321', u'\u00F7', u'\u2248', u'\u00B0', u'\u2219', u'\u00B7', u'\u221A', u'\u207F', u'\u00B2', u'\u25A0', u'\u00A0',  // 0xF0
};
// clang-format on

using Reverse = std::array<std::pair<char32_t, unsigned char>, 255 + 4>;

// Every character of the table with its byte, sorted by character. The blank of 0x00 is
// left out (a typed space is 0x20), and a few characters that DOS fonts drew with the same
// glyph are added: the tab, beta for sharp s, the ohm sign for omega, the element sign for
// epsilon.
constexpr Reverse MakeReverse()
{
    Reverse reverse{};
    std::size_t n = 0;
    for (unsigned byte = 1; byte < 256; ++byte)
        reverse[n++] = {Table[byte], static_cast<unsigned char>(byte)};
    reverse[n++] = {U'\t', 0x09};
    reverse[n++] = {U'\u03B2', 0xE1};
    reverse[n++] = {U'\u2126', 0xEA};
    reverse[n++] = {U'\u2208', 0xEE};
    std::sort(reverse.begin(), reverse.end());
    return reverse;
}

constexpr Reverse ByCharacter = MakeReverse();

} // namespace

char32_t Cp437ToUnicode(unsigned char byte) noexcept
{
    return Table[byte];
}

char Cp437ByteOf(char32_t character) noexcept
{
    const auto it = std::lower_bound(ByCharacter.begin(), ByCharacter.end(), character,
                                     [](const auto& entry, char32_t c) { return entry.first < c; });
    if (it != ByCharacter.end() && it->first == character)
        return static_cast<char>(it->second);
    return UnmatchableByte;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t LineCharacter(unsigned char byte, LineDecoding decoding) noexcept
{
    if (byte == '\t')
        return U'\t';
    if (byte == 0x00 && decoding == LineDecoding::OneToOne)
        return U'\0';
    return Table[byte];
}

std::size_t Utf8CharacterAt(std::string_view bytes, char32_t& character) noexcept
{
    if (bytes.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        character = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        character = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        character = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        character = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        character = (character << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        return 0;
    return length;
}

std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    while (!text.empty()) {
        char32_t character = 0;
        const std::size_t length = Utf8CharacterAt(text, character);
        if (length == 0)
            return std::nullopt;
        result += character;
        text.remove_prefix(length);
    }
    return result;
}

std::string EncodeCp437(std::u32string_view characters)
{
    std::string bytes;
    bytes.reserve(characters.size());
    for (const char32_t c : characters)
        bytes += Cp437ByteOf(c);
    return bytes;
}

} // namespace fendix::codepage
