#pragma once
// Scripted dialogs: records every dialog (kind, icon, caption, text, buttons)
// and answers from a queue. Installs itself for its lifetime.

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace tarvik::testing {

struct DialogRecord {
    QString kind;    // "messageDlg", "messageBox", "inputQuery", "dialog", "openFile"
    QString icon;    // "warning", "error", "information", "question", "none"
    QString caption;
    QString text;    // message text, or the prompt of an input box
    QStringList buttons; // "OK", "Annuler", "Ignorer", "Oui", "Non"
    QString value;   // initial value of an input box; the request of an open-file dialog
    unsigned flags = 0; // MB_ flags of a message box; default button of a message dialog
};

class TestDialogs : public Dialogs {
public:
    TestDialogs();
    ~TestDialogs() override;

    // Answers, consumed in order. Unscripted: message dialogs answer OK
    // (or Oui without OK), message boxes IDOK, input boxes Cancel, the open-file
    // dialog Cancel, program dialogs mrCancel.
    void answer(int result);                          // ModalResult or ID… of the next message
    void answerInput(bool ok, const QString &value = QString());
    void answerDialog(std::function<int(QDialog &)> script);
    void answerOpenFile(const QString &path);

    std::vector<DialogRecord> records;
    // Runs while a message box is shown (a test moves the focus here).
    std::function<void(const DialogRecord &)> onMessageBox;
    const DialogRecord &last() const { return records.back(); }
    // Texts of all recorded dialogs, in order.
    QStringList texts() const;

    int messageDlg(const QString &text, MsgDlgType type, unsigned buttons,
                   unsigned defaultButton = 0) override;
    int messageBox(const QString &caption, const QString &text, unsigned flags) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override;
    int execDialog(QDialog &dialog) override;
    QString openFile(const OpenFileRequest &request) override;

private:
    struct Answer {
        int result = 0;
        bool inputOk = false;
        QString value;
        std::function<int(QDialog &)> script;
    };
    std::deque<Answer> m_messages, m_inputs, m_dialogs, m_files;
    Dialogs *m_previous = nullptr;
};

} // namespace tarvik::testing
