// What the user types becomes code page 437 bytes here, composed first with ICU's
// normaliser, the library that already composes what the windows are given.

#include "codepage/Cp437.h"

#include <unicode/unorm2.h>
#include <unicode/utf16.h>
#include <unicode/uvernum.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <dlfcn.h>

namespace fendix::codepage {

namespace {

// ICU's functions bear its version in their names (unorm2_normalize_72): the macros of its
// headers give those names.
#define FENDIX_ICU_NAME(function) FENDIX_ICU_QUOTE(function)
#define FENDIX_ICU_QUOTE(name) #name

// The normaliser, loaded the first time a text needs composing: most texts are typed in
// plain ASCII, and a program that loads ICU at its start takes about a millisecond more to
// start, on every run of a search. Loaded once, and never let go.
struct Normaliser {
    decltype(&unorm2_getNFCInstance) nfcInstance = nullptr;
    decltype(&unorm2_normalize) normalize = nullptr;

    Normaliser() noexcept
    {
        void* library = ::dlopen("libicuuc.so." U_ICU_VERSION_SHORT, RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr)
            return;
        nfcInstance =
            reinterpret_cast<decltype(nfcInstance)>(::dlsym(library, FENDIX_ICU_NAME(unorm2_getNFCInstance)));
        normalize =
            reinterpret_cast<decltype(normalize)>(::dlsym(library, FENDIX_ICU_NAME(unorm2_normalize)));
    }
};

const Normaliser& LoadedNormaliser() noexcept
{
    static const Normaliser normaliser;
    return normaliser;
}

std::u16string Utf16Of(std::u32string_view characters)
{
    std::u16string units;
    units.reserve(characters.size());
    for (const char32_t c : characters) {
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            units += static_cast<char16_t>(0xD7C0 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        }
    }
    return units;
}

// The characters composed (NFC), or as they are when the normaliser cannot be had: a text
// typed already composed, as keyboards give it, is found all the same.
std::u32string Composed(std::u32string characters)
{
    const std::u16string units = Utf16Of(characters);
    if (units.size() > INT32_MAX / 4)
        return characters;
    const Normaliser& icu = LoadedNormaliser();
    if (icu.nfcInstance == nullptr || icu.normalize == nullptr)
        return characters;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = icu.nfcInstance(&status);
    if (U_FAILURE(status))
        return characters;
    const auto length = static_cast<int32_t>(units.size());
    // Composing never makes a text longer than three times its length.
    std::u16string composed(units.size() * 3 + 1, u'\0');
    const int32_t size = icu.normalize(nfc, units.data(), length, composed.data(),
                                       static_cast<int32_t>(composed.size()), &status);
    if (U_FAILURE(status))
        return characters;
    std::u32string result;
    result.reserve(static_cast<std::size_t>(size));
    for (int32_t i = 0; i < size;) {
        UChar32 c = 0;
        U16_NEXT(composed.data(), i, size, c);
        result += static_cast<char32_t>(c);
    }
    return result;
}

} // namespace

std::string EncodeTypedText(std::string_view typed)
{
    std::optional<std::u32string> characters = DecodeUtf8(typed);
    if (!characters
        || std::all_of(characters->begin(), characters->end(), [](char32_t c) { return c < 0x80; }))
        return std::string(typed);
    return EncodeCp437(Composed(std::move(*characters)));
}

} // namespace fendix::codepage
