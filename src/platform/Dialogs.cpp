#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <stdexcept>

namespace tarvik {

namespace {
Dialogs *g_dialogs = nullptr;
}

Dialogs &dialogs()
{
    if (!g_dialogs)
        throw std::logic_error("no dialogs back-end installed");
    return *g_dialogs;
}

Dialogs *setDialogs(Dialogs *backend)
{
    Dialogs *previous = g_dialogs;
    g_dialogs = backend;
    return previous;
}

QString msgDlgCaption(MsgDlgType type)
{
    switch (type) {
    case MsgDlgType::mtWarning: return QStringLiteral("Avertissement");
    case MsgDlgType::mtError: return QStringLiteral("Erreur");
    case MsgDlgType::mtInformation: return QStringLiteral("Information");
    case MsgDlgType::mtConfirmation: return QStringLiteral("Confirmation");
    case MsgDlgType::mtCustom: break;
    }
    return applicationTitle();
}

QString applicationTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Tarvik") : name;
}

} // namespace tarvik
