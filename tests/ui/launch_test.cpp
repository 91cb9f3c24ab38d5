// Launching entries from a real menu window over the recording platform,
// the recording keyboard and scripted dialogs: the command line passed, the
// confirmation, the pauses and the keys typed, in the order they happen;
// the walk over the checked entries.

#include "RecordingKeyboard.h"
#include "QtPrinters.h"
#include "UiTestSupport.h"

#include "lib/Cryptage.h"
#include "lib/Orvo_ini.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <functional>
#include <ostream>

namespace {

using namespace tarvik;
using namespace tarvik::testing;

// A recording platform whose focus can move after some pauses (the started
// program's window showing up late).
class LaunchPlatform : public TestPlatform {
public:
    int focusAfterSleeps = -1;
    WindowHandle laterActive = 0;
    int sleeps = 0;
    std::function<void(int milliseconds)> onSleep;

    void sleep(int milliseconds) override
    {
        TestPlatform::sleep(milliseconds);
        if (focusAfterSleeps >= 0 && ++sleeps >= focusAfterSleeps)
            active = laterActive;
        if (onSleep)
            onSleep(milliseconds);
    }
};

// Key events land in the platform's call list, so pauses and keys share one timeline.
class TimelineKeyboard : public RecordingKeyboard {
public:
    explicit TimelineKeyboard(TestPlatform &p) : m_platform(p) {}
    bool keybdEvent(quint8 vk, quint8 scan, unsigned flags) override
    {
        if (!RecordingKeyboard::keybdEvent(vk, scan, flags))
            return false;
        m_platform.calls.push_back({QStringLiteral("Key"),
                                    {QString::number(vk), QString::number(flags & KEYEVENTF_KEYUP ? 0 : 1)}});
        return true;
    }

private:
    TestPlatform &m_platform;
};

// Close events of the window, into the same timeline.
class CloseRecorder : public QObject {
public:
    explicit CloseRecorder(TestPlatform &p) : m_platform(p) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            m_platform.calls.push_back({QStringLiteral("Close"), {}});
        return false;
    }

private:
    TestPlatform &m_platform;
};

constexpr WindowHandle kStartedWindow = 0x4200001; // the started program's window
constexpr WindowHandle kOtherMenu = 0x3100007;     // a window of another copy of this program
constexpr WindowHandle kBystander = 0x2600003;     // a window of an unrelated program
constexpr qint64 kStartedPid = 4242;
constexpr qint64 kBystanderPid = 777;

class Launch : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        sys.exePath = os.exePath;
        sys.active = kStartedWindow;
        sys.programWindows = {kOtherMenu};
        sys.startedPid = kStartedPid;
        sys.processes = {{kStartedPid, {1, kStartedPid}}, {kBystanderPid, {1, kBystanderPid}}};
        sys.windowPids = {{kStartedWindow, kStartedPid}, {kBystander, kBystanderPid}};
        sys.windows = {{kStartedWindow, QStringLiteral("cible")}, {kBystander, QStringLiteral("témoin")}};
    }

    // A menu holding the given entries (files created in the temporary
    // folder unless marked missing), the checked ones ticked.
    TForm1 &menu(const QStringList &names, const QList<int> &checked = {}, const QString &arg2 = QString(),
                 const QStringList &missing = {})
    {
        // Each menu of a test starts afresh: no options, settings or
        // registration left by the one before.
        for (const QString &file : QDir(dir.path()).entryList({QStringLiteral("LANCE.*"), QStringLiteral("MENUS.*")}))
            QFile::remove(path(file));
        EXPECT_TRUE(QDir().mkpath(path(QStringLiteral("progs"))));
        TForm1 &f = startMenu(QStringLiteral("LANCE"), arg2);
        f.installEventFilter(&closes);
        for (const QString &n : names) {
            QFile file(entry(n));
            if (missing.contains(n))
                file.remove();
            else
                EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << n.toStdString();
            f.addEntry(entry(n));
        }
        f.RempliMENU();
        for (int i : checked) {
            f.JvCheckListBox1->setChecked(i, true);
            f.JvCheckListBox1->setText(i, QStringLiteral("-1"));
        }
        sys.clearCalls();
        return f;
    }

    QString entry(const QString &name) const { return path(QStringLiteral("progs/") + name); }

    void store(const QString &name, const QString &key, const QString &value)
    {
        SaveStr(entry(name), key, value, form().Get_CommandsINI());
    }
    void storePassword(const QString &name, const QString &password)
    {
        store(name, QStringLiteral("PW"), AnsiCrypt(password, form()._CLEF_CRYPTAGE));
    }

    // The launches and what happened around them: "Start <file>|<parameters>",
    // "Sleep <ms>", "Type <text>" for a run of key events, "Close", "Mark".
    QStringList timeline() const
    {
        QStringList out;
        QString typing;
        bool shift = false;
        auto flush = [&] {
            if (!typing.isEmpty())
                out << QStringLiteral("Type ") + typing;
            typing.clear();
        };
        for (const auto &c : sys.calls) {
            if (c.name == QLatin1String("Key")) {
                const int vk = c.args[0].toInt();
                const bool press = c.args[1] == QLatin1String("1");
                if (vk == VK_SHIFT) {
                    shift = press;
                } else if (press) {
                    if (vk >= 'A' && vk <= 'Z')
                        typing += shift ? QChar(vk) : QChar(vk).toLower();
                    else if (vk >= '0' && vk <= '9' && !shift)
                        typing += QChar(vk);
                    else if (vk == VK_RETURN)
                        typing += u'~';
                    else
                        typing += QStringLiteral("<%1>").arg(vk, 2, 16, QLatin1Char('0'));
                }
                continue;
            }
            flush();
            if (c.name == QLatin1String("ShellExecute"))
                out << QStringLiteral("Start ") + c.args[2] + u'|' + c.args[3];
            else if (c.name == QLatin1String("Sleep"))
                out << QStringLiteral("Sleep ") + c.args[0];
            else
                out << c.name;
        }
        flush();
        return out;
    }

    QString started(const QString &name, const QString &parameters = QString()) const
    {
        return QStringLiteral("Start \"") + entry(name) + QStringLiteral("\"|") + parameters;
    }

    QStringList dialogTexts() const { return dialogs.texts(); }

    LaunchPlatform sys; // installed over the fixture's platform for the test's life
    TimelineKeyboard keyboard{sys};
    CloseRecorder closes{sys};
};

QString questionFor(const QString &fileName, const QString &args, const QString &keys)
{
    const QString stars(70, u'*');
    return QStringLiteral("Lancer le programme : \r\n\r\n") + stars + QStringLiteral("\r\n") + fileName
        + QStringLiteral("\r\n") + stars + QStringLiteral("\r\n\r\n- Arguments : \r\n\r\n(") + args
        + QStringLiteral(")\r\n\r\n- Touches   : \r\n\r\n(") + keys + QStringLiteral(")\r\n\r\n") + QString(70, u'-')
        + QStringLiteral("\r\n[IGNORER] = ne plus afficher ce message de confirmation");
}

// ---- what one launch passes ------------------------------------------------

struct ArgumentCase {
    const char *what;
    const char *callerArgument; // nullptr: the menu was started without one
    QMap<QString, QString> stored;
    const char *parameters;
};

TEST_F(Launch, CommandLineResolvedFromTheStoredOptions)
{
    const ArgumentCase cases[] = {
        {"%1 without caller argument", nullptr, {{"ARGUMENTS", "%1"}}, "\"\""},
        {"%1 with caller argument", "DURAND;Marie", {{"ARGUMENTS", "%1"}}, "\"DURAND;Marie\""},
        {"%1 with a quote in the argument", "A\"B", {{"ARGUMENTS", "%1"}}, "\"A\"\"B\""},
        {"%1 among other text", "DURAND;Marie", {{"ARGUMENTS", "%1 /x"}}, "%1 /x"},
        {"plain command line", nullptr, {{"ARGUMENTS", "-v \"deux mots\""}}, "-v \"deux mots\""},
        {"field codes over command line", "DURAND;Marie", {{"ARG_DORVEX", "+1+0"}, {"ARGUMENTS", "zzz"}},
         "\"Marie;DURAND\""},
        {"all fields", "DURAND;Marie", {{"ARG_DORVEX", "*"}, {"ARGUMENTS", "zzz"}}, "\"DURAND\";\"Marie\""},
        {"unresolved codes", "DURAND;Marie", {{"ARG_DORVEX", "+0+9"}}, "\"DURAND\";\"Marie\""},
        {"empty codes fall back", "DURAND;Marie", {{"ARG_DORVEX", ""}, {"ARGUMENTS", "-q"}}, "-q"},
        {"nothing stored", "DURAND;Marie", {}, ""},
    };
    for (const ArgumentCase &c : cases) {
        SCOPED_TRACE(c.what);
        TForm1 &f = menu({QStringLiteral("outil.sh")}, {},
                         c.callerArgument ? QString::fromUtf8(c.callerArgument) : QString());
        for (auto it = c.stored.cbegin(); it != c.stored.cend(); ++it)
            store(QStringLiteral("outil.sh"), it.key(), it.value());
        f.RunOneExecute();
        // Nothing to type: no pause either.
        EXPECT_EQ(timeline(), QStringList{started(QStringLiteral("outil.sh"), QString::fromUtf8(c.parameters))});
        EXPECT_TRUE(keyboard.events.empty());
        EXPECT_TRUE(dialogs.records.empty()) << dialogTexts().join(u'\n').toStdString();
        keyboard.events.clear();
    }
}

TEST_F(Launch, StartCallCarriesOwnerVerbQuotedFileAndShowCommand)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a file name with a double quote cannot exist on Windows";
#endif
    TForm1 &f = menu({QStringLiteral("dit \"bonjour\".sh")});
    f.RunOneExecute();
    const auto calls = sys.callsNamed(QStringLiteral("ShellExecute"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (QStringList{QString::number(f.ownHandle()), QStringLiteral("RUNAS"),
                                          u'"' + path(QStringLiteral("progs/dit \"\"bonjour\"\".sh")) + u'"',
                                          QString(), QString(), QStringLiteral("1")}));
}

// A commands file cut short by a NUL still gives the options before the NUL;
// the user is told once, at the first launch that reads it. An option edited
// afterwards cannot be stored there, and the editor says so.
TEST_F(Launch, ACommandsFileCutShortIsToldOnceAndKeptAsItIs)
{
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    store(QStringLiteral("outil.sh"), QStringLiteral("ARGUMENTS"), QStringLiteral("-a"));
    const QString commands = f.Get_CommandsINI();
    {
        QFile file(commands);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray(1, '\0') + "[ailleurs]\r\nPW=x\r\n");
    }
    QFile file(commands);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray damaged = file.readAll();
    const QString told = QStringLiteral("Le fichier \"") + commands
                         + QStringLiteral("\" contient des données binaires (caractère nul) : il n'est lu que "
                                          "jusque-là et ne sera pas réécrit. Il est conservé tel quel : les "
                                          "modifications qui le concernent ne seront pas enregistrées.");
    f.RunOneExecute();
    f.RunOneExecute();
    EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("outil.sh"), QStringLiteral("-a")),
                                       started(QStringLiteral("outil.sh"), QStringLiteral("-a"))}));
    ASSERT_EQ(dialogs.records.size(), 1u) << dialogTexts().join(u'\n').toStdString();
    EXPECT_EQ(dialogs.last().text, told);
    EXPECT_EQ(dialogs.last().icon, QStringLiteral("warning"));

    dialogs.answerInput(true, QStringLiteral("-b"));
    f.mnu_Arg_CMD->trigger();
    ASSERT_EQ(dialogs.records.size(), 3u) << dialogTexts().join(u'\n').toStdString();
    EXPECT_EQ(dialogs.last().text, told);
    QFile after(commands);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), damaged);
}

// ---- keys and password -----------------------------------------------------

TEST_F(Launch, KeystrokesWinOverThePasswordAndAreFollowedByEnter)
{
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QStringLiteral("+abc12~"));
    storePassword(QStringLiteral("outil.sh"), QStringLiteral("Secret"));
    f.chk_AffCONF->setChecked(true);
    f.RunOneExecute();

    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text, questionFor(QStringLiteral("OUTIL.SH"), QString(), QStringLiteral("+abc12~")));
    EXPECT_EQ(dialogs.last().icon, QStringLiteral("question"));
    EXPECT_EQ(dialogs.last().buttons, (QStringList{"OK", "Annuler", "Ignorer"}));
    // The sequence's own "~" and then the Enter that always follows.
    EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("outil.sh")), "Sleep 1000", "Type Abc12~",
                                       "Sleep 500", "Type ~"}));
}

TEST_F(Launch, OnlyAPasswordIsTypedDecodedAndNeverShown)
{
    TForm1 &f = menu({QStringLiteral("banque.sh")}, {}, QStringLiteral("DURAND;Marie"));
    storePassword(QStringLiteral("banque.sh"), QStringLiteral("Secret42"));
    store(QStringLiteral("banque.sh"), QStringLiteral("ARGUMENTS"), QStringLiteral("%1"));
    f.chk_AffCONF->setChecked(true);
    f.RunOneExecute();

    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.last().text,
              questionFor(QStringLiteral("BANQUE.SH"), QStringLiteral("\"DURAND;Marie\""), QStringLiteral("######")));
    EXPECT_FALSE(dialogs.last().text.contains(QStringLiteral("Secret42")));
    EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("banque.sh"), QStringLiteral("\"DURAND;Marie\"")),
                                       "Sleep 1000", "Type Secret42", "Sleep 500", "Type ~"}));
}

TEST_F(Launch, NothingIsTypedIntoAWindowOfThisProgram)
{
    struct Case {
        const char *what;
        WindowHandle activeAtFirst;
        int focusAfterSleeps; // -1: the started program never takes the focus
        QStringList expected;
        bool warned;
    };
    const QString waits = QStringLiteral("Sleep 250");
    QStringList tooLate{"Sleep 1000"};
    for (int i = 0; i < 20; ++i)
        tooLate << waits;
    const Case cases[] = {
        {"no window has the focus", 0, -1, tooLate, true},
        {"the focus stays on another menu", kOtherMenu, -1, tooLate, true},
        {"the started window comes after two more pauses", 0, 3,
         {"Sleep 1000", "Sleep 250", "Sleep 250", "Type Pw", "Sleep 500", "Type ~"}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.records.clear();
        TForm1 &f = menu({QStringLiteral("outil.sh")});
        storePassword(QStringLiteral("outil.sh"), QStringLiteral("Pw"));
        sys.active = c.activeAtFirst;
        sys.sleeps = 0;
        sys.focusAfterSleeps = c.focusAfterSleeps;
        sys.laterActive = kStartedWindow;
        f.RunOneExecute();
        EXPECT_EQ(timeline(), QStringList{started(QStringLiteral("outil.sh"))} + c.expected);
        if (c.warned) {
            ASSERT_EQ(dialogs.records.size(), 1u);
            EXPECT_EQ(dialogs.last().icon, QStringLiteral("warning"));
            EXPECT_EQ(dialogs.last().text,
                      QStringLiteral("Rien n'a été tapé pour « outil.sh » : sa fenêtre n'a pas pris le clavier à temps."
                                     "\r\n\r\nLes touches et les mots de passe ne sont tapés que dans une fenêtre du "
                                     "programme lancé."));
        } else {
            EXPECT_TRUE(dialogs.records.empty());
        }
    }
    // The own window of the menu itself, as the running copy's platform would say.
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QStringLiteral("x"));
    sys.focusAfterSleeps = -1;
    sys.active = f.ownHandle();
    sys.programWindows = {f.ownHandle()};
    f.RunOneExecute();
    EXPECT_FALSE(timeline().join(u',').contains(QStringLiteral("Type")));
}

// The patience of a launch that found no window to type into.
QStringList noTargetWaits()
{
    QStringList waits{"Sleep 1000"};
    for (int i = 0; i < 20; ++i)
        waits << QStringLiteral("Sleep 250");
    return waits;
}

QString nothingTyped(const QString &name)
{
    return QStringLiteral("Rien n'a été tapé pour « %1 » : sa fenêtre n'a pas pris le clavier à temps.\r\n\r\n"
                          "Les touches et les mots de passe ne sont tapés que dans une fenêtre du programme lancé.")
        .arg(name);
}

QString typingStopped(const QString &name, const QString &why)
{
    return QStringLiteral("La frappe pour « %1 » a été arrêtée : %2.\r\n\r\n"
                          "Le reste des touches et la touche Entrée n'ont été tapés nulle part ; "
                          "le début a pu l'être dans sa fenêtre.")
        .arg(name, why);
}

TEST_F(Launch, KeysAreForAWindowOfTheStartedProgramOrOfItsHandOver)
{
    constexpr WindowHandle kChildWindow = 0x4400001;
    constexpr WindowHandle kNewWindow = 0x4500001;
    struct Case {
        const char *what;
        WindowHandle activeAfterStart;
        bool startedRuns;
        bool typed;
    };
    const Case cases[] = {
        {"the started program's own window", kStartedWindow, true, true},
        {"a window of a child of the started program", kChildWindow, true, true},
        {"a window of the started program's session, its parent gone", kChildWindow + 1, true, true},
        {"another program's window while the started one runs", kBystander, true, false},
        {"a window mapped after the start, while the started one runs", kNewWindow, true, false},
        {"hand-over: a window mapped after the start", kNewWindow, false, true},
        {"hand-over: an older window activated after the start", kBystander, false, true},
        {"hand-over: still our own menu", kOtherMenu, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.records.clear();
        TForm1 &f = menu({QStringLiteral("outil.sh")});
        storePassword(QStringLiteral("outil.sh"), QStringLiteral("Pw"));
        sys.active = kOtherMenu; // the menu had the keyboard when the user launched
        // A hand-over: nothing of the start's session runs any more.
        sys.processes = {{kBystanderPid, {1, kBystanderPid}}, {999, {1, 999}}};
        if (c.startedRuns)
            sys.processes.insert({{kStartedPid, {1, kStartedPid}}, {4300, {kStartedPid, kStartedPid}},
                                  {4301, {1, kStartedPid}}});
        sys.windowPids = {{kStartedWindow, kStartedPid}, {kBystander, kBystanderPid}, {kChildWindow, 4300},
                          {kChildWindow + 1, 4301}, {kNewWindow, 999}};
        sys.sleeps = 0;
        sys.focusAfterSleeps = 1;
        sys.laterActive = c.activeAfterStart;
        f.RunOneExecute();
        if (c.typed) {
            EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("outil.sh")), "Sleep 1000", "Type Pw",
                                               "Sleep 500", "Type ~"}));
            EXPECT_TRUE(dialogs.records.empty()) << dialogTexts().join(u'\n').toStdString();
            EXPECT_EQ(keyboard.targetsSet.value(0), c.activeAfterStart);
        } else {
            EXPECT_EQ(timeline(), QStringList{started(QStringLiteral("outil.sh"))} + noTargetWaits());
            EXPECT_EQ(dialogTexts(), QStringList{nothingTyped(QStringLiteral("outil.sh"))});
        }
        EXPECT_EQ(keyboard.target, 0u) << "the target outlived the launch";
        keyboard.targetsSet.clear();
    }
}

TEST_F(Launch, AWaylandWindowIsToldApart)
{
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    storePassword(QStringLiteral("outil.sh"), QStringLiteral("Pw"));
    sys.wayland = true;
    sys.active = 0; // XWayland sees no active window: a native one has the focus
    f.RunOneExecute();
    EXPECT_EQ(timeline(), QStringList{started(QStringLiteral("outil.sh"))} + noTargetWaits());
    EXPECT_EQ(dialogTexts(),
              QStringList{QStringLiteral(
                  "Rien n'a été tapé pour « outil.sh » : la fenêtre active ne peut pas recevoir de touches du menu "
                  "(ce n'est pas une fenêtre X11).\r\n\r\nSous Wayland, le menu ne tape que dans les fenêtres des "
                  "programmes qui passent par XWayland.")});
}

TEST_F(Launch, TypingStopsAtOnceWhenTheFocusLeavesTheTarget)
{
    struct Case {
        const char *what;
        const char *sequence;
        int focusLostAfterEvents; // -1: during the pause before Enter
        bool targetCloses;
        const char *typed;        // what reached the target
        const char *why;
    };
    const Case cases[] = {
        {"a thief in the middle of a held Shift", "+(abcdef)", 5, false, "Type AB", "le clavier est passé à une autre fenêtre"},
        {"a thief between two letters", "abcdef", 4, false, "Type ab", "le clavier est passé à une autre fenêtre"},
        {"the target closes", "abcdef", 2, true, "Type a", "sa fenêtre s'est fermée"},
        {"a thief before the Enter", "abc", -1, false, "Type abc", "le clavier est passé à une autre fenêtre"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.records.clear();
        TForm1 &f = menu({QStringLiteral("outil.sh")});
        store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QString::fromUtf8(c.sequence));
        keyboard.events.clear();
        keyboard.focusInTarget = true;
        const auto loseFocus = [this, &c] {
            keyboard.focusInTarget = false;
            sys.active = kBystander;
            if (c.targetCloses)
                sys.windows.removeFirst();
        };
        if (c.focusLostAfterEvents >= 0) {
            keyboard.afterEvent = [&](RecordingKeyboard &k) {
                if (int(k.events.size()) == c.focusLostAfterEvents)
                    loseFocus();
            };
        } else {
            sys.onSleep = [&](int ms) {
                if (ms == 500)
                    loseFocus();
            };
        }
        f.RunOneExecute();
        QStringList expected{started(QStringLiteral("outil.sh")), "Sleep 1000", QString::fromUtf8(c.typed)};
        if (c.focusLostAfterEvents < 0)
            expected << "Sleep 500";
        EXPECT_EQ(timeline(), expected);
        EXPECT_TRUE(keyboard.keysDown().isEmpty()) << keyboard.trace().toStdString();
        EXPECT_EQ(keyboard.heldBack, 1);
        EXPECT_EQ(dialogTexts(), QStringList{typingStopped(QStringLiteral("outil.sh"), QString::fromUtf8(c.why))});
        keyboard.afterEvent = nullptr;
        sys.onSleep = nullptr;
        keyboard.heldBack = 0;
        sys.windows = {{kStartedWindow, QStringLiteral("cible")}, {kBystander, QStringLiteral("témoin")}};
        sys.active = kStartedWindow;
    }
}

TEST_F(Launch, AfterThePlayersOwnBoxTheTargetGetsTheKeyboardBack)
{
    struct Case {
        const char *sequence;
        const char *box;
        const char *typedBefore; // nullptr: nothing before the box
        const char *typedAfter;
    };
    const Case cases[] = {
        {"{FOO}x", "Invalid Key Name", nullptr, "Type x"},
        {"ab{TAB", "No Close", "Type ab", nullptr},
        {"+(a\xc3\xa9" "b)", "Invalid KeyName", "Type A", "Type B"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sequence);
        dialogs.records.clear();
        TForm1 &f = menu({QStringLiteral("outil.sh")});
        store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QString::fromUtf8(c.sequence));
        keyboard.events.clear();
        // The box takes the keyboard; the target gets it back when asked to the front.
        dialogs.onMessageBox = [this](const DialogRecord &) {
            EXPECT_TRUE(keyboard.keysDown().isEmpty()) << "held while the box is shown: " << keyboard.trace().toStdString();
            keyboard.focusInTarget = false;
            sys.calls.push_back({QStringLiteral("Box"), {}});
        };
        sys.onSleep = [this](int) {
            if (!sys.callsNamed(QStringLiteral("BringToFront")).empty())
                keyboard.focusInTarget = true;
        };
        f.RunOneExecute();
        QStringList expected{started(QStringLiteral("outil.sh")), "Sleep 1000"};
        if (c.typedBefore)
            expected << QString::fromUtf8(c.typedBefore);
        expected << "Box" << "BringToFront" << "Sleep 50" << "Sleep 50";
        if (c.typedAfter)
            expected << QString::fromUtf8(c.typedAfter);
        expected << "Sleep 500" << "Type ~";
        EXPECT_EQ(timeline(), expected);
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().text, QString::fromUtf8(c.box));
        EXPECT_EQ(sys.callsNamed(QStringLiteral("BringToFront")).at(0).args,
                  QStringList{QString::number(kStartedWindow)});
        EXPECT_TRUE(keyboard.keysDown().isEmpty()) << keyboard.trace().toStdString();
        sys.clearCalls();
    }
    dialogs.onMessageBox = nullptr;
    sys.onSleep = nullptr;

    SCOPED_TRACE("the target closed while the box was shown");
    dialogs.records.clear();
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QStringLiteral("{FOO}x"));
    dialogs.onMessageBox = [this](const DialogRecord &) {
        keyboard.focusInTarget = false;
        sys.windows.removeFirst();
    };
    f.RunOneExecute();
    EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("outil.sh")), "Sleep 1000"}));
    EXPECT_EQ(dialogTexts(), (QStringList{QStringLiteral("Invalid Key Name"),
                                          typingStopped(QStringLiteral("outil.sh"),
                                                        QStringLiteral("sa fenêtre s'est fermée"))}));
    dialogs.onMessageBox = nullptr;
}

TEST_F(Launch, AFailedStartIsToldAndNothingIsTyped)
{
    struct Case {
        int code;
        const char *reason;
    };
    const Case cases[] = {
        {SE_ERR_FNF, "fichier introuvable"},
        {SE_ERR_ACCESSDENIED, "accès refusé, le fichier n'est pas exécutable"},
        {SE_ERR_NOASSOC, "aucune application associée à ce type de fichier"},
        {0, "le système n'a pas pu démarrer le programme"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        dialogs.records.clear();
        TForm1 &f = menu({QStringLiteral("outil.sh")});
        storePassword(QStringLiteral("outil.sh"), QStringLiteral("Secret"));
        f.chk_MINIMIZE->setChecked(true);
        sys.shellResult = c.code;
        f.RunOneExecute();
        EXPECT_EQ(timeline(), QStringList{started(QStringLiteral("outil.sh"))});
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().icon, QStringLiteral("error"));
        EXPECT_EQ(dialogs.last().text, QStringLiteral("Impossible de lancer « %1 »\r\n\r\n(erreur %2 : %3)")
                                           .arg(entry(QStringLiteral("outil.sh")))
                                           .arg(c.code)
                                           .arg(QString::fromUtf8(c.reason)));
        EXPECT_FALSE(f.isMinimized());
    }
}

// ---- the confirmation ------------------------------------------------------

TEST_F(Launch, ConfirmationCancelStopsAndIgnoreSwitchesItOff)
{
    TForm1 &f = menu({QStringLiteral("outil.sh")});
    store(QStringLiteral("outil.sh"), QStringLiteral("SENDKEYS"), QStringLiteral("ok"));
    f.chk_AffCONF->setChecked(true);
    f.chk_MINIMIZE->setChecked(true);

    dialogs.answer(mrCancel);
    f.RunOneExecute();
    EXPECT_TRUE(timeline().isEmpty()) << timeline().join(u',').toStdString();
    EXPECT_FALSE(f.isMinimized());
    EXPECT_TRUE(f.chk_AffCONF->isChecked());

    dialogs.answer(mrIgnore);
    f.RunOneExecute();
    EXPECT_FALSE(f.chk_AffCONF->isChecked());
    ASSERT_EQ(dialogs.records.size(), 3u);
    EXPECT_EQ(dialogs.records[2].kind, QStringLiteral("messageBox"));
    EXPECT_EQ(dialogs.records[2].caption, applicationTitle());
    EXPECT_EQ(dialogs.records[2].buttons, QStringList{"OK"});
    EXPECT_EQ(dialogs.records[2].text, QStringLiteral("Confirmations annulées\r\n\r\nPour les réactiver : cocher la "
                                                      "case \"confirmation\" dans le menu"));
    EXPECT_EQ(timeline(), (QStringList{started(QStringLiteral("outil.sh")), "Sleep 1000", "Type ok", "Sleep 500",
                                       "Type ~"}));
    EXPECT_TRUE(f.isMinimized());

    // No question any more.
    sys.clearCalls();
    f.RunOneExecute();
    EXPECT_EQ(dialogs.records.size(), 3u);
    EXPECT_EQ(sys.callsNamed(QStringLiteral("ShellExecute")).size(), 1u);
}

// ---- one entry, every checked entry -------------------------------------------

TEST_F(Launch, NothingToLaunch)
{
    TForm1 &f = menu({});
    f.RunOneExecute();
    f.RunAllExecute();
    ASSERT_EQ(dialogs.records.size(), 2u);
    for (const auto &r : dialogs.records) {
        EXPECT_EQ(r.text, QStringLiteral("Rien à lancer !"));
        EXPECT_EQ(r.icon, QStringLiteral("warning"));
    }
    EXPECT_TRUE(timeline().isEmpty());
}

TEST_F(Launch, RunAllAsksOnlyFromTwoCheckedEntries)
{
    const QStringList names{"a.sh", "b.sh", "c.sh"};
    {
        SCOPED_TRACE("none checked: the pointed entry");
        TForm1 &f = menu(names);
        f.ValueListEditor1->setRow(2);
        f.RunAllExecute();
        EXPECT_EQ(timeline(), QStringList{started("c.sh")});
        EXPECT_TRUE(dialogs.records.empty());
    }
    {
        SCOPED_TRACE("one checked: no question");
        TForm1 &f = menu(names, {1});
        f.RunAllExecute();
        EXPECT_EQ(timeline(), QStringList{started("b.sh")});
        EXPECT_TRUE(dialogs.records.empty());
    }
    {
        SCOPED_TRACE("two checked: the question names 2; Cancel launches nothing");
        TForm1 &f = menu(names, {0, 2});
        dialogs.answer(mrCancel);
        f.RunAllExecute();
        EXPECT_TRUE(timeline().isEmpty());
        ASSERT_EQ(dialogs.records.size(), 1u);
        EXPECT_EQ(dialogs.last().text, QStringLiteral("Vous êtes sur le point de lancer 2 programmes !"));
        EXPECT_EQ(dialogs.last().icon, QStringLiteral("question"));
        EXPECT_EQ(dialogs.last().buttons, (QStringList{"OK", "Annuler"}));

        f.RunAllExecute(); // OK this time
        EXPECT_EQ(timeline(), (QStringList{started("a.sh"), started("c.sh")}));
    }
}

TEST_F(Launch, WalkAsksForEachEntryWithItsOwnOptionsAndCancelSkipsOne)
{
    TForm1 &f = menu({"a.sh", "b.sh", "c.sh"}, {0, 1, 2});
    store("a.sh", "ARGUMENTS", "-a");
    store("b.sh", "ARGUMENTS", "-b");
    store("c.sh", "SENDKEYS", "cc");
    f.chk_AffCONF->setChecked(true);
    dialogs.answer(mrOk);     // three programs
    dialogs.answer(mrOk);     // a
    dialogs.answer(mrCancel); // b
    dialogs.answer(mrOk);     // c
    f.RunAllExecute();
    EXPECT_EQ(dialogTexts(), (QStringList{QStringLiteral("Vous êtes sur le point de lancer 3 programmes !"),
                                          questionFor("A.SH", "-a", ""), questionFor("B.SH", "-b", ""),
                                          questionFor("C.SH", "", "cc")}));
    EXPECT_EQ(timeline(), (QStringList{started("a.sh", "-a"), started("c.sh"), "Sleep 1000", "Type cc", "Sleep 500",
                                       "Type ~"}));
}

TEST_F(Launch, WalkIgnoreSwitchesTheQuestionsOffForTheRest)
{
    TForm1 &f = menu({"a.sh", "b.sh", "c.sh"}, {0, 1, 2});
    f.chk_AffCONF->setChecked(true);
    dialogs.answer(mrOk);     // three programs
    dialogs.answer(mrIgnore); // a
    f.RunAllExecute();
    ASSERT_EQ(dialogs.records.size(), 3u); // the count, a's question, "Confirmations annulées"
    EXPECT_EQ(dialogs.records[2].kind, QStringLiteral("messageBox"));
    EXPECT_EQ(timeline(), (QStringList{started("a.sh"), started("b.sh"), started("c.sh")}));
}

TEST_F(Launch, WalkProcessesPendingEventsBetweenLaunches)
{
    TForm1 &f = menu({"a.sh", "b.sh"}, {0, 1});
    QObject probe;
    QMetaObject::invokeMethod(
        &probe, [this] { sys.calls.push_back({QStringLiteral("Mark"), {}}); }, Qt::QueuedConnection);
    f.RunAllExecute();
    EXPECT_EQ(timeline(), (QStringList{started("a.sh"), "Mark", started("b.sh")}));
}

TEST_F(Launch, EndOfLaunchMinimisesOrCloses)
{
    {
        SCOPED_TRACE("minimise");
        TForm1 &f = menu({"a.sh"});
        f.chk_MINIMIZE->setChecked(true);
        f.RunOneExecute();
        EXPECT_TRUE(f.isMinimized());
        EXPECT_TRUE(f.isVisible());
    }
    {
        SCOPED_TRACE("close after one launch");
        TForm1 &f = menu({"a.sh"});
        f.chk_RunAndClose->setChecked(true);
        f.RunOneExecute();
        EXPECT_EQ(timeline(), (QStringList{started("a.sh"), "Close"}));
        EXPECT_FALSE(f.isVisible());
    }
    {
        SCOPED_TRACE("a walk launches every checked entry, then closes once");
        TForm1 &f = menu({"a.sh", "b.sh", "c.sh"}, {0, 1, 2});
        f.chk_RunAndClose->setChecked(true);
        f.RunAllExecute();
        EXPECT_EQ(timeline(), (QStringList{started("a.sh"), started("b.sh"), started("c.sh"), "Close"}));
        EXPECT_FALSE(f.isVisible());
    }
    {
        SCOPED_TRACE("nothing closes when every launch was cancelled");
        TForm1 &f = menu({"a.sh", "b.sh"}, {0, 1});
        f.chk_RunAndClose->setChecked(true);
        f.chk_AffCONF->setChecked(true);
        dialogs.answer(mrOk);
        dialogs.answer(mrCancel);
        dialogs.answer(mrCancel);
        f.RunAllExecute();
        EXPECT_TRUE(timeline().isEmpty()) << timeline().join(u',').toStdString();
        EXPECT_TRUE(f.isVisible());
    }
}

TEST_F(Launch, MissingTargetsDuringAWalk)
{
    {
        SCOPED_TRACE("removed: the entries after it are still launched");
        TForm1 &f = menu({"a.sh", "b.sh", "c.sh", "d.sh"}, {0, 1, 2}, QString(), {"a.sh"});
        dialogs.answer(mrOk); // three programs
        dialogs.answer(mrOk); // remove the missing entry
        f.RunAllExecute();
        ASSERT_EQ(dialogs.records.size(), 2u);
        EXPECT_TRUE(dialogs.records[1].text.contains(entry("a.sh")));
        EXPECT_EQ(timeline(), (QStringList{started("b.sh"), started("c.sh")}));
        EXPECT_EQ(f.ListBox1.Items, (QStringList{entry("b.sh"), entry("c.sh"), entry("d.sh")}));
        EXPECT_EQ(f.JvCheckListBox1->Texts().mid(0, 3), (QStringList{"-1", "-1", "0"}));
    }
    {
        SCOPED_TRACE("kept: skipped, the walk goes on");
        TForm1 &f = menu({"a.sh", "b.sh", "c.sh"}, {0, 1, 2}, QString(), {"b.sh"});
        dialogs.answer(mrOk);     // three programs
        dialogs.answer(mrCancel); // keep the missing entry
        f.RunAllExecute();
        EXPECT_EQ(timeline(), (QStringList{started("a.sh"), started("c.sh")}));
        EXPECT_EQ(f.ListBox1.Count(), 3);
    }
    {
        SCOPED_TRACE("the pointed entry is missing");
        TForm1 &f = menu({"a.sh"}, {}, QString(), {"a.sh"});
        dialogs.answer(mrCancel);
        f.RunOneExecute();
        EXPECT_TRUE(timeline().isEmpty());
        EXPECT_TRUE(dialogs.last().text.startsWith(
            QStringLiteral("Apparement le fichier/dossier sélectionné n'existe plus")));
    }
}

TEST_F(Launch, ChecksPastTheLastEntryCountButLaunchNothing)
{
    TForm1 &f = menu({"a.sh"});
    // The window starts with one check line of its own: two lines for one entry.
    ASSERT_EQ(f.JvCheckListBox1->Count(), 2);
    f.JvCheckListBox1->setChecked(0, true);
    f.JvCheckListBox1->setChecked(1, true);
    f.RunAllExecute();
    EXPECT_EQ(dialogTexts(), QStringList{QStringLiteral("Vous êtes sur le point de lancer 2 programmes !")});
    EXPECT_EQ(timeline(), QStringList{started("a.sh")});
}

} // namespace
