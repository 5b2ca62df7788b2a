#pragma once

#include "engine/Criteria.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::tools {

// What fendix-search's command line asks for.

enum class OnMatch { Continue, File, Section, Menu, Quit };
enum class Format { Events, Text, Json };
enum class ColorWhen { Auto, Always, Never };

struct Options {
    engine::Criteria criteria; // the texts as given, not yet encoded
    bool ignoreCase = false;
    std::optional<std::vector<std::string>> select;
    std::vector<std::string> annexes;
    bool annexesFirst = false;
    bool annexCheck = true;
    OnMatch onMatch = OnMatch::Continue;
    bool trace = false;
    bool count = false;
    bool filesWithMatches = false;
    bool list = false;
    std::optional<Format> format; // chosen by the output when not given
    ColorWhen color = ColorWhen::Auto;
    std::vector<std::string> directories; // each a folder or a CD image, searched in this order
    std::optional<std::string> ini;
};

// A command line that cannot be run: what is wrong with it, or the help asked for.
struct UsageError {
    std::string message;
    bool asked = false; // --help: the help goes to standard output, as an answer
};

// The options of a command line (argv[1] on); raises UsageError.
Options ParseArguments(int argc, const char* const* argv);

// What --help prints.
std::string_view HelpText() noexcept;

} // namespace fendix::tools
