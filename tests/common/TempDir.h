#pragma once

#include <string>
#include <string_view>

namespace fendix::testing {

// A fresh temporary directory, removed with everything in it at the end of the test. The
// current directory of the process is put back too, since the code under test changes it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const noexcept { return path_; }

    // Full path of a name inside the directory.
    std::string operator/(std::string_view name) const;

    // Writes a file byte for byte (creating missing folders) and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;

    // Creates a folder and returns its full path.
    std::string MakeDir(std::string_view name) const;

private:
    std::string path_;
    std::string startDirectory_;
};

// The whole content of a file; raises std::runtime_error when it cannot be read.
std::string ReadFile(const std::string& path);

// True when the tests run with root rights, which permissions do not stop.
bool RunningAsRoot();

} // namespace fendix::testing
