#include "platform/SystemError.h"

#include <cerrno>

namespace tarvik {

QString systemErrorText(int errorNumber)
{
    // The four texts Qt's own French translation gives come first, worded as
    // Qt words them, so that an error reads the same whichever layer met it.
    // Numbers that not every C library defines are guarded.
    switch (errorNumber) {
    case EACCES: return QStringLiteral("Autorisation refusée");
    case ENOENT: return QStringLiteral("Aucun fichier ou dossier");
    case EMFILE: return QStringLiteral("Trop de fichiers ouverts simultanément");
    case ENOSPC: return QStringLiteral("Aucun espace disponible sur le disque");
    case EPERM: return QStringLiteral("Opération non permise");
    case EINTR: return QStringLiteral("Appel système interrompu");
    case EIO: return QStringLiteral("Erreur d'entrée/sortie");
    case ENXIO: return QStringLiteral("Aucun périphérique ou adresse");
    case EBADF: return QStringLiteral("Mauvais descripteur de fichier");
    case EAGAIN: return QStringLiteral("Ressource temporairement indisponible");
    case ENOMEM: return QStringLiteral("Mémoire insuffisante");
    case EFAULT: return QStringLiteral("Mauvaise adresse");
    case EBUSY: return QStringLiteral("Périphérique ou ressource occupé");
    case EEXIST: return QStringLiteral("Le fichier existe déjà");
    case EXDEV: return QStringLiteral("Lien entre deux périphériques impossible");
    case ENODEV: return QStringLiteral("Aucun périphérique de ce type");
    case ENOTDIR: return QStringLiteral("N'est pas un dossier");
    case EISDIR: return QStringLiteral("Est un dossier");
    case EINVAL: return QStringLiteral("Argument invalide");
    case ENFILE: return QStringLiteral("Trop de fichiers ouverts dans le système");
#ifdef ETXTBSY
    case ETXTBSY: return QStringLiteral("Fichier texte occupé");
#endif
    case EFBIG: return QStringLiteral("Fichier trop volumineux");
    case ESPIPE: return QStringLiteral("Positionnement impossible");
    case EROFS: return QStringLiteral("Système de fichiers en lecture seule");
    case EMLINK: return QStringLiteral("Trop de liens");
    case EPIPE: return QStringLiteral("Tube brisé");
    case ENAMETOOLONG: return QStringLiteral("Nom de fichier trop long");
    case ENOLCK: return QStringLiteral("Aucun verrou disponible");
    case ENOSYS: return QStringLiteral("Fonction non disponible");
    case ENOTEMPTY: return QStringLiteral("Le dossier n'est pas vide");
#ifdef ELOOP
    case ELOOP: return QStringLiteral("Trop de niveaux de liens symboliques");
#endif
#ifdef EOVERFLOW
    case EOVERFLOW: return QStringLiteral("Valeur trop grande pour le type de données");
#endif
#ifdef EOPNOTSUPP
    case EOPNOTSUPP: return QStringLiteral("Opération non prise en charge");
#endif
#ifdef ETIMEDOUT
    case ETIMEDOUT: return QStringLiteral("Délai d'attente dépassé");
#endif
#ifdef ESTALE
    case ESTALE: return QStringLiteral("Accès au fichier perdu");
#endif
#ifdef EDQUOT
    case EDQUOT: return QStringLiteral("Quota d'espace disque dépassé");
#endif
#ifdef ECANCELED
    case ECANCELED: return QStringLiteral("Opération annulée");
#endif
    case ENOEXEC: return QStringLiteral("Format d'exécutable incorrect");
    case E2BIG: return QStringLiteral("Liste d'arguments trop longue");
    case ECHILD: return QStringLiteral("Aucun processus enfant");
#ifdef ENOTBLK
    case ENOTBLK: return QStringLiteral("Périphérique en mode bloc requis");
#endif
    case ENOTTY: return QStringLiteral("Opération de contrôle inappropriée pour ce périphérique");
    case EDOM: return QStringLiteral("Argument hors du domaine de la fonction");
    case ERANGE: return QStringLiteral("Résultat hors limites");
    case EDEADLK: return QStringLiteral("Interblocage évité");
#ifdef ENOMEDIUM
    case ENOMEDIUM: return QStringLiteral("Aucun support trouvé");
#endif
    case EILSEQ: return QStringLiteral("Séquence d'octets invalide");
    default: break;
    }
    return errorNumber == 0 ? QStringLiteral("Erreur inconnue")
                            : QStringLiteral("Erreur système n° %1").arg(errorNumber);
}

} // namespace tarvik
