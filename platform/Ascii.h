#pragma once

#include <string>
#include <string_view>

namespace fendix::platform {

// The one letter-case fold of the program: the letters a to z become capitals; every other
// byte, accented letters and all bytes from 0x80 up included, stays as it is.
constexpr unsigned char UpperByte(unsigned char c) noexcept
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 0x20) : c;
}

constexpr char UpperChar(char c) noexcept
{
    return static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
}

// UpperAscii: the text with the letters a to z made capitals, whole, whatever its length.
inline std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = UpperChar(c);
    return result;
}

// True when two texts are equal once the letters a to z are folded to capitals.
constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    return true;
}

} // namespace fendix::platform
