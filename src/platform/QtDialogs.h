#pragma once
// The real dialogs: Qt's message boxes, input dialog and file dialog with
// French button texts.

#include "platform/Dialogs.h"

namespace tarvik {

class QtDialogs : public Dialogs {
public:
    int messageDlg(const QString &text, MsgDlgType type, unsigned buttons, unsigned defaultButton = 0) override;
    int messageBox(const QString &caption, const QString &text, unsigned flags) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override;
    int execDialog(QDialog &dialog) override;
    QString openFile(const OpenFileRequest &request) override;
};

} // namespace tarvik
