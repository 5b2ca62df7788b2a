#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fendix::fuzz {

// One temporary file, named after the target, serves every input of a fuzz run; it is in
// memory when /dev/shm is there, and removed when the run ends.
inline const std::string& FileForInputs(const char* target)
{
    static char path[96];
    if (path[0] == '\0') {
        std::snprintf(path, sizeof path, "%s/%s-XXXXXX",
                      ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp", target);
        const int fd = ::mkstemp(path);
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(path); });
    }
    static const std::string name = path;
    return name;
}

} // namespace fendix::fuzz
