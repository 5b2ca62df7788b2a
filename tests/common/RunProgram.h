#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fendix::testing {

// What a program printed and how it ended.
struct Outcome {
    int status = -1; // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// How the program is run, beyond its arguments.
struct RunOptions {
    // Environment variables given a value, or removed when the value is absent.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    // Standard output is a terminal (a pseudo-terminal in raw mode, so that the bytes come
    // back as written), as when a person runs the program.
    bool terminal = false;
    // Standard output goes to this file instead, and is not collected.
    std::optional<std::string> outputFile;
};

// Runs a program in a directory, with arguments, and collects what it printed (through two
// files in `scratch`, a directory of the test's own, or from the terminal, where a program
// that writes for longer than a minute is killed).
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& directory, const std::string& scratch, const RunOptions& options = {});

// A line of a BBS listing with its line end: the file's data in columns 1 to 31, the
// description from column 32 on.
std::string BbsLine(std::string head, const std::string& description);

} // namespace fendix::testing
