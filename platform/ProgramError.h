#pragma once

#include <exception>
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

// The message of an error as the user is told it: the program's own errors say what they
// carry, an allocation that failed "Mémoire insuffisante", anything else is unexpected
// ("Erreur inattendue", with the library's text when there is one).
std::string ErrorMessage(const std::exception_ptr& error);

} // namespace fendix::platform
