// Program entry: one process shows one menu.
#include "lib/Orvo_Dialogs.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Keyboard.h"
#include "platform/NativeBackends.h"
#include "platform/QtDialogs.h"
#include "ui/LazyIcon.h"
#include "ui/Style.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

using namespace tarvik;

namespace {

constexpr int MaxInstances = 9;

// A copy beyond the limit says so, brings the oldest copy to the front and
// ends before reading or writing any file.
bool JvAppInstances1Accepts(Platform &os)
{
    const int position = os.registerCopy();
    if (position < MaxInstances)
        return true;
    dialogs().messageBox(applicationTitle(), QStringLiteral("Vous ne pouvez imbriquer plus de 9 niveaux !"), MB_OK);
    const QList<qint64> copies = os.registeredCopies();
    if (!copies.isEmpty())
        os.bringProcessToFront(copies.first());
    os.unregisterCopy();
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareNativeApplication();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    QApplication::setWindowIcon(applicationIcon());
    QApplication::setQuitOnLastWindowClosed(true);

    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);

    const NativeBackends native = createNativeBackends();
    Platform &os = *native.platform;
    setPlatform(&os);
    QtDialogs qtDialogs;
    setDialogs(&qtDialogs);
    if (native.keyboard)
        setKeyboard(native.keyboard.get());

    applyStyle(QStringLiteral("Metropolis UI Blue"));

    bool accepted = true; // a registry that cannot be read never stops the menu
    runGuarded([&] { accepted = JvAppInstances1Accepts(os); });
    if (!accepted)
        return 0;

    int result = 0;
    {
        TForm1 form(QApplication::arguments());
        Form1 = &form;
        form.FormCreate();
        form.show();
        result = app.exec();
    }
    os.unregisterCopy();
    return result;
}
