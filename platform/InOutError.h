#pragma once

#include "platform/ProgramError.h"

#include <string>
#include <string_view>

namespace fendix::platform {

// The input/output error of every file operation: it carries the system's error code and
// the message that goes with that code, and the file or directory that failed when there is
// one (the message never names it: the windows show the message alone).
class EInOutError : public EProgramError {
public:
    explicit EInOutError(int code, std::string path = {});

    int Code() const noexcept { return code_; }

    // The path as the operation was given it (a relative one against the current directory
    // of that moment: "." for that directory itself); empty when none is known.
    const std::string& Path() const noexcept { return path_; }

private:
    int code_;
    std::string path_;
};

// The message shown for an error code: "Fichier introuvable", ... or "Erreur E/S %d".
std::string InOutMessage(int code);

// The error code of a C library errno value (ENOENT 2, EACCES 5, ... other e: 1000 + e).
int InOutCodeOfErrno(int errnoValue) noexcept;

// Raises EInOutError for an errno value, naming the path that failed when it is given.
[[noreturn]] void RaiseInOutError(int errnoValue, std::string_view path = {});

} // namespace fendix::platform
