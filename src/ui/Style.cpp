#include "ui/Style.h"

#include "platform/Dialogs.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

// The resources live in the static core library: they must be registered by hand.
static void initTarvikResources() { Q_INIT_RESOURCE(tarvik); }

namespace tarvik {

bool applyStyle(const QString &name)
{
    initTarvikResources();
    QFile sheet(QStringLiteral(":/styles/%1.qss").arg(name));
    if (!sheet.open(QIODevice::ReadOnly)) {
        dialogs().messageBox(applicationTitle(), QStringLiteral("Style '%1' non trouvé").arg(name), MB_OK | MB_ICONERROR);
        return false;
    }
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

} // namespace tarvik
