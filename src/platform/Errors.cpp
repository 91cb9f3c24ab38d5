#include "platform/Errors.h"

#include "platform/Dialogs.h"

namespace tarvik {

QString errorMessage(const std::exception &e)
{
    if (auto *err = dynamic_cast<const Error *>(&e))
        return err->message();
    return QString::fromUtf8(e.what());
}

void showErrorBox(const QString &message)
{
    try {
        dialogs().messageBox(applicationTitle(), message, MB_OK | MB_ICONERROR);
    } catch (...) {
        // No dialog back-end: nothing more can be shown.
    }
}

bool runGuarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        showErrorBox(errorMessage(e));
    } catch (...) {
        showErrorBox(QStringLiteral("Erreur inconnue"));
    }
    return false;
}

} // namespace tarvik
