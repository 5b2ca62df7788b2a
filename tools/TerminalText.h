#pragma once

#include <string>
#include <string_view>

namespace fendix::tools {

// How the readable output marks text on a terminal, with the SGR sequences grep writes: the
// occurrences of the texts in the colour of grep's selected matches, the entry headers bold.
struct Colors {
    std::string match = "01;31"; // SGR parameters; empty: occurrences are not marked
    bool eraseLine = true;       // grep's "\33[K" after each sequence ("ne" drops it)

    std::string Start(std::string_view parameters) const;
    std::string End() const;
};

// The colours asked for by a GREP_COLORS value (null when the variable is unset), read as
// grep reads it: "name=value" capabilities separated by ":", later ones winning; "ms" and
// "mt" set the colour of the occurrences, "ne" drops the erase-line sequences; the others
// are grep's own and change nothing here. A value holds digits and ";" only: at the first
// malformed capability the reading stops, keeping what came before it.
Colors ColorsFrom(const char* grepColors);

// A file name, or a message that holds one, made fit for a terminal: the bytes are taken as
// UTF-8, the encoding of the file names; every byte that is not part of a valid UTF-8
// character, and every control character, shows as U+FFFD, so that no name can steer the
// terminal.
void AppendReadableName(std::string& out, std::string_view bytes);
std::string ReadableName(std::string_view bytes);

} // namespace fendix::tools
