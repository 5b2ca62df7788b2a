#include "engine/DescFormat.h"

#include "platform/Ascii.h"
#include "platform/FileSystem.h"

namespace fendix::engine {

std::string_view LabelSuffix(TDescKind kind) noexcept
{
    switch (kind) {
    case dkBbs:
        return " fichier type BBS";
    case dkNews:
        return " fichier type DP Tool Club, section NEWS";
    default:
        return " fichier type DP Tool Club, section MAJ";
    }
}

TDescKind KindOfFile(std::string_view fileName) noexcept
{
    const std::string_view name = platform::ExtractFileName(fileName);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return dkNews;
    return platform::SameIgnoringCase(name.substr(dot), ".BBS") ? dkBbs : dkNews;
}

} // namespace fendix::engine
