#pragma once
// The dialogs port: every modal question or message goes through it, so that
// tests can read the exact French text of a dialog and choose its button.

#include <QString>
#include <QStringList>

class QDialog;

namespace tarvik {

// Kinds of the toolkit's message dialog, in their usual order.
enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of the toolkit's message dialog (a set).
enum MsgDlgBtn : unsigned { mbOK = 1, mbCancel = 2, mbIgnore = 4, mbYes = 8, mbNo = 16 };

// Modal results of the toolkit's dialogs.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                         mrIgnore = 5, mrYes = 6, mrNo = 7 };

// Flags and results of the system message box.
enum : unsigned {
    MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNO = 0x4,
    MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct OpenFileRequest {
    QString title;
    QString initialDir;
    QString defaultExt;
    QString fileName;
    QString filter; // "MENU|*.MENU.INI"
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The toolkit's message dialog: an icon and caption by type, the given
    // buttons; returns a ModalResult (mrCancel when closed by Escape or its box).
    virtual int messageDlg(const QString &text, MsgDlgType type, unsigned buttons,
                           unsigned defaultButton = 0) = 0;
    // The system message box: caption, text, MB_ flags; returns IDOK, IDCANCEL…
    virtual int messageBox(const QString &caption, const QString &text, unsigned flags) = 0;
    // The single-line input box; value in and out; true for OK.
    virtual bool inputQuery(const QString &caption, const QString &prompt, QString &value) = 0;
    // Runs a modal dialog of the program's own (the password dialog); returns its result.
    virtual int execDialog(QDialog &dialog) = 0;
    // The open-file dialog; returns the chosen path, empty when cancelled.
    virtual QString openFile(const OpenFileRequest &request) = 0;
};

Dialogs &dialogs();
// Installs the process-wide back-end (not owned); returns the previous one.
Dialogs *setDialogs(Dialogs *backend);

// Names used for icons in records and captions of the message dialog.
QString msgDlgCaption(MsgDlgType type);
// The application's title (caption of plain boxes and of error boxes).
QString applicationTitle();

} // namespace tarvik
