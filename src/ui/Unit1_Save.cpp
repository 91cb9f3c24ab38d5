// Saving the menu: settings, entry list with check states and launch-option
// keys, and the button bar. Each file is read at most once and written once
// per save action, whatever the number of entries.
#include "ui/Unit1.h"

#include "lib/LaunchOptions.h"
#include "lib/MenuFiles.h"
#include "lib/Orvo_ini.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

#include <QPushButton>
#include <algorithm>

namespace tarvik {

namespace {
const QString kLaunchKeys[] = {kSendKeys, kArguments, kPassword};
}

QString TForm1::Get_CommandsINI() const { return MenuFiles(MenuName()).commands(); }

void TForm1::announceKeptFile(const QString &path)
{
    if (m_keptFiles.contains(path))
        return;
    m_keptFiles.insert(path);
    try {
        dialogs().messageBox(applicationTitle(), keptFileMessage(path), MB_OK | MB_ICONWARNING);
    } catch (...) {
        // No dialog back-end: nothing more can be shown.
    }
}

bool TForm1::runLoadStep(const std::function<void()> &step)
{
    bool whole = true;
    const bool ran = runGuarded([&] {
        try {
            step();
        } catch (const KeptFileError &e) {
            announceKeptFile(e.path());
            whole = false;
        }
    });
    return ran && whole;
}

void TForm1::INI_SAVE()
{
    // A settings file that could not be read at start-up is left as it is,
    // and so is one that a NUL cuts short: neither is a failed save.
    if (!m_settingsLoadFailed) {
        IniFile settings(_INI_FILE);
        if (settings.cutAtNul()) {
            announceKeptFile(_INI_FILE);
        } else {
            writePosition(*this, settings);
            settings.writeString(QStringLiteral("MENU"), QStringLiteral("caption"), windowTitle());
            writeComponents_CHECKED(*this, settings);
            settings.save();
        }
    }
    SAUVE_LISTE();
    SAUVE_BOUTONS();
}

void TForm1::SAUVE_LISTE()
{
    // Entries that were never loaded must not replace the stored ones.
    if (m_listLoadFailed)
        return;
    LineList{ListBox1.Items, ListBox1.encoding}.saveToFile(EntryFileName());
    LineList{JvCheckListBox1->Texts(), JvCheckListBox1->encoding}.saveToFile(CheckFileName());

    IniFile commands(Get_CommandsINI());
    if (ListBox1.Count() == 0 && !commands.fileExisted())
        return;
    if (commands.cutAtNul()) {
        announceKeptFile(commands.path());
        return;
    }
    for (const QString &entry : std::as_const(ListBox1.Items))
        for (const QString &key : kLaunchKeys)
            if (commands.readString(entry, key, QString()).isEmpty())
                commands.writeString(entry, key, QString());
    const QStringList formatted = formatIniLines(commands.lines(), false);
    try {
        writeWholeFile(commands.path(), encodeLines(formatted, encodingForSave(formatted, commands.encoding())));
    } catch (const FileError &) {
        throw Error(QStringLiteral("Impossible d'écrire dans %1").arg(commands.path()));
    }
}

void TForm1::SAUVE_BOUTONS()
{
    if (m_buttonsLoadFailed)
        return;
    ListBox_BOUTONS.lines.clear();
    for (QPushButton *b : barButtons())
        ListBox_BOUTONS.lines << b->text();
    std::stable_sort(ListBox_BOUTONS.lines.begin(), ListBox_BOUTONS.lines.end(),
                     [](const QString &a, const QString &b) { return compareText(a, b) < 0; });
    if (ListBox_BOUTONS.lines.isEmpty() || ListBox_BOUTONS.lines.first() != QLatin1String("Fermer"))
        ListBox_BOUTONS.lines.prepend(QStringLiteral("Fermer"));
    ListBox_BOUTONS.saveToFile(ButtonsFileName());
}

} // namespace tarvik
