#pragma once

#include "platform/ProgramError.h"

#include <string>

namespace fendix::platform {

// The input/output error of every file operation: it carries the system's error code and
// the message that goes with that code.
class EInOutError : public EProgramError {
public:
    explicit EInOutError(int code);

    int Code() const noexcept { return code_; }

private:
    int code_;
};

// The message shown for an error code: "Fichier introuvable", ... or "Erreur E/S %d".
std::string InOutMessage(int code);

// The error code of a C library errno value (ENOENT 2, EACCES 5, ... other e: 1000 + e).
int InOutCodeOfErrno(int errnoValue) noexcept;

// Raises EInOutError for an errno value.
[[noreturn]] void RaiseInOutError(int errnoValue);

} // namespace fendix::platform
