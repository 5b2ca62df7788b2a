#include "platform/InOutError.h"

#include <cerrno>
#include <utility>

namespace fendix::platform {

EInOutError::EInOutError(int code, std::string path)
    : EProgramError(InOutMessage(code)), code_(code), path_(std::move(path))
{
}

std::string InOutMessage(int code)
{
    switch (code) {
    case 2:
        return "Fichier introuvable";
    case 3:
        return "Nom de fichier incorrect";
    case 4:
        return "Trop de fichiers ouverts";
    case 5:
        return "Accès au fichier refusé";
    case 100:
        return "Lecture au delà de la fin de fichier";
    case 101:
        return "Disque plein";
    case 106:
        return "Saisie numérique incorrecte";
    default:
        return "Erreur E/S " + std::to_string(code);
    }
}

int InOutCodeOfErrno(int errnoValue) noexcept
{
    switch (errnoValue) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return 5;
    case ENOSPC:
    case EDQUOT:
        return 101;
    case ENOMEDIUM:
    case ENXIO:
        return 21;
    case EIO:
        return 23;
    default:
        return 1000 + errnoValue;
    }
}

void RaiseInOutError(int errnoValue, std::string_view path)
{
    throw EInOutError(InOutCodeOfErrno(errnoValue), std::string(path));
}

} // namespace fendix::platform
