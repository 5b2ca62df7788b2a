#include "tools/TerminalText.h"

#include "codepage/Cp437.h"

#include <cstddef>

namespace fendix::tools {

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD

bool IsSgrParameterByte(char c) noexcept
{
    return c == ';' || (c >= '0' && c <= '9');
}

bool IsControl(char32_t character) noexcept
{
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

} // namespace

std::string Colors::Start(std::string_view parameters) const
{
    std::string sequence = "\33[";
    sequence += parameters;
    sequence += eraseLine ? "m\33[K" : "m";
    return sequence;
}

std::string Colors::End() const
{
    return eraseLine ? "\33[m\33[K" : "\33[m";
}

Colors ColorsFrom(const char* grepColors)
{
    Colors colors;
    if (grepColors == nullptr)
        return colors;
    const std::string_view text = grepColors;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(':', at), text.size());
        const std::string_view capability = text.substr(at, end - at);
        const std::size_t equals = capability.find('=');
        const std::string_view name = capability.substr(0, equals);
        if (equals != std::string_view::npos) {
            const std::string_view value = capability.substr(equals + 1);
            if (name.empty())
                return colors;
            for (const char c : value)
                if (!IsSgrParameterByte(c))
                    return colors; // also a second "="
            if (name == "ms" || name == "mt")
                colors.match = value;
        }
        if (name == "ne")
            colors.eraseLine = false;
        at = end + 1;
    }
    return colors;
}

void AppendReadableName(std::string& out, std::string_view bytes)
{
    while (!bytes.empty()) {
        char32_t character = 0;
        const std::size_t length = codepage::Utf8CharacterAt(bytes, character);
        if (length == 0 || IsControl(character)) {
            out += Replacement; // for a stray byte, or for the whole control character
            bytes.remove_prefix(length == 0 ? 1 : length);
        } else {
            out += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
}

std::string ReadableName(std::string_view bytes)
{
    std::string out;
    AppendReadableName(out, bytes);
    return out;
}

} // namespace fendix::tools
