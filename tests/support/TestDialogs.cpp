#include "TestDialogs.h"

#include <QDialog>

namespace tarvik::testing {

namespace {
QString iconOf(MsgDlgType type)
{
    switch (type) {
    case MsgDlgType::mtWarning: return QStringLiteral("warning");
    case MsgDlgType::mtError: return QStringLiteral("error");
    case MsgDlgType::mtInformation: return QStringLiteral("information");
    case MsgDlgType::mtConfirmation: return QStringLiteral("question");
    case MsgDlgType::mtCustom: break;
    }
    return QStringLiteral("none");
}

QString iconOfFlags(unsigned flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return QStringLiteral("error");
    case MB_ICONQUESTION: return QStringLiteral("question");
    case MB_ICONWARNING: return QStringLiteral("warning");
    case MB_ICONINFORMATION: return QStringLiteral("information");
    default: return QStringLiteral("none");
    }
}
} // namespace

TestDialogs::TestDialogs() { m_previous = setDialogs(this); }
TestDialogs::~TestDialogs() { setDialogs(m_previous); }

void TestDialogs::answer(int result) { m_messages.push_back(Answer{result, false, {}, {}}); }
void TestDialogs::answerInput(bool ok, const QString &value) { m_inputs.push_back(Answer{0, ok, value, {}}); }
void TestDialogs::answerDialog(std::function<int(QDialog &)> script) { m_dialogs.push_back(Answer{0, false, {}, std::move(script)}); }
void TestDialogs::answerOpenFile(const QString &path) { m_files.push_back(Answer{0, true, path, {}}); }

QStringList TestDialogs::texts() const
{
    QStringList out;
    for (const auto &r : records)
        out << r.text;
    return out;
}

int TestDialogs::messageDlg(const QString &text, MsgDlgType type, unsigned buttons, unsigned defaultButton)
{
    DialogRecord r{QStringLiteral("messageDlg"), iconOf(type), msgDlgCaption(type), text, {}, {}, defaultButton};
    if (buttons & mbOK) r.buttons << QStringLiteral("OK");
    if (buttons & mbYes) r.buttons << QStringLiteral("Oui");
    if (buttons & mbNo) r.buttons << QStringLiteral("Non");
    if (buttons & mbCancel) r.buttons << QStringLiteral("Annuler");
    if (buttons & mbIgnore) r.buttons << QStringLiteral("Ignorer");
    records.push_back(r);
    if (!m_messages.empty()) {
        int result = m_messages.front().result;
        m_messages.pop_front();
        return result;
    }
    return (buttons & mbOK) || !(buttons & mbYes) ? mrOk : mrYes;
}

int TestDialogs::messageBox(const QString &caption, const QString &text, unsigned flags)
{
    DialogRecord r{QStringLiteral("messageBox"), iconOfFlags(flags), caption, text, {}, {}, flags};
    switch (flags & 0xF) {
    case MB_OKCANCEL: r.buttons << QStringLiteral("OK") << QStringLiteral("Annuler"); break;
    case MB_YESNO: r.buttons << QStringLiteral("Oui") << QStringLiteral("Non"); break;
    default: r.buttons << QStringLiteral("OK"); break;
    }
    records.push_back(r);
    if (onMessageBox)
        onMessageBox(r);
    if (!m_messages.empty()) {
        int result = m_messages.front().result;
        m_messages.pop_front();
        return result;
    }
    return (flags & 0xF) == MB_YESNO ? IDYES : IDOK;
}

bool TestDialogs::inputQuery(const QString &caption, const QString &prompt, QString &value)
{
    records.push_back(DialogRecord{QStringLiteral("inputQuery"), QStringLiteral("none"), caption, prompt,
                                   {QStringLiteral("OK"), QStringLiteral("Annuler")}, value, 0});
    if (m_inputs.empty())
        return false;
    Answer a = m_inputs.front();
    m_inputs.pop_front();
    if (a.inputOk)
        value = a.value;
    return a.inputOk;
}

int TestDialogs::execDialog(QDialog &dialog)
{
    records.push_back(DialogRecord{QStringLiteral("dialog"), QStringLiteral("none"), dialog.windowTitle(),
                                   QString(), {}, dialog.objectName(), 0});
    if (m_dialogs.empty())
        return mrCancel;
    Answer a = m_dialogs.front();
    m_dialogs.pop_front();
    return a.script ? a.script(dialog) : mrCancel;
}

QString TestDialogs::openFile(const OpenFileRequest &request)
{
    records.push_back(DialogRecord{QStringLiteral("openFile"), QStringLiteral("none"), request.title,
                                   request.filter, {},
                                   request.initialDir + QLatin1Char('|') + request.defaultExt + QLatin1Char('|') + request.fileName,
                                   0});
    if (m_files.empty())
        return QString();
    QString path = m_files.front().value;
    m_files.pop_front();
    return path;
}

} // namespace tarvik::testing
