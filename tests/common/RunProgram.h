#pragma once

#include <string>
#include <vector>

namespace fendix::testing {

// What a program printed and how it ended.
struct Outcome {
    int status = -1; // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a program in a directory, with arguments, and collects what it printed (through two
// files in `scratch`, a directory of the test's own).
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& directory, const std::string& scratch);

// A line of a BBS listing with its line end: the file's data in columns 1 to 31, the
// description from column 32 on.
std::string BbsLine(std::string head, const std::string& description);

} // namespace fendix::testing
