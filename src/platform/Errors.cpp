#include "platform/Errors.h"

#include "platform/Dialogs.h"

namespace tarvik {

QString errorMessage(const std::exception &e)
{
    if (auto *err = dynamic_cast<const Error *>(&e))
        return err->message();
    return QString::fromUtf8(e.what());
}

bool runGuarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        try {
            dialogs().messageBox(applicationTitle(), errorMessage(e), MB_OK | MB_ICONERROR);
        } catch (...) {
            // No dialog back-end: nothing more can be shown.
        }
    } catch (...) {
        try {
            dialogs().messageBox(applicationTitle(), QStringLiteral("Erreur inconnue"), MB_OK | MB_ICONERROR);
        } catch (...) {
        }
    }
    return false;
}

} // namespace tarvik
