// The caller's argument on the clipboard, the field selection, the three
// launch option editors and the password dialog, with scripted dialogs.
#include "UiTestSupport.h"

#include "lib/Cryptage.h"
#include "lib/Orvo_ini.h"
#include "ui/PASSWORD.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace tarvik;
using tarvik::testing::DialogRecord;
using tarvik::testing::MenuFixture;

namespace {

const QString kExample = QStringLiteral("DURAND;Marie;14/02/1961;2 rue Haute");
const QString kAgenda = QStringLiteral("/opt/outils/agenda.exe");
const QString kPlanning = QStringLiteral("/home/u/planning.xls");
const QString kCommands = QStringLiteral("M.items.commands.ini");
const QString kKeysPrompt = QStringLiteral("~ = ENTREE\r\n% = ALT\r\n^ = CTRL\r\n+ = MAJ\r\n{Touche Spéciale}\r\n\r\n"
                                           "ENTREZ LA SEQUENCE DE TOUCHES :");

// What the password dialog looked like when it opened.
struct Opening {
    QString text;
    bool shown = true;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
};

class Arguments : public MenuFixture {
protected:
    // A menu "M" with two entries, the given one pointed.
    TForm1 &startWithEntries(int pointed, const QString &arg2 = QString())
    {
        writeFile("M.items.txt", (kAgenda + "\r\n" + kPlanning + "\r\n").toLatin1());
        TForm1 &f = startMenu("m", arg2);
        f.ValueListEditor1->setRow(pointed);
        EXPECT_EQ(f.pointedEntry(), pointed == 0 ? kAgenda : kPlanning);
        return f;
    }

    QString stored(const QString &entry, const QString &key)
    {
        return GetStr(entry, key, QStringLiteral("<absent>"), path(kCommands));
    }

    // Scripts the next password dialog: notes how it opened, types the text
    // and ends it with the button named (or, with no button, as by the
    // window's close box).
    void scriptPassword(const QString &text, const char *button, Opening *opening = nullptr)
    {
        dialogs.answerDialog([=](QDialog &d) {
            auto *edit = d.findChild<QLineEdit *>("Password");
            auto *show = d.findChild<QCheckBox *>("CheckBox1");
            if (opening && edit && show)
                *opening = Opening{edit->text(), show->isChecked(), edit->echoMode()};
            if (!edit)
                return int(mrCancel);
            edit->setText(text);
            if (!button)
                return int(mrCancel);
            d.findChild<QPushButton *>(button)->click();
            return d.result() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
        });
    }
};

QByteArray scrambledBytes(const QString &password)
{
    QByteArray out;
    for (QChar c : password)
        out += char(c.toLatin1() ^ 0xA7);
    return out;
}

} // namespace

TEST_F(Arguments, CallersArgumentOnTheClipboard)
{
    QApplication::clipboard()->setText("avant");
    TForm1 &without = startMenu("m");
    EXPECT_EQ(without._ARG_DVX, "\"\"");
    EXPECT_EQ(QApplication::clipboard()->text(), "avant");
    without.Clipbrd_PASTE->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "\"\"");

    TForm1 &with = startMenu("m", kExample);
    const QString quoted = "\"" + kExample + "\"";
    EXPECT_EQ(QApplication::clipboard()->text(), quoted);
    QApplication::clipboard()->setText("autre");
    with.Clipbrd_PASTE->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), quoted);

    ASSERT_EQ(dialogs.records.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const DialogRecord &r = dialogs.records[i];
        EXPECT_EQ(r.kind, "messageBox");
        EXPECT_EQ(r.icon, "information");
        EXPECT_EQ(r.caption, "DANS LE PRESSE PAPIER ! (CTRL+V pour le récupérer!)");
        EXPECT_EQ(r.text, i == 0 ? "\"\"" : quoted);
    }

    // The beta item copies the menu name as typed, and does not touch _ARG_DVX.
    TForm1 &typed = startMenu("Mon menu", "A;B");
    typed.InjecterdesChampsDorvexdanslePressepapier1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "Mon menu");
    EXPECT_EQ(typed._ARG_DVX, "\"A;B\"");
    TForm1 &bare = startMenu();
    bare.InjecterdesChampsDorvexdanslePressepapier1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "");
}

TEST_F(Arguments, FieldSelection)
{
    TForm1 &f = startWithEntries(1, kExample);
    const QString prompt = "Entrez dans l'Ordre les Numéros de Champs précédés d'un signe \"+\" :\r\n\r\n"
                           "- Par exemple : \"+3+5+0+12\"  ( * = tous)\r\n\r\n"
                           "0 => DURAND\r\n1 => Marie\r\n2 => 14/02/1961\r\n3 => 2 rue Haute\r\n";

    struct Case {
        bool inputOk;
        QString codes;
        int confirmation;
        QString storedAfter;
    } cases[] = {
        {false, "+1", mrOk, "<absent>"},       // Cancel at the input box
        {true, "+0+9", mrCancel, "<absent>"},  // Cancel at the question
        {true, "+0+9", mrOk, "+0+9"},          // the codes are stored, not the preview
        {true, "*", mrOk, "*"},
        {true, "", mrOk, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codes.toStdString());
        dialogs.records.clear();
        dialogs.answerInput(c.inputOk, c.codes);
        if (c.inputOk)
            dialogs.answer(c.confirmation);
        f.AjouterdesChampsDORVEX1->trigger();

        ASSERT_GE(dialogs.records.size(), 1u);
        const DialogRecord &input = dialogs.records[0];
        EXPECT_EQ(input.kind, "inputQuery");
        EXPECT_EQ(input.caption, "planning.xls");
        EXPECT_EQ(input.text, prompt);
        EXPECT_EQ(input.value, "+0+1+2+3+4"); // whatever was stored before
        if (c.inputOk) {
            ASSERT_EQ(dialogs.records.size(), 2u);
            const DialogRecord &question = dialogs.records[1];
            EXPECT_EQ(question.kind, "messageDlg");
            EXPECT_EQ(question.icon, "question");
            EXPECT_EQ(question.buttons, QStringList({"OK", "Annuler"}));
            const QString preview = c.codes == "*" ? "\"DURAND\";\"Marie\";\"14/02/1961\";\"2 rue Haute\""
                                    : c.codes == "+0+9" ? "\"DURAND;+9\""
                                                        : "\"\"";
            EXPECT_EQ(question.text, "CODES DES ARGUMENTS A PASSER AU PROGRAMME ? \r\n\r\n" + c.codes
                                         + "\r\n\r\nCorrespondants à la chaine : \r\n\r\n" + preview);
        } else {
            EXPECT_EQ(dialogs.records.size(), 1u);
        }
        EXPECT_EQ(stored(kPlanning, "ARG_DORVEX"), c.storedAfter);
        EXPECT_EQ(stored(kAgenda, "ARG_DORVEX"), "<absent>");
    }
}

TEST_F(Arguments, CommandLineAndKeystrokeEditors)
{
    writeFile(kCommands, ("[" + kAgenda + "]\r\nSENDKEYS=abc~\r\nARGUMENTS=/AUTO\r\nPW=\r\n").toLatin1());
    TForm1 &f = startWithEntries(0);

    struct Case {
        QAction *action;
        QString key;
        QString caption;
        QString prompt;
        QString before;
        QString typed;
    } cases[] = {
        {f.mnu_Arg_CMD, "ARGUMENTS", "ENTREZ LES ARGUMENTS", "agenda.exe", "/AUTO", "/X \"%1\""},
        {f.mnu_Arg_Touches, "SENDKEYS", "agenda.exe", kKeysPrompt, "abc~", "%{F4}"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        // Cancel stores nothing.
        dialogs.answerInput(false);
        c.action->trigger();
        EXPECT_EQ(stored(kAgenda, c.key), c.before);
        // OK stores the value at once; an empty value too.
        for (const QString &value : {c.typed, QString()}) {
            dialogs.records.clear();
            const QString previous = stored(kAgenda, c.key);
            dialogs.answerInput(true, value);
            c.action->trigger();
            ASSERT_EQ(dialogs.records.size(), 1u);
            EXPECT_EQ(dialogs.last().kind, "inputQuery");
            EXPECT_EQ(dialogs.last().caption, c.caption);
            EXPECT_EQ(dialogs.last().text, c.prompt);
            EXPECT_EQ(dialogs.last().value, previous);
            EXPECT_EQ(stored(kAgenda, c.key), value);
        }
    }
    EXPECT_EQ(stored(kAgenda, "PW"), "");
}

TEST_F(Arguments, PasswordEmptiesTheSequenceAndASequenceKeepsThePassword)
{
    writeFile(kCommands, ("[" + kAgenda + "]\r\nSENDKEYS=abc~\r\nARGUMENTS=/AUTO\r\nPW=\r\n").toLatin1());
    TForm1 &f = startWithEntries(0);

    Opening first;
    scriptPassword("s3cret", "OKBtn", &first);
    f.mnu_Arg_PassWord->trigger();
    ASSERT_FALSE(dialogs.records.empty());
    EXPECT_EQ(dialogs.last().kind, "dialog");
    EXPECT_EQ(dialogs.last().caption, "Mot de passe");
    EXPECT_EQ(first.text, "");
    EXPECT_FALSE(first.shown);
    EXPECT_EQ(first.echo, QLineEdit::Password);
    // Written at once, scrambled, and the sequence emptied so the launch types the password.
    EXPECT_EQ(readFile(kCommands), "[" + kAgenda.toLatin1() + "]\r\nSENDKEYS=\r\nARGUMENTS=/AUTO\r\nPW="
                                       + scrambledBytes("s3cret") + "\r\n");
    EXPECT_EQ(AnsiCrypt(stored(kAgenda, "PW"), f._CLEF_CRYPTAGE), "s3cret");

    // A sequence stored afterwards keeps the password in place.
    dialogs.answerInput(true, "xyz~");
    f.mnu_Arg_Touches->trigger();
    EXPECT_EQ(stored(kAgenda, "SENDKEYS"), "xyz~");
    EXPECT_EQ(AnsiCrypt(stored(kAgenda, "PW"), f._CLEF_CRYPTAGE), "s3cret");

    // The next opening, for another entry, shows neither the password nor "Montrer" ticked.
    f.ValueListEditor1->setRow(1);
    Opening second;
    scriptPassword("Élève 2019", "OKBtn", &second);
    f.mnu_Arg_PassWord->trigger();
    EXPECT_EQ(second.text, "");
    EXPECT_FALSE(second.shown);
    EXPECT_EQ(AnsiCrypt(stored(kPlanning, "PW"), f._CLEF_CRYPTAGE), "Élève 2019");
    EXPECT_EQ(stored(kPlanning, "SENDKEYS"), "");
    EXPECT_EQ(stored(kAgenda, "SENDKEYS"), "xyz~");
}

TEST_F(Arguments, PasswordNotStored)
{
    writeFile(kCommands, ("[" + kAgenda + "]\r\nSENDKEYS=abc~\r\nPW=\r\n").toLatin1());
    TForm1 &f = startWithEntries(0);
    const QByteArray before = readFile(kCommands);

    struct Case {
        QString text;
        const char *button; // null: the window's close box
        bool refused;       // a warning says why
    } cases[] = {
        {"secret", "CancelBtn", false},
        {"secret", nullptr, false},
        {"", "OKBtn", false},
        {"a§b", "OKBtn", true},   // scrambles to a zero byte
        {"ªb", "OKBtn", true},    // scrambles to a line break
        {"Ωmega", "OKBtn", true}, // not in Windows-1252
        {"®abc", "OKBtn", true},  // scrambles to a tab the line would trim
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        dialogs.records.clear();
        Opening opening;
        scriptPassword(c.text, c.button, &opening);
        f.mnu_Arg_PassWord->trigger();
        EXPECT_EQ(opening.text, "");
        EXPECT_EQ(readFile(kCommands), before);
        if (c.refused) {
            ASSERT_EQ(dialogs.records.size(), 2u);
            EXPECT_EQ(dialogs.last().icon, "warning");
            EXPECT_TRUE(dialogs.last().text.startsWith(
                "Ce mot de passe ne peut pas être enregistré dans le fichier des commandes :\r\n"));
        } else {
            EXPECT_EQ(dialogs.records.size(), 1u);
        }
    }
}

TEST_F(Arguments, PasswordDialogForm)
{
    TPasswordDlg dlg;
    EXPECT_EQ(dlg.objectName(), "PasswordDlg");
    EXPECT_EQ(dlg.windowTitle(), "Mot de passe");
    // The designed size, wider when the font at hand needs it for "Montrer"
    // (whole captions are the dialog-size test's).
    EXPECT_EQ(dlg.height(), 122);
    EXPECT_GE(dlg.width(), 297);
    struct Case {
        const char *name;
        QString text;
        QRect geometry; // width/height 0: not fixed
    } cases[] = {
        {"Label1", "Saisie du mot de passe :", QRect(8, 9, 0, 0)},
        {"Password", "", QRect(8, 27, 217, 0)},
        {"OKBtn", "OK", QRect(69, 70, 75, 25)},
        {"CancelBtn", "Annuler", QRect(150, 70, 75, 25)},
        {"CheckBox1", "Montrer", QRect(231, 25, 0, 17)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QWidget *w = dlg.findChild<QWidget *>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->pos(), c.geometry.topLeft());
        if (c.geometry.width())
            EXPECT_EQ(w->width(), c.geometry.width());
        if (c.geometry.height())
            EXPECT_EQ(w->height(), c.geometry.height());
        QString text;
        if (auto *l = qobject_cast<QLabel *>(w)) text = l->text();
        if (auto *e = qobject_cast<QLineEdit *>(w)) text = e->text();
        if (auto *b = qobject_cast<QAbstractButton *>(w)) text = b->text();
        EXPECT_EQ(text, c.text);
    }
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    EXPECT_EQ(dlg.Password->echoMode(), QLineEdit::Password);

    // "Montrer" shows the text in clear and masks it again.
    dlg.Password->setText("abc");
    dlg.CheckBox1->click();
    EXPECT_EQ(dlg.Password->echoMode(), QLineEdit::Normal);
    dlg.CheckBox1->click();
    EXPECT_EQ(dlg.Password->echoMode(), QLineEdit::Password);

    // Escape acts as the Cancel button: the edit is emptied and the dialog rejected.
    dlg.show();
    dlg.setResult(QDialog::Accepted);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &escape);
    EXPECT_EQ(dlg.Password->text(), "");
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());

    // OK keeps the text for the caller to read.
    dlg.show();
    dlg.Password->setText("xyz");
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Password->text(), "xyz");
}

TEST_F(Arguments, NothingPointedWarnsAndStoresNothing)
{
    TForm1 &f = startMenu("m");
    ASSERT_EQ(f.ListBox1.Count(), 0);
    // Answers ready in case a command went ahead: none of them may be asked for.
    for (QAction *a : {f.mnu_Arg_CMD, f.mnu_Arg_Touches, f.mnu_Arg_PassWord, f.AjouterdesChampsDORVEX1}) {
        SCOPED_TRACE(a->objectName().toStdString());
        dialogs.records.clear();
        dialogs.answerInput(true, "x");
        scriptPassword("secret", "OKBtn");
        a->trigger();
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().kind, "messageDlg");
        EXPECT_EQ(dialogs.last().icon, "warning");
        EXPECT_EQ(dialogs.last().text, "Aucun programme n'est pointé dans la liste : rien à paramétrer !");
        EXPECT_FALSE(fileExists(kCommands));
    }
}
