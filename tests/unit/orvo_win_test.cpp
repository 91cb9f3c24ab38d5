// The window search by title, the registry read and the special folders.
#include "lib/Orvo_WIN.h"
#include "platform/Errors.h"
#ifndef Q_OS_WIN
#include "platform/LinuxPlatform.h"
#endif

#include "TestDialogs.h"
#include "TestPlatform.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace tarvik;
using tarvik::testing::TestDialogs;
using tarvik::testing::TestPlatform;

namespace {

// A window list whose title read breaks on one window.
class BrokenTitlePlatform : public TestPlatform {
public:
    WindowHandle broken = 0;
    QString windowTitle(WindowHandle window) override
    {
        if (window == broken)
            throw Error(QStringLiteral("fenêtre disparue"));
        return TestPlatform::windowTitle(window);
    }
};

} // namespace

TEST(FindWindowByTitle, SearchesFrontToBackForACaseSensitiveSubstringOfTheFirst254Characters)
{
    TestPlatform os;
    TestDialogs dlg;
    // 250 characters, then "ABCDE": "ABCD" ends at character 254, "E" is the 255th.
    const QString nearTheCut = QString(250, u'x') + QStringLiteral("ABCDE");
    const QString longTitle = QString(300, u'y') + QStringLiteral("LOIN");
    os.windows = {{11, QStringLiteral("Sous MENU - TARVIK")},
                  {22, QStringLiteral("TARVIK")},
                  {33, QStringLiteral("Éditeur de texte")},
                  {44, nearTheCut},
                  {55, longTitle}};

    const struct {
        const char *title;
        WindowHandle expected;
    } cases[] = {
        {"TARVIK", 11},          // the front-most of two matches
        {"MENU", 11},            // a part of the title
        {"Sous MENU - TARVIK", 11},
        {"menu", 0},             // case counts
        {"tarvik", 0},
        {"Éditeur", 33},         // not only ASCII
        {"éditeur", 0},
        {"ABCD", 44},            // within the first 254 characters
        {"ABCDE", 0},            // reaches the 255th
        {"LOIN", 0},             // far beyond the cut
        {"", 0},                 // an empty title matches nothing
        {"ABSENT", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindWindowByTitle(QString::fromUtf8(c.title)), c.expected) << c.title;
    EXPECT_TRUE(dlg.records.empty());
}

TEST(FindWindowByTitle, ATitleOfExactly254CharactersMatchesWhole)
{
    TestPlatform os;
    TestDialogs dlg;
    const QString title = QString(253, u'a') + u'Z';
    os.windows = {{7, title}};
    EXPECT_EQ(FindWindowByTitle(title), 7u);
    EXPECT_EQ(FindWindowByTitle(title + u'!'), 0u);
}

TEST(FindWindowByTitle, AFailureIsShownInAPlainMessageBoxAndGivesNoWindow)
{
    BrokenTitlePlatform os;
    TestDialogs dlg;
    os.windows = {{1, QStringLiteral("Autre")}, {2, QStringLiteral("?")}, {3, QStringLiteral("TARVIK")}};
    os.broken = 2;

    EXPECT_EQ(FindWindowByTitle(QStringLiteral("TARVIK")), 0u);
    ASSERT_EQ(dlg.records.size(), 1u);
    EXPECT_EQ(dlg.last().kind, QStringLiteral("messageBox"));
    EXPECT_EQ(dlg.last().caption, applicationTitle());
    EXPECT_EQ(dlg.last().text, QStringLiteral("FindWindowByTitle: \r\nfenêtre disparue"));
    EXPECT_EQ(dlg.last().flags, unsigned(MB_OK));

    // A window in front of the broken one is still found, without a message.
    EXPECT_EQ(FindWindowByTitle(QStringLiteral("Autre")), 1u);
    EXPECT_EQ(dlg.records.size(), 1u);
}

TEST(GetRegistryData, GivesTextIntegerOrTheBytesOfBinaryData)
{
    TestPlatform os;
    os.registry[QStringLiteral("Texte")] = QStringLiteral("%ProgramFiles%\\Outils"); // not expanded
    os.registry[QStringLiteral("Entier")] = 1234;
    os.registry[QStringLiteral("Large")] = qlonglong(-5);
    os.registry[QStringLiteral("Binaire")] = QByteArray("\x00\xff" "A", 3);

    const QVariant text = GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("\\Software\\Orvo"), QStringLiteral("Texte"));
    EXPECT_EQ(text.typeId(), QMetaType::QString);
    EXPECT_EQ(text.toString(), QStringLiteral("%ProgramFiles%\\Outils"));

    const QVariant number = GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("\\Software\\Orvo"), QStringLiteral("Entier"));
    EXPECT_EQ(number.typeId(), QMetaType::Int);
    EXPECT_EQ(number.toInt(), 1234);
    EXPECT_EQ(GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("k"), QStringLiteral("Large")).toInt(), -5);

    const QString bytes = GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("k"), QStringLiteral("Binaire")).toString();
    ASSERT_EQ(bytes.size(), 3);
    EXPECT_EQ(bytes[0].unicode(), 0x00);
    EXPECT_EQ(bytes[1].unicode(), 0xff);
    EXPECT_EQ(bytes[2], u'A');

    ASSERT_FALSE(os.calls.empty());
    EXPECT_EQ(os.calls.front().name, QStringLiteral("Registry"));
    EXPECT_EQ(os.calls.front().args,
              (QStringList{QStringLiteral("HKEY_LOCAL_MACHINE"), QStringLiteral("\\Software\\Orvo"), QStringLiteral("Texte")}));
}

TEST(GetRegistryData, AMissingOrUnreadableValueFails)
{
    TestPlatform os;
    os.registry[QStringLiteral("Liste")] = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    os.registry[QStringLiteral("Vide")] = QVariant();
    for (const char *name : {"Absent", "Liste", "Vide"}) {
        try {
            GetRegistryData(HKEY_LOCAL_MACHINE, QStringLiteral("k"), QString::fromUtf8(name));
            ADD_FAILURE() << name << " did not fail";
        } catch (const Error &e) {
            EXPECT_FALSE(e.message().isEmpty()) << name;
        }
    }
}

TEST(OrvoWinFolders, ProgramFilesAndSystemFolders)
{
    TestPlatform os;
    os.registry[QStringLiteral("ProgramFilesDir")] = QStringLiteral("/opt");
    EXPECT_EQ(GetProgramFilesDir(), QStringLiteral("/opt"));
    const auto reads = os.callsNamed(QStringLiteral("Registry"));
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].args, (QStringList{QStringLiteral("HKEY_LOCAL_MACHINE"),
                                          QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion"),
                                          QStringLiteral("ProgramFilesDir")}));

    // An integer value is given as its decimal text.
    os.registry[QStringLiteral("ProgramFilesDir")] = 42;
    EXPECT_EQ(GetProgramFilesDir(), QStringLiteral("42"));

    os.registry.clear();
    EXPECT_THROW(GetProgramFilesDir(), Error);

    EXPECT_EQ(GetSystemDir(), QStringLiteral("/usr/bin"));
    os.system.clear();
    EXPECT_THROW(GetSystemDir(), Error);
}

TEST(OrvoWinFolders, DesktopEndsInASlashDocumentsDoNot)
{
    TestPlatform os;
    const struct {
        const char *platformDir;
        const char *desktop;   // GetDesktopDir
        const char *documents; // GetMyDocumentsDir
    } cases[] = {
        {"/home/jean/Bureau", "/home/jean/Bureau/", "/home/jean/Bureau"},
        {"/home/jean/Bureau/", "/home/jean/Bureau/", "/home/jean/Bureau"},
        {"", "", ""}, // the desktop has no such folder: nothing, not "/"
    };
    for (const auto &c : cases) {
        os.desktop = QString::fromUtf8(c.platformDir);
        os.documents = QString::fromUtf8(c.platformDir);
        EXPECT_EQ(GetDesktopDir(), QString::fromUtf8(c.desktop)) << c.platformDir;
        EXPECT_EQ(GetMyDocumentsDir(), QString::fromUtf8(c.documents)) << c.platformDir;
    }
}

TEST(OrvoWinFolders, SpecialFolderByIdentifier)
{
    TestPlatform os;
    os.home = QStringLiteral("/home/jean");
    os.desktop = QStringLiteral("/home/jean/Bureau");
    os.documents = QStringLiteral("/home/jean/Documents");
    os.registry[QStringLiteral("ProgramFilesDir")] = QStringLiteral("/opt");
    const struct {
        int csidl;
        const char *expected;
    } cases[] = {
        {CSIDL_PERSONAL, "/home/jean/Documents"},
        {CSIDL_DESKTOP, "/home/jean/Bureau"},
        {CSIDL_DESKTOPDIRECTORY, "/home/jean/Bureau"},
        {CSIDL_PROFILE, "/home/jean"},
        {CSIDL_SYSTEM, "/usr/bin"},
        {CSIDL_PROGRAM_FILES, "/opt"},
        {0x1234, ""}, // unknown here
    };
    for (const auto &c : cases)
        EXPECT_EQ(SpecialFolder(c.csidl), QString::fromUtf8(c.expected)) << c.csidl;

    // A folder the platform cannot give is empty, not a failure.
    os.registry.clear();
    EXPECT_EQ(SpecialFolder(CSIDL_PROGRAM_FILES), QString());
}

TEST(OrvoWinFolders, TheLinuxBackEndAnswersTheProgramFilesRead)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Linux back-end only; the Windows one reads the registry (win32_platform_test)";
#else
    LinuxPlatform backEnd;
    Platform *previous = setPlatform(&backEnd);
    QString programFiles;
    QString system;
    try {
        programFiles = GetProgramFilesDir();
        system = GetSystemDir();
    } catch (const std::exception &e) {
        ADD_FAILURE() << e.what();
    }
    setPlatform(previous);
    EXPECT_EQ(programFiles, QStringLiteral("/opt"));
    EXPECT_EQ(system, QStringLiteral("/usr/bin"));
#endif
}
