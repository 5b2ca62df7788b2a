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

// The message of a file the program cannot take as it stands, which the windows show in the
// "Erreur format" box: "Fichier: <path> invalide.".
inline std::string InvalidFileMessage(const std::string& path)
{
    return "Fichier: " + path + " invalide.";
}

// A file the program cannot take as it stands (InvalidFileMessage).
class EInvalidFile : public EProgramError {
public:
    explicit EInvalidFile(const std::string& path) : EProgramError(InvalidFileMessage(path)) {}
};

} // namespace fendix::platform
