#pragma once

#include <stdexcept>
#include <string>

namespace fendix::platform {

// The base of the program's own errors: those whose message is meant for the user as it
// stands ("Fichier introuvable", "Ne peut écrire dans ..."). The error report tells them
// from unexpected failures, such as a library's error or an allocation that failed.
class EProgramError : public std::runtime_error {
public:
    explicit EProgramError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace fendix::platform
